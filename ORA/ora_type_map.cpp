#include "ORA/ora_type_map.h"

#include <cerrno>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "OLE/ole_date.h"
#include "OLE/ole_guid_extractor.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/t_ftd.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"

namespace {

constexpr VARTYPE vt_byte_array = VT_ARRAY | VT_UI1;

bool is_hex(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Only a text that names a GUID is searched for one; the search copies it.
bool may_hold_guid(const std::u16string& text) {
  return text.size() >= 38 &&
         (text.find(u"guid") != std::u16string::npos || text.find(u"GUID") != std::u16string::npos);
}

std::u16string quoted_doubling(const std::u16string& text, bool enclose) {
  std::u16string out;
  out.reserve(text.size() + 2);
  if (enclose) out += u'\'';
  for (char16_t c : text) {
    if (c == u'\0' && enclose) {
      // A NUL cannot stand inside a literal: it joins the text as CHR(0).
      out += u"'||CHR(0)||'";
      continue;
    }
    out += c;
    if (c == u'\'') out += u'\'';
  }
  if (enclose) out += u'\'';
  return out;
}

// The expression lower-cased without blanks and brackets: "CONVERT([date],
// getdate())" -> "convert(date,getdate())".
std::u16string normalized_expression(const std::u16string& text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'[' || c == u']') continue;
    out += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  }
  return out;
}

bool one_of(const std::u16string& s, std::initializer_list<std::u16string_view> names) {
  for (std::u16string_view n : names)
    if (s == n) return true;
  return false;
}

// The Oracle equivalent of a source default expression for the field's
// type, or empty when there is none.
std::u16string default_expression(const t_ftd& field) {
  const std::u16string e = normalized_expression(field.default_expression());
  const bool now = one_of(e, {u"getdate()", u"current_timestamp", u"sysdatetime()"});
  const bool today =
      one_of(e, {u"convert(date,getdate())", u"cast(getdate()asdate)",
                 u"convert(date,sysdatetime())", u"cast(sysdatetime()asdate)",
                 u"convert(date,current_timestamp)", u"cast(current_timestampasdate)"});
  const VARTYPE vt = field.vartype();
  if (vt == VT_DATE) {
    if (now) return u"SYSDATE";
    if (today) return u"TRUNC(SYSDATE)";
    return std::u16string();
  }
  if (vt == VT_BSTR) {
    // Dates, times and datetime2 travel as their text; the default must
    // write the same text.
    if ((now || today) && field.size() == 10) return u"TO_CHAR(SYSDATE, 'YYYY-MM-DD')";
    if (now && field.size() == 19) return u"TO_CHAR(SYSDATE, 'YYYY-MM-DD HH24:MI:SS')";
    if (one_of(e, {u"suser_sname()", u"suser_name()", u"user_name()", u"user", u"current_user",
                   u"session_user", u"system_user"}))
      return u"USER";
    return std::u16string();
  }
  if (is_binary_vartype(vt) && field.size() == 16 && one_of(e, {u"newid()", u"newsequentialid()"}))
    return u"SYS_GUID()";
  return std::u16string();
}

}  // namespace

bool is_binary_vartype(VARTYPE vt) {
  return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == vt_byte_array;
}

uint32_t ora_max_text(int release) {
  (void)release;
  return ora_max_nvarchar;
}

uint32_t ora_max_raw_of(int release) {
  // Oracle7 keeps RAW to 255 bytes.
  return release != ora_release_newest && release < ora_release_8 ? 255 : ora_max_raw;
}

bool is_lob_column(VARTYPE vt, uint32_t size, int release) {
  if (vt == VT_BSTR) return size == 0 || size > ora_max_text(release);
  if (vt == VT_BLOB || vt == vt_byte_array) return size == 0 || size > ora_max_raw_of(release);
  return false;
}

