#include "TK/tk_cmdli.h"

#include <cstring>

#include "TK/tk_exception.h"

tk_cmdli::tk_cmdli(int argc, const char* const* argv, const tk_cmdli_option* table,
                   size_t table_size)
    : table_(table),
      table_size_(table_size),
      cursor_(argv ? argv + 1 : nullptr),
      left_(argv && argc > 1 ? argc - 1 : 0) {
  if (valid()) match();
}

void tk_cmdli::next() {
  if (!valid()) throw tk_mail_assertion("tk_cmdli", 52);
  ++cursor_;
  --left_;
  if (valid()) match();
}

int tk_cmdli::id() const {
  if (!valid()) throw tk_mail_assertion("tk_cmdli", 61);
  return id_;
}

const char* tk_cmdli::value() const {
  if (!valid()) throw tk_mail_assertion("tk_cmdli", 68);
  return value_;
}

const char* tk_cmdli::argument() const {
  if (!valid()) throw tk_mail_assertion("tk_cmdli", 75);
  return *cursor_;
}

void tk_cmdli::match() {
  const char* arg = *cursor_ ? *cursor_ : "";
  id_ = -1;
  value_ = nullptr;
  for (size_t i = 0; i < table_size_; ++i) {
    size_t n = std::strlen(table_[i].text);
    if (std::strncmp(arg, table_[i].text, n) == 0) {
      id_ = table_[i].id;
      value_ = arg + n;
      return;
    }
  }
  ++unrecognised_count_;
  if (unrecognised_.size() < kUnrecognisedRoom) unrecognised_.emplace_back(arg);
}
