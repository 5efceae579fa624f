#include "ORA/ora_table.h"
#include "ORA/ora_bulk_insert.h"

#include <map>

#include "OLE/ole_type_exception.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_get_rowid.h"
#include "ORA/ora_lob_insert.h"
#include "ORA/ora_sql.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_type_map.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

ora_table::ora_table(const std::u16string& name, int mode) : udb_recordset(name, true) {
  open(mode);
}

ora_table::ora_table(const std::u16string& name, const std::u16string& query, int mode)
    : udb_recordset(name, query, true) {
  open(mode);
}

ora_table::~ora_table() {
  // Only a table given up by an error is left with queued records; the error
  // was reported, the records were not stored.
  if (bulk_ && bulk_->queued() != 0)
    tk_trace_w(3, u"%d queued records of %s were not stored", static_cast<int>(bulk_->queued()),
               name().c_str());
}

void ora_table::open(int mode) {
  tk_trace_w(2, u"ora_table::ora_table(%s)", name().c_str());
  rowid_ = std::make_unique<ora_get_rowid>();
  init_schema();
  if (schema().empty()) {
    tk_trace(2, "Empty table");
    return;
  }
  // Keys are read for every table, whatever the mode: appending must know
  // them to keep NOT NULL on key columns.
  (void)mode;
  if (!is_query()) init_indexes();
  set_record_count(
      ora_engine::instance().get_records_cnt(is_query() ? query() : name(), is_query()));
  tk_trace(2, "Got %d records", record_count());
}

int ora_table::get_columns_cnt() {
  tk_trace(1, "ora_table::get_columns_cnt");
  return ora_count(u"SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE table_name = " +
                   ora_string_literal(name()));
}

void ora_table::init_schema() {
  tk_trace(2, "ora_table::init_schema");
  int n_columns = is_query() ? 0 : get_columns_cnt();
  tk_trace(1, "Got %d columns", n_columns);
  std::u16string text = is_query() ? query() : u"SELECT * FROM " + ora_quoted(name());
  tk_trace(1, "Right before extract DB structure");
  results_.initialize(n_columns, text);
  for (const auto& c : results_.columns()) schema().add(c->make_field());
  if (is_query()) return;

  ora_query_results q;
  q.initialize(n_columns,
               u"select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE from USER_TAB_COLUMNS "
               u"where table_name = " +
                   ora_string_literal(name()));
  int row = 0;
  while (row < n_columns && !q.is_eof()) {
    udb_record* r = q.get_item();
    if (r == nullptr) break;
    ++row;
    std::u16string column = (*r)[0].to_wstring();
    size_t at = 0;
    while (at < schema().size() && schema()[at].name() != column) ++at;
    if (at == schema().size()) {
      tk_trace(1, "Field not found in schema");
      continue;
    }
    t_ftd& f = schema()[at];
    std::u16string def = (*r)[1].to_wstring();
    std::u16string type = (*r)[2].to_wstring();
    if (!def.empty()) {
      tk_trace_w(1, u"Got default string: %s (eye=%d, type=%d)", def.c_str(), static_cast<int>(at),
                 static_cast<int>(f.vartype()));
      f.set_default_value(get_def_value(f.vartype(), def));
      tk_trace_w(1, u"Got default variant: %s", f.default_value().to_wstring().c_str());
    }
    if (type == u"NVARCHAR2" || type == u"NCHAR") {
      f.set_size(f.size() / 2);
      results_.column(at).set_length(f.size());
    }
  }
}

ole_variant ora_table::get_def_value(VARTYPE vt, const std::u16string& source) {
  tk_trace_w(1, u"ora_table::get_def_value(type=0x%08X, src=%s)", static_cast<unsigned>(vt),
             source.c_str());
  std::u16string text = tk_trim(source);
  bool quoted = false;
  if (text.size() >= 2 && text.front() == u'\'' && text.back() == u'\'') {
    tk_trace(1, "Removing quotes");
    text = text.substr(1, text.size() - 2);
    tk_trace_w(1, u"After removing quotes: %s", text.c_str());
    quoted = true;
  }
  if (vt == VT_BSTR && !quoted) {
    tk_trace(1, "Incorrect/empty/null default value for VT_BSTR");
    return ole_variant();
  }
  if (vt == VT_DATE) return ole_variant();
  std::u16string plain;
  plain.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    plain += text[i];
    if (text[i] == u'\'' && i + 1 < text.size() && text[i + 1] == u'\'') ++i;
  }
  try {
    return ole_variant::from_wstring(plain, vt);
  } catch (const tk_exception& e) {
    tk_trace(1, "Default not converted: %s", e.what());
    return ole_variant();
  }
}