std::u16string get_native_type(const t_ftd& field, int release) {
  tk_trace(1, "get_native_type [Oracle]");
  const uint32_t size = field.size();
  const bool newest = release == ora_release_newest;
  const bool oracle7 = !newest && release < ora_release_8;
  // VARCHAR2(n CHAR) and CHAR(n CHAR) arrived with Oracle9i, the national
  // types with Oracle8.
  const bool char_semantics = newest || release >= ora_release_9;
  switch (field.vartype()) {
    case VT_I2:
    case VT_UI1:
      return u"NUMBER(5,0)";
    case VT_I4:
    case VT_UI2:
    case VT_INT:
      return u"NUMBER(11,0)";
    case VT_R4:
    case VT_R8:
      return u"NUMBER";
    case VT_CY:
      // Exact, as the source holds it: four decimals, no binary fraction.
      return field.precision() == 10 ? u"NUMBER(10,4)" : u"NUMBER(19,4)";
    case VT_DATE:
      return u"DATE";
    case VT_BSTR:
      tk_trace(1, "process as text");
      if (oracle7) {
        // Lengths in bytes, as that release counts them.
        if (is_lob_column(VT_BSTR, size, release)) return u"LONG";
        if (field.is_fixed_length() && size <= 255) return tsl::text::format(u"CHAR(%u)", size);
        return tsl::text::format(u"VARCHAR2(%u)", size);
      }
      // Counted in characters, so that n characters of any script fit.
      if (is_lob_column(VT_BSTR, size, release)) return u"CLOB";
      if (field.is_fixed_length()) {
        // Fixed length stays fixed, so comparisons pad with blanks as the
        // source's do.
        if (char_semantics && size <= ora_max_char_char)
          return tsl::text::format(u"CHAR(%u CHAR)", size);
        if (size <= ora_max_nchar) return tsl::text::format(u"NCHAR(%u)", size);
      }
      if (char_semantics && size <= ora_max_char_varchar)
        return tsl::text::format(u"VARCHAR2(%u CHAR)", size);
      return tsl::text::format(u"NVARCHAR2(%u)", size);
    case VT_BOOL:
    case VT_I1:
      return u"NUMBER(3,0)";
    case VT_DECIMAL: {
      // Oracle refuses a precision above 38.
      int precision = field.precision() > 38 ? 38 : field.precision();
      int scale = field.scale() > precision ? precision : field.scale();
      return tsl::text::format(u"NUMBER(%d,%d)", precision, scale);
    }
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_UINT:
      return u"NUMBER(19,0)";
    case VT_BLOB:
      tk_trace(1, "process as binary");
      if (is_lob_column(VT_BLOB, size, release)) return oracle7 ? u"LONG RAW" : u"BLOB";
      return tsl::text::format(u"RAW(%u)", size);
    default:
      throw tk_mail_assertion("ora_type_map", 95);
  }
}

VARTYPE refine_number_type(int& precision, int scale) {
  if (precision == 0 || precision > 38) return VT_R8;
  if (scale != 0) {
    if (precision == scale) ++precision;
    return VT_DECIMAL;
  }
  tk_trace(1, "Refine type mapping for int (prec=%d)", precision);
  if (precision < 3) return VT_I1;
  if (precision < 5) return VT_I2;
  if (precision < 10) return VT_I4;
  // NUMBER(10,0) and wider hold more than 32 bits.
  if (precision < 19) return VT_I8;
  return VT_DECIMAL;
}

std::u16string to_oracle_str(const std::u16string& text, VARTYPE vt) {
  tk_trace_w(1, u"to_oracle_str(%s,%d)", text.c_str(), static_cast<int>(vt));
  if (text.empty()) return u"''";
  if (vt == VT_DATE) {
    ole_date date(text);
    if (!date.is_valid()) return std::u16string();
    std::u16string canon = date.to_wstring();
    switch (date.kind()) {
      case ole_date::time_only: {
        tk_trace(1, "Null date has been found");
        size_t at = canon.find(u"0000-00-00 ");
        if (at != std::u16string::npos) canon.erase(at, 11);
        return u"to_date('" + canon + u"', 'HH24-MI-SS')";
      }
      case ole_date::date_only:
        return u"to_date('" + canon + u"', 'YYYY-MM-DD')";
      default:
        return u"to_date('" + canon + u"', 'YYYY-MM-DD HH24:MI:SS')";
    }
  }
  if (vt == VT_BSTR && may_hold_guid(text)) {
    ole_guid_extractor guid(text);
    if (guid.has_guid()) {
      tk_trace(1, "BSTR IS AN GUID");
      return u"'" + guid.braced_guid() + u"'";
    }
  } else if (vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == vt_byte_array) {
    tk_trace(1, "GOT BLOB");
    if (text.size() < 2) return u"''";
    ole_guid_extractor guid(may_hold_guid(text) ? std::u16string_view(text)
                                                : std::u16string_view());
    if (guid.has_guid()) {
      tk_trace(1, "BLOB IS AN GUID");
      return u"'" + guid.bare_guid() + u"'";
    }
    if (text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
      bool valid = true;
      for (size_t i = 2; i < text.size() && valid; ++i) valid = is_hex(text[i]);
      if (valid) {
        tk_trace(1, "BLOB IS VALID");
        std::u16string out;
        out.reserve(text.size());
        out += u'\'';
        out.append(text, 2, std::u16string::npos);
        out += u'\'';
        return out;
      }
    }
    return u"''";
  }
  return quoted_doubling(text, vt == VT_BSTR);
}

