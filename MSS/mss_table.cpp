#include "MSS/mss_table.h"

#include <algorithm>

#include "MSS/mss_split_tab_name.h"
#include "MSS/odb_command.h"
#include "OLE/ole_date.h"
#include "OLE/ole_type_exception.h"
#include "TK/tk_trace.h"

namespace {

// Oracle's largest NUMBER precision.
constexpr int32_t kMaxPrecision = 38;

// Without the brackets that enclose the whole text: (((1)+(2))) -> (1)+(2).
std::u16string without_brackets(std::u16string text) {
  while (text.size() >= 2 && text.front() == u'(' && text.back() == u')') {
    int depth = 0;
    bool quote = false;
    size_t close = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      if (c == u'\'') quote = !quote;
      if (quote) continue;
      if (c == u'(') ++depth;
      if (c == u')' && --depth == 0) {
        close = i;
        break;
      }
    }
    if (close != text.size() - 1) break;
    text = text.substr(1, text.size() - 2);
  }
  return text;
}

bool is_digit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// A number as the server stores it in a default: -12.5, 1.5E+200, 0x0A1B.
bool is_number_literal(const std::u16string& t) {
  size_t i = 0;
  if (t.size() > 2 && t[0] == u'0' && (t[1] == u'x' || t[1] == u'X')) {
    for (i = 2; i < t.size(); ++i)
      if (!is_digit(t[i]) && !((t[i] | 0x20) >= u'a' && (t[i] | 0x20) <= u'f')) return false;
    return true;
  }
  if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) ++i;
  size_t digits = 0;
  for (; i < t.size() && is_digit(t[i]); ++i) ++digits;
  if (i < t.size() && t[i] == u'.')
    for (++i; i < t.size() && is_digit(t[i]); ++i) ++digits;
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
    ++i;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) ++i;
    size_t exponent = 0;
    for (; i < t.size() && is_digit(t[i]); ++i) ++exponent;
    if (exponent == 0) return false;
  }
  return i == t.size();
}

// 'abc', 'it''s' or N'abc': one string literal and nothing else.
bool is_string_literal(const std::u16string& t) {
  size_t i = t.size() > 0 && (t[0] == u'N' || t[0] == u'n') ? 1 : 0;
  if (t.size() < i + 2 || t[i] != u'\'' || t.back() != u'\'') return false;
  for (++i; i + 1 < t.size(); ++i) {
    if (t[i] != u'\'') continue;
    if (i + 2 < t.size() && t[i + 1] == u'\'') {
      ++i;
      continue;
    }
    return false;
  }
  return true;
}

bool is_null_literal(const std::u16string& t) {
  return t.size() == 4 && (t[0] | 0x20) == u'n' && (t[1] | 0x20) == u'u' &&
         (t[2] | 0x20) == u'l' && (t[3] | 0x20) == u'l';
}

int32_t to_int(const ole_variant& v) {
  return v.vartype() == VT_EMPTY ? 0 : ole_variant::from_wstring(v.to_wstring(), VT_I4).to_long();
}

}  // namespace

mss_table::mss_table(const std::u16string& name, IOpenRowset* session, int32_t mode,
                     udb_relationships* relationships)
    : odb_table(name, session, mode, relationships) {
  tk_trace_w(2, u"mss_table::mss_table(%s)", this->name().c_str());
  init_schema();
  tk_trace(2, "mss_table::split_tab_name");
  std::u16string table, owner;
  mss_split_tab_name(this->name(), table, owner);
  // Catalogue requests take the names themselves, not their bracketed form.
  if ((mode & kNoIndexes) != kNoIndexes)
    init_indexes(mss_bracket_unescape(table), mss_bracket_unescape(owner));
}

mss_table::mss_table(const std::u16string& name, const std::u16string& query, IOpenRowset* session,
                     int32_t mode)
    : odb_table(name, query, session, mode) {
  tk_trace_w(2, u"mss_table::ctor(%s)", this->name().c_str());
}

