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

bool quoted(const std::u16string& s) {
  return s.front() == u'\'' && s.back() == u'\'';
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
    if (!def.empty()) {
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
  std::u16string text = src;
  if (!text.empty() && text.front() == u'(') {
    size_t k = 0;
    while (k < text.size() && text[k] == u'(') ++k;
    text = 2 * k >= text.size() ? std::u16string() : text.substr(k, text.size() - 2 * k);
    tk_trace(1, "Before removing round brackets, pos0=%d, size=%d", static_cast<int>(k),
             static_cast<int>(text.size()));
    tk_trace_w(1, u"mss_table::get_def_value - buf=[%s]", text.c_str());
  }
  // A Unicode literal N'...' holds the same text as '...'; kept as written,
  // the default would become the literal's own spelling. '' is the empty
  // text, not two apostrophes.
  if (text.size() > 2 && (text[0] == u'N' || text[0] == u'n') && text[1] == u'\'' &&
      text.back() == u'\'')
    text.erase(0, 1);
  if (text.size() >= 2 && quoted(text)) {
    text = text.substr(1, text.size() - 2);
    tk_trace_w(1, u"mss_table::get_def_value - buf=[%s]", text.c_str());
  }
  if (type == VT_DATE) {
    if (text.size() > 1 && quoted(text)) text = text.substr(1, text.size() - 2);
    ole_date d(text);
    return d.is_valid() ? d.to_variant() : ole_variant();
  }
  if (text.size() > 2) {
    for (size_t p = text.find(u"''"); p != std::u16string::npos; p = text.find(u"''", p + 1))
      text.erase(p, 1);
  }
  try {
    return ole_variant::from_wstring(text, type);
  } catch (const ole_type_exception&) {
    // A default the column's type cannot hold is left out.
    tk_trace_w(2, u"Default '%s' does not convert", text.c_str());
    return ole_variant();
  }
}