bool to_oracle_bind(const std::u16string& text, VARTYPE vt, std::u16string& out,
                    const char16_t** date_format) {
  *date_format = nullptr;
  if (text.empty()) return false;
  if (vt == VT_DATE) {
    ole_date date(text);
    if (!date.is_valid()) return false;
    out = date.to_wstring();
    switch (date.kind()) {
      case ole_date::time_only: {
        size_t at = out.find(u"0000-00-00 ");
        if (at != std::u16string::npos) out.erase(at, 11);
        *date_format = u"HH24-MI-SS";
        return true;
      }
      case ole_date::date_only:
        *date_format = u"YYYY-MM-DD";
        return true;
      default:
        *date_format = u"YYYY-MM-DD HH24:MI:SS";
        return true;
    }
  }
  if (vt == VT_BSTR && may_hold_guid(text)) {
    ole_guid_extractor guid(text);
    if (guid.has_guid()) {
      out = guid.braced_guid();
      return true;
    }
  } else if (vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == vt_byte_array) {
    if (text.size() < 2) return false;
    ole_guid_extractor guid(may_hold_guid(text) ? std::u16string_view(text)
                                                : std::u16string_view());
    if (guid.has_guid()) {
      out = guid.bare_guid();
      return true;
    }
    if (text[0] != u'0' || (text[1] != u'x' && text[1] != u'X') || text.size() == 2) return false;
    for (size_t i = 2; i < text.size(); ++i)
      if (!is_hex(text[i])) return false;
    out.assign(text, 2, std::u16string::npos);
    return true;
  }
  // A bare value text that is two double quotes stands for nothing, as its
  // literal does.
  if (vt != VT_BSTR && text == u"\"\"") return false;
  out = text;
  return true;
}

std::u16string to_oracle_str(const ole_variant* value) {
  if (value == nullptr) throw tk_mail_assertion("ora_type_map", 160);
  return to_oracle_str(value->to_wstring(), value->vartype());
}

std::u16string make_ora_def_val(const t_ftd* field) {
  if (field == nullptr) throw tk_mail_assertion("ora_type_map", 165);
  if (!field->default_expression().empty()) {
    tk_trace_w(1, u"make_ora_def_val(%s)", field->default_expression().c_str());
    return default_expression(*field);
  }
  const ole_variant& def = field->default_value();
  std::u16string text =
      def.vartype() == VT_EMPTY || def.vartype() == VT_NULL ? std::u16string() : def.to_wstring();
  tk_trace_w(1, u"make_ora_def_val(%s)", text.c_str());
  if (text.empty()) {
    tk_trace(1, "Got empty def value");
    return std::u16string();
  }
  std::string narrow = tsl::text::utf16_to_utf8(text);
  switch (field->vartype()) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_BOOL: {
      long v = std::strtol(narrow.c_str(), nullptr, 10);
      int32_t as32 = static_cast<int32_t>(v);
      return std::to_string(as32) == narrow ? text : std::u16string();
    }
    case VT_I8:
    case VT_UI8: {
      errno = 0;
      long long v = std::strtoll(narrow.c_str(), nullptr, 10);
      return errno == 0 && std::to_string(v) == narrow ? text : std::u16string();
    }
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL: {
      double v = std::strtod(narrow.c_str(), nullptr);
      if (v < -ora_number_limit || v > ora_number_limit) {
        // Replaced by 0 it would change every future row: left out.
        tk_trace(1, "def value is out of range");
        return std::u16string();
      }
      if (v != 0.0) return text;
      if (narrow == "0") return text;
      for (char c : narrow)
        if (std::string_view("eE-+.,0").find(c) == std::string_view::npos) return std::u16string();
      return text;
    }
    case VT_DATE: {
      tk_trace(1, "Got DATE def value");
      ole_date date(text);
      std::u16string canon = date.is_valid() ? date.to_wstring() : std::u16string();
      tk_trace_w(1, u"After canonization: %s", canon.c_str());
      if (canon.empty()) return std::u16string();
      return to_oracle_str(canon, VT_DATE);
    }
    case VT_BSTR: {
      tk_trace_w(1, u"Got BSTR or DATE def value: %s", text.c_str());
      if (text.size() > field->size()) text.resize(field->size());
      return to_oracle_str(text, VT_BSTR);
    }
    case VT_BLOB:
    case vt_byte_array:
      return text.size() > 2 ? to_oracle_str(text, VT_BLOB) : std::u16string();
    default:
      return std::u16string();
  }
}

bool default_left_out(const t_ftd& field) {
  if (field.is_identity()) return false;
  const VARTYPE vt = field.default_value().vartype();
  const bool has_value =
      vt != VT_EMPTY && vt != VT_NULL && !field.default_value().to_wstring().empty();
  if (!has_value && field.default_expression().empty()) return false;
  return make_ora_def_val(&field).empty();
}