void ora_table::init_indexes() {
  tk_trace(2, "ora_table::init_indexes");
  const std::u16string table = ora_string_literal(name());
  std::u16string key_name;
  {
    ora_query_results q;
    q.initialize(0,
                 u"SELECT a.constraint_name, a.column_name FROM user_cons_columns a, "
                 u"user_constraints b WHERE a.table_name=" +
                     table +
                     u" AND a.constraint_name=b.constraint_name AND b.constraint_type='P' ORDER "
                     u"BY a.constraint_name, a.position");
    udb_index key;
    while (!q.is_eof()) {
      udb_record* r = q.get_item();
      if (r == nullptr) break;
      key_name = (*r)[0].to_wstring();
      std::u16string column = (*r)[1].to_wstring();
      tk_trace_w(1, u"Got primary key '%s'", key_name.c_str());
      if (!schema().find_field(column)) {
        tk_trace_w(1, u"PK field '%s' not found - skip it", column.c_str());
        continue;
      }
      key.add_field(column);
    }
    if (!key_name.empty()) {
      key.set_name(key_name);
      key.set_unique(true);
      key.set_primary(true);
      add_index(key);
    }
  }
  {
    std::u16string sql =
        u"SELECT user_indexes.index_name, user_indexes.uniqueness, user_ind_columns.column_name "
        u"FROM user_ind_columns, user_indexes where user_ind_columns.table_name = " +
        table;
    if (ora_engine::instance().get_version() >= 0x80000) sql += u" AND user_indexes.generated='N'";
    sql +=
        u" AND user_ind_columns.index_name = user_indexes.index_name AND "
        u"user_ind_columns.table_name = user_indexes.table_name ORDER BY user_indexes.index_name, "
        u"user_ind_columns.column_position";
    ora_query_results q;
    q.initialize(0, sql);
    std::vector<udb_index> found;
    while (!q.is_eof()) {
      udb_record* r = q.get_item();
      if (r == nullptr) break;
      std::u16string index_name = (*r)[0].to_wstring();
      std::u16string column = (*r)[2].to_wstring();
      if (found.empty() || found.back().name() != index_name) {
        bool unique = (*r)[1].to_wstring() == u"UNIQUE";
        tk_trace_w(1, u"Got index '%s' (unique=%d)", index_name.c_str(), unique ? 1 : 0);
        found.emplace_back(index_name, unique, false, std::vector<std::u16string>());
      }
      if (!schema().find_field(column)) {
        tk_trace_w(1, u"Index field '%s' not found - skip it", column.c_str());
        continue;
      }
      found.back().add_field(column);
    }
    for (const udb_index& i : found) {
      if (i.name() == key_name) {
        tk_trace(1, "Skip Primary Key DoubleInitialization");
        continue;
      }
      add_index(i);
    }
  }
  if (key_name.empty()) return;
  const std::u16string key = ora_string_literal(key_name);
  if (ora_count(u"select count(*) from USER_CONSTRAINTS where R_CONSTRAINT_NAME=" + key +
                u" and CONSTRAINT_TYPE='R'") == 0) {
    tk_trace(1, "No foreign keys found");
    return;
  }
  ora_query_results q;
  q.initialize(0,
               u"select a.TABLE_NAME,a.CONSTRAINT_NAME,a.DELETE_RULE,b.COLUMN_NAME FROM "
               u"USER_CONSTRAINTS a, USER_CONS_COLUMNS b WHERE a.CONSTRAINT_NAME=b.CONSTRAINT_NAME "
               u"and a.CONSTRAINT_TYPE='R' and a.R_CONSTRAINT_NAME=" +
                   key);
  const udb_index* pk = nullptr;
  for (const udb_index& i : indexes())
    if (i.is_primary()) pk = &i;
  struct fk {
    std::u16string table, rule;
    std::vector<std::u16string> columns;
  };
  std::vector<std::pair<std::u16string, fk>> keys;
  while (!q.is_eof()) {
    udb_record* r = q.get_item();
    if (r == nullptr) break;
    std::u16string child = (*r)[0].to_wstring(), cname = (*r)[1].to_wstring(),
                   rule = (*r)[2].to_wstring(), column = (*r)[3].to_wstring();
    tk_trace_w(1, u"GOT FK: %s,%s,%s,%s", child.c_str(), cname.c_str(), rule.c_str(),
               column.c_str());
    auto it = keys.begin();
    while (it != keys.end() && it->first != cname) ++it;
    if (it == keys.end()) {
      keys.push_back({cname, fk{child, u"ON DELETE " + rule, {}}});
      it = keys.end() - 1;
    }
    it->second.columns.push_back(column);
  }
  for (auto& [cname, k] : keys) {
    std::vector<std::u16string> referenced =
        pk != nullptr ? pk->fields() : std::vector<std::u16string>();
    relationships_.add(
        udb_relationship(cname, u"", k.table, name(), k.columns, referenced, k.rule));
  }
}

udb_record* ora_table::get_item() {
  return results_.get_item();
}

bool ora_table::is_eof() {
  tk_trace(1, "ora_table::is_eof(%d,%d)", position_, record_count());
  if (!results_.initialized()) throw tk_mail_assertion("ora_table", 229);
  if (position_ >= record_count()) return true;
  tk_trace(1, "Step #1");
  bool end = results_.is_eof();
  tk_trace(1, "Step #2");
  return end;
}

void ora_table::next() {
  tk_trace(1, "ora_table::next");
  ++position_;
}
