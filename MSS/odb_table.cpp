#include "MSS/odb_table.h"

#include <algorithm>

#include "MSS/mss_select_check.h"
#include "MSS/mss_split_tab_name.h"
#include "MSS/odb_command.h"
#include "MSS/odb_exception.h"
#include "MSS/odb_meta_data.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {

constexpr uint32_t kNoTable = 0x0E37;  // DB_E_NOTABLE

[[noreturn]] void fail(HRESULT hr) {
  tk_trace(2, "Error code: %08X", static_cast<unsigned>(hr));
  throw odb_exception(hr);
}

// The clause Oracle needs for a source DELETE_RULE; Oracle has no SET
// DEFAULT, and NO ACTION is its default.
std::u16string oracle_delete_rule(const std::u16string& rule) {
  if (rule == u"CASCADE") return u"ON DELETE CASCADE";
  if (rule == u"SET NULL") return u"ON DELETE SET NULL";
  return std::u16string();
}

std::u16string text_at(const udb_record& r, size_t ordinal) {
  return odb_record::column(r, ordinal).to_wstring();
}

// The C library's reading of a count: leading blanks, then digits up to the
// first other character; 0 when there are none.
int32_t parse_count(const std::u16string& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\n' || s[i] == u'\r')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
  int64_t n = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
    n = n * 10 + (s[i] - u'0');
    if (n > INT32_MAX) n = INT32_MAX;
  }
  return static_cast<int32_t>(negative ? -n : n);
}

}  // namespace

odb_table::odb_table(const std::u16string& name, IOpenRowset* session, int32_t mode,
                     udb_relationships* relationships)
    : odb_recordset(name, std::u16string()),
      session_(session),
      mode_(mode),
      relationships_(relationships) {
  open();
}

odb_table::odb_table(const std::u16string& name, const std::u16string& query, IOpenRowset* session,
                     int32_t mode)
    : odb_recordset(name, mss_select_check(query)), session_(session), mode_(mode) {
  open();
}

void odb_table::open() {
  tk_trace_w(2, u"odb_table::odb_table(%s)", name().c_str());
  if (!session_) throw tk_mail_assertion("odb_tab", 60);
  try {
    internal_initialize();
  } catch (const odb_exception& e) {
    if ((e.system_error() & 0xFFFF) != kNoTable || is_query()) throw;
    tk_trace(2, "Got table_not_exists error");
    std::u16string table, owner;
    if (mss_split_tab_name(name(), table, owner)) {
      set_name(u"[dbo].[" + table + u"]");
      internal_initialize();
      tk_trace_w(2, u"Creating %s", name().c_str());
    }
  }
  set_record_count(get_records_cnt());
  tk_trace(2, "Got %d records", record_count());
}

void odb_table::internal_initialize() {
  tk_trace(2, "odb_table::internal_initialize");
  ole_ptr<IRowset> rowset;
  if (is_query()) {
    odb_command cmd(session_.get());
    cmd.execute(mss_select_wrapped(query()), &rowset);
  } else {
    if (mode_ & kReadOnly) tk_trace(2, "Open rowset in read_only mode");
    std::u16string id_name = name();
    DBID id{};
    id.eKind = DBKIND_NAME;
    id.uName.pwszName = id_name.data();
    HRESULT hr = session_->OpenRowset(nullptr, &id, nullptr, IID_IRowset, 0, nullptr,
                                      reinterpret_cast<IUnknown**>(rowset.put()));
    if (FAILED(hr)) fail(hr);
  }
  attach(rowset.get());
}

bool odb_table::is_eof() {
  // The count taken at opening ends the table; a batch that comes back empty
  // before it (rows deleted meanwhile) ends it too.
  return rows_advanced() >= record_count() || odb_recordset::is_eof();
}

int32_t odb_table::get_records_cnt() {
  tk_trace(2, "odb_table::get_records_cnt");
  std::u16string sql = is_query() ? u"SELECT COUNT(*) FROM (" + query() + u") as query"
                                  : u"SELECT COUNT(*) FROM " + name();
  odb_command cmd(session_.get());
  ole_ptr<IRowset> rowset;
  cmd.execute(sql, &rowset);
  odb_recordset result(rowset.get());
  result.reset();
  return parse_count(text_at(*result.get_item(), 1));
}

void odb_table::init_indexes(const std::u16string& table, const std::u16string& owner) {
  tk_trace_w(2, u"odb_table::init_indexes(%s,%s)", table.c_str(), owner.c_str());
  {
    odb_pk_meta_data pk(session_.get(), table, owner);
    udb_index key;
    bool found = false;
    for (pk.reset(); !pk.is_eof(); pk.next()) {
      const udb_record& r = *pk.get_item();
      std::u16string pk_name = text_at(r, 8);
      if (!found) {
        key.set_name(pk_name);
        key.set_unique(true);
        key.set_primary(true);
        found = true;
        tk_trace_w(2, u"Got pr.key: %s", pk_name.c_str());
      } else if (pk_name != key.name()) {
        throw tk_mail_assertion("mss_tab", 157);
      }
      key.add_field(text_at(r, 4));
    }
    if (found) add_index(key);
  }
  if (relationships_) {
    odb_fk_meta_data fk(session_.get(), table, owner);
    for (fk.reset(); !fk.is_eof(); fk.next()) {
      const udb_record& r = *fk.get_item();
      std::u16string fk_name = text_at(r, 17);
      if (!relationships_->is_acceptable_name(fk_name)) {
        udb_relationship& known = relationships_->get_index(fk_name);
        std::u16string field = text_at(r, 10);
        // The same table opened twice must not list its key's columns twice.
        if (std::find(known.fields().begin(), known.fields().end(), field) == known.fields().end())
          known.add_fields(std::move(field), text_at(r, 4));
      } else {
        tk_trace_w(2, u"GOT FOREIGN KEY: %s", fk_name.c_str());
        relationships_->add(udb_relationship(fk_name, text_at(r, 16), text_at(r, 9), text_at(r, 3),
                                             {text_at(r, 10)}, {text_at(r, 4)},
                                             oracle_delete_rule(text_at(r, 15))));
      }
    }
  }
  {
    odb_id_meta_data id(session_.get(), table, owner);
    for (id.reset(); !id.is_eof(); id.next()) {
      const udb_record& r = *id.get_item();
      std::u16string index_name = text_at(r, 6);
      std::u16string column = text_at(r, 18);
      const bool primary = odb_record::column(r, 7).to_bool();
      const bool unique = odb_record::column(r, 8).to_bool();
      if (indexes().is_acceptable_name(index_name)) {
        tk_trace_w(2, u"Got index: %s", index_name.c_str());
        add_index(udb_index(index_name, unique, primary, {column}));
      } else if (!indexes().get_index(index_name).is_primary()) {
        indexes().get_index(index_name).add_field(column);
      } else {
        tk_trace(2, "Skip Primary Key DoubleInitialization");
      }
    }
  }
}
