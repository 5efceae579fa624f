#include "ORA/ora_validator.h"

#include "TK/tk_trace.h"
#include "platform/text/wide_ctype.h"

namespace {

bool is_name_char(char16_t c) {
  return tsl::text::is_alnum(c) || c == u'_' || c == u'$' || c == u'#';
}

}  // namespace

size_t ora_validator::bytes_of(const std::u16string& name) {
  size_t bytes = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (c < 0x80) {
      bytes += 1;
    } else if (c < 0x800) {
      bytes += 2;
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
               name[i + 1] <= 0xDFFF) {
      bytes += 4;
      ++i;
    } else {
      bytes += 3;
    }
  }
  return bytes;
}

ora_validator::ora_validator() : udb_validator(max_name) {
  tk_trace(2, "ora_validator::ctor");
}

bool ora_validator::is_acceptable(const std::u16string& name) const {
  tk_trace_w(1, u"ora_validator::is_acceptable(%s)", name.c_str());
  if (name.empty() || bytes_of(name) > max_name) return false;
  if (!tsl::text::is_alpha(name[0])) return false;
  for (char16_t c : name) {
    if (!is_name_char(c)) {
      tk_trace_w(2, u"Name contains invalid symbol: '%c'", static_cast<int>(c));
      return false;
    }
  }
  return !is_restricted(name);
}

std::u16string ora_validator::get_safe_name(const std::u16string& source) const {
  tk_trace_w(1, u"ora_validator::get_safe_name(%s)", source.c_str());
  std::u16string name = source;
  if (name.empty() || !tsl::text::is_alpha(name[0])) name.insert(name.begin(), u'A');
  // 29, leaving room as the base rule does.
  if (bytes_of(name) > max_name) name = cut_to(name, max_name - 1);
  for (char16_t& c : name)
    if (!is_name_char(c)) c = u'_';
  return udb_validator::get_safe_name(name);
}
