#include "UDB/udb_index.h"

#include <algorithm>

#include "TK/tk_trace.h"
#include "platform/text/wide_ctype.h"

udb_index::udb_index(std::u16string name, bool unique, bool primary,
                     std::vector<std::u16string> fields)
    : name_(std::move(name)), unique_(unique), primary_(primary), fields_(std::move(fields)) {}

bool udb_index::starts_with_fields(const std::vector<std::u16string>& fields) const {
  tk_trace_w(1, u"udb_index(%s)::starts_with_fields", name_.c_str());
  if (fields_.size() < fields.size()) return false;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (!tsl::text::equal_nocase(fields[i], fields_[i])) {
      tk_trace_w(1, u"Field '%s' not found", fields[i].c_str());
      return false;
    }
  }
  tk_trace(1, "starts_with_fields returns true");
  return true;
}

bool udb_index::consists_of_fields(const std::vector<std::u16string>& fields) const {
  tk_trace_w(1, u"udb_index(%s)::consists_of_fields", name_.c_str());
  if (fields_.size() != fields.size()) return false;
  for (const std::u16string& field : fields) {
    if (std::find(fields_.begin(), fields_.end(), field) == fields_.end()) {
      tk_trace_w(1, u"Field '%s' not found", field.c_str());
      return false;
    }
  }
  tk_trace(1, "consists_of_fields returns true");
  return true;
}
