#include "ORA/udb_validator.h"

#include <algorithm>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/text/format.h"
#include "platform/text/wide_ctype.h"

udb_validator::udb_validator(uint32_t max_length) : max_length_(max_length) {
  tk_trace(2, "udb_validator::ctor");
}

bool udb_validator::is_restricted(const std::u16string& name) const {
  return std::any_of(restricted_.begin(), restricted_.end(),
                     [&](const std::u16string& r) { return tsl::text::equal_nocase(r, name); });
}

std::u16string udb_validator::cut_to(const std::u16string& source, size_t limit) const {
  std::u16string name = source;
  while (!name.empty() && length_of(name) > limit) {
    const bool pair = name.size() >= 2 && name.back() >= 0xDC00 && name.back() <= 0xDFFF &&
                      name[name.size() - 2] >= 0xD800 && name[name.size() - 2] <= 0xDBFF;
    name.resize(name.size() - (pair ? 2 : 1));
  }
  return name;
}

void udb_validator::forget(const std::u16string& name) {
  std::erase(restricted_, name);
  std::erase(used_, name);
}

bool udb_validator::is_acceptable(const std::u16string& name) const {
  tk_trace_w(1, u"udb_validator::is_acceptable(%s)", name.c_str());
  if (max_length_ != 0 && length_of(name) > max_length_) {
    tk_trace(1, "The name is too long");
    return false;
  }
  if (is_restricted(name)) {
    tk_trace(1, "The name is restricted");
    return false;
  }
  for (char16_t c : name) {
    if (std::find(illegal_.begin(), illegal_.end(), c) != illegal_.end()) {
      tk_trace_w(1, u"The name contains illegal: %c", static_cast<int>(c));
      return false;
    }
  }
  return true;
}

bool udb_validator::is_duplicated(const std::u16string& name) const {
  tk_trace_w(1, u"udb_validator::is_duplicated(%s)", name.c_str());
  for (const std::u16string& used : used_) {
    tk_trace_w(1, u"Processing %s", used.c_str());
    if (tsl::text::equal_nocase(used, name)) return true;
  }
  return false;
}

std::u16string udb_validator::get_safe_name(const std::u16string& source) const {
  tk_trace_w(1, u"udb_validator::get_safe_name(%s)", source.c_str());
  std::u16string name = source;
  if (max_length_ != 0 && length_of(name) > max_length_) name = cut_to(name, max_length_ - 1);
  for (char16_t& c : name)
    if (std::find(illegal_.begin(), illegal_.end(), c) != illegal_.end()) c = u'_';
  if (is_acceptable(name) && !is_duplicated(name)) return name;
  // Room for the five-digit suffix.
  if (max_length_ > 6 && length_of(name) > max_length_ - 5) name = cut_to(name, max_length_ - 6);
  for (int i = 0; i < 100000; ++i) {
    std::u16string candidate = tsl::text::format(u"%s%05d", name.c_str(), i);
    if (is_acceptable(candidate) && !is_duplicated(candidate)) return candidate;
  }
  throw tk_mail_assertion("udb_validator", 70);
}