void mss_table::init_schema() {
  tk_trace(2, "mss_table::init_schema");
  std::u16string table, owner;
  mss_split_tab_name(name(), table, owner);
  std::u16string sql = u"EXEC sp_columns @table_name=[" + table + u"]";
  if (!owner.empty()) sql += u", @table_owner=[" + owner + u"]";
  odb_command cmd(session());
  ole_ptr<IRowset> rowset;
  cmd.execute(sql, &rowset);
  odb_recordset rs(rowset.get());
  udb_schema& fields = schema();
  size_t i = 0;
  // The catalogue may hold fewer rows than the rowset has columns: stop at
  // its end.
  for (rs.reset(); i < fields.size() && !rs.is_eof(); rs.next(), ++i) {
    const udb_record& r = *rs.get_item();
    const std::u16string column = odb_record::column(r, 4).to_wstring();
    const std::u16string type_name = odb_record::column(r, 6).to_wstring();
    tk_trace_w(1, u"Got field name/type: %s/%s", column.c_str(), type_name.c_str());
    t_ftd& found = fields.get_field(column);
    const std::u16string def = odb_record::column(r, 13).to_wstring();
    const std::u16string expression = def.empty() ? def : get_def_expression(def);
    if (!expression.empty()) {
      tk_trace_w(1, u"Got default expression: %s", expression.c_str());
      found.set_default_expression(expression);
    } else if (!def.empty()) {
      tk_trace_w(1, u"Got default string: %s", def.c_str());
      ole_variant value = get_def_value(fields[i].vartype(), def);
      const std::u16string shown = value.to_wstring();
      tk_trace_w(1, u"Got default variant: %s", shown.c_str());
      if (fields[i].vartype() == VT_BSTR && shown.size() > found.size()) {
        tk_trace_w(2, u"Def.value '%s' is out of range", shown.c_str());
      } else {
        found.set_default_value(value);
      }
    }
    found.set_identity(type_name.size() >= 8 && type_name.ends_with(u"identity"));
    if (found.vartype() == VT_DECIMAL) {
      // LENGTH counts sign and point as well; Oracle takes no more than 38.
      const int32_t length = std::min(to_int(odb_record::column(r, 8)), kMaxPrecision);
      found.set_reserved(length * 256 + to_int(odb_record::column(r, 9)));
    }
    tk_trace(1, ">>> reserved=%d", found.reserved());
  }
}

ole_variant mss_table::get_def_value(VARTYPE type, const std::u16string& src) {
  tk_trace_w(1, u"mss_table::get_def_value(type=0x%08X, src='%s')", static_cast<unsigned>(type),
             src.c_str());
  std::u16string text = without_brackets(src);
  tk_trace_w(1, u"mss_table::get_def_value - buf=[%s]", text.c_str());
  // DEFAULT NULL is no default; an expression is no value.
  if (is_null_literal(text) || !get_def_expression(src).empty()) return ole_variant();
  if (is_string_literal(text)) {
    // A Unicode literal N'...' holds the same text as '...'.
    if (text[0] != u'\'') text.erase(0, 1);
    text = text.substr(1, text.size() - 2);
    for (size_t p = text.find(u"''"); p != std::u16string::npos; p = text.find(u"''", p + 1))
      text.erase(p, 1);
    tk_trace_w(1, u"mss_table::get_def_value - buf=[%s]", text.c_str());
  }
  if (type == VT_DATE) {
    ole_date d(text);
    return d.is_valid() ? d.to_variant() : ole_variant();
  }
  try {
    return ole_variant::from_wstring(text, type);
  } catch (const ole_type_exception&) {
    // A default the column's type cannot hold is left out.
    tk_trace_w(2, u"Default '%s' does not convert", text.c_str());
    return ole_variant();
  }
}

std::u16string mss_table::get_def_expression(const std::u16string& src) {
  const std::u16string text = without_brackets(src);
  if (text.empty() || is_null_literal(text) || is_string_literal(text) || is_number_literal(text))
    return std::u16string();
  return text;
}
