#include "ORA/ora_database.h"

#include <vector>

#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_indexes_initializer.h"
#include "ORA/ora_query_results.h"
#include "ORA/ora_schema_initializer.h"
#include "ORA/ora_sql.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_validator.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "platform/text/wide_ctype.h"

namespace {

// `digits` + 1 for a non-negative integer text; empty for anything else.
std::u16string plus_one(const std::u16string& digits) {
  if (digits.empty()) return std::u16string();
  for (char16_t c : digits)
    if (c < u'0' || c > u'9') return std::u16string();
  std::u16string out = digits;
  size_t i = out.size();
  while (i > 0) {
    --i;
    if (out[i] != u'9') {
      ++out[i];
      return out;
    }
    out[i] = u'0';
  }
  return u"1" + out;
}

// The sequence of an identity trigger's body, "select S.nextval into ...",
// with S quoted as it was created or bare (folded to upper case); empty when
// the body is not of that form.
std::u16string body_sequence(const std::u16string& body) {
  std::u16string upper = tsl::text::to_upper(body);
  size_t select = upper.find(u"SELECT ");
  size_t next = upper.find(u".NEXTVAL", select);
  if (select == std::u16string::npos || next == std::u16string::npos) return std::u16string();
  std::u16string name = tk_trim(body.substr(select + 7, next - select - 7));
  if (name.size() >= 2 && name.front() == u'"' && name.back() == u'"')
    return name.substr(1, name.size() - 2);
  for (char16_t c : name)
    if (!tsl::text::is_alnum(c) && c != u'_' && c != u'$' && c != u'#') return std::u16string();
  return tsl::text::to_upper(name);
}

std::vector<std::u16string> first_column(const std::u16string& sql) {
  std::vector<std::u16string> out;
  ora_query_results q;
  q.initialize(0, sql);
  while (!q.is_eof()) {
    udb_record* r = q.get_item();
    if (r == nullptr) break;
    out.push_back((*r)[0].to_wstring());
  }
  return out;
}

constexpr int kNoSuchSequence = 2289;

}  // namespace

std::unique_ptr<ora_database> ora_open_db(const std::u16string& database,
                                          const std::u16string& user,
                                          const std::u16string& password) {
  ora_engine& e = ora_engine::instance();
  e.logon(database, user, password);
  return std::make_unique<ora_database>(e.database());
}

std::unique_ptr<ora_database> ora_open_db(const std::u16string& host, const std::u16string& user,
                                          const std::u16string& password,
                                          const std::u16string& port) {
  ora_engine& e = ora_engine::instance();
  e.logon(host, user, password, port);
  return std::make_unique<ora_database>(e.database());
}

ora_database::ora_database(const std::u16string& name, bool upper_case)
    : udb_database(name, 1, true), upper_case_(upper_case) {
  tk_trace_w(2, u"ora_database::ctor(%s)", name.c_str());
  ora_engine& e = ora_engine::instance();
  std::u16string sql =
      e.get_version() < 0x80000
          ? u"select TABLE_NAME from user_tables"
          : u"select TABLE_NAME, IOT_TYPE from user_tables where TEMPORARY='N' and NESTED='NO' "
            u"and IOT_TYPE IS NULL OR IOT_TYPE='IOT'";
  ora_stmt stmt;
  char16_t buffer[256] = {};
  OCIDefine* def = nullptr;
  e.check_result(
      e.oci().OCIStmtPrepare(stmt, e.error(), reinterpret_cast<const OraText*>(sql.data()),
                             static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT));
  e.check_result(e.oci().OCIDefineByPos(stmt, &def, e.error(), 1, buffer, sizeof buffer, SQLT_STR,
                                        nullptr, nullptr, nullptr, OCI_DEFAULT));
  sword status = e.check_result(
      e.oci().OCIStmtExecute(e.service(), stmt, e.error(), 1, 0, nullptr, nullptr, OCI_DEFAULT));
  while (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) {
    tk_trace_w(1, u"Find table '%s'", buffer);
    add_table_name(buffer);
    status = e.check_result(e.oci().OCIStmtFetch(stmt, e.error(), 1, OCI_FETCH_NEXT, OCI_DEFAULT));
  }
  tk_trace(2, "Tables count: %d", static_cast<int>(table_names().size()));
}

ora_database::~ora_database() = default;

sword ora_database::run(const std::u16string& sql) {
  tk_trace_w(2, u"ora_database::query(%s)", sql.c_str());
  return ora_execute(sql, OCI_DEFAULT);
}

std::unique_ptr<udb_recordset> ora_database::query(const std::u16string& sql) {
  run(sql);
  return nullptr;
}

bool ora_database::test_query(const std::u16string& sql) {
  tk_trace_w(2, u"ora_database::test_query(%s)", sql.c_str());
  ora_engine& e = ora_engine::instance();
  ora_stmt stmt;
  e.check_result(
      e.oci().OCIStmtPrepare(stmt, e.error(), reinterpret_cast<const OraText*>(sql.data()),
                             static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT));
  sword status = e.check_result(e.oci().OCIStmtExecute(e.service(), stmt, e.error(), 1, 0, nullptr,
                                                       nullptr, OCI_DESCRIBE_ONLY));
  return status != OCI_ERROR;
}

std::unique_ptr<udb_recordset> ora_database::get_table(const std::u16string& name, int32_t mode) {
  tk_trace_w(2, u"ora_database::get_table(%s)", name.c_str());
  if (!is_table_exist(name)) throw tk_mail_assertion("ora_database", 96);
  return std::make_unique<ora_table>(name, mode);
}

std::unique_ptr<udb_recordset> ora_database::get_table(const std::u16string& name,
                                                       const std::u16string& sql, int32_t mode) {
  tk_trace_w(2, u"ora_database::get_table(%s)", name.c_str());
  return std::make_unique<ora_table>(name, sql, mode);
}

bool ora_database::delete_tab(const std::u16string& name) {
  tk_trace_w(2, u"ora_database::delete_tab(%s)", name.c_str());
  if (!is_table_exist(name)) throw tk_mail_assertion("ora_database", 109);
  const std::vector<std::u16string> sequences = identity_sequences(name);
  const std::u16string literal = ora_string_literal(name);
  std::vector<std::u16string> keys =
      first_column(u"SELECT index_name FROM user_indexes WHERE table_name = " + literal);
  for (std::u16string& k : first_column(u"SELECT constraint_name FROM user_constraints WHERE "
                                        u"table_name = " + literal))
    keys.push_back(std::move(k));
  ora_execute(u"DROP TABLE " + ora_quoted(name) + u" CASCADE CONSTRAINTS", OCI_DEFAULT);
  // Left behind, the sequence would push the next run's onto another name.
  for (const std::u16string& sequence : sequences) {
    try {
      run(u"DROP SEQUENCE " + ora_quoted(sequence));
    } catch (const ora_exception& e) {
      if (e.ora_number() != kNoSuchSequence) throw;
    }
  }
  if (ora_in_validator* v = ora_in_validator::peek())
    for (const std::u16string& k : keys) v->forget(k);
  identities_.erase(name);
  return udb_database::delete_tab(name);
}

std::vector<std::u16string> ora_database::identity_sequences(const std::u16string& table) {
  std::vector<std::u16string> out;
  ora_query_results q;
  q.initialize(0, u"SELECT trigger_name, trigger_body FROM user_triggers WHERE table_name = " +
                      ora_string_literal(table));
  while (!q.is_eof()) {
    udb_record* r = q.get_item();
    if (r == nullptr) break;
    const std::u16string trigger = (*r)[0].to_wstring();
    const std::u16string sequence = body_sequence((*r)[1].to_wstring());
    if (sequence.empty()) continue;
    if (tsl::text::equal_nocase(trigger, table + u"__TRIGGER") || trigger == sequence)
      out.push_back(sequence);
  }
  return out;
}

bool ora_database::is_reserved(const std::u16string& name) const {
  for (const std::u16string& r : reserved_)
    if (r == name) return true;
  return false;
}

std::unique_ptr<udb_recordset> ora_database::create_table(const std::u16string& name,
                                                          const udb_schema& fields,
                                                          const udb_indexes& indexes) {
  tk_trace_w(2, u"ora_database::create_table(%s)", name.c_str());
  if (is_table_exist(name)) throw tk_mail_assertion("ora_database", 120);
  ora_schema_initializer schema(name, fields, indexes, upper_case_);
  schema.set_release(release());
  schema.get_init_str(*this);
  for (const std::string& w : schema.warnings()) warnings_.push_back(w);
  if (!indexes.empty()) {
    ora_indexes_initializer keys(name, schema.fields(), indexes, schema.names(), release());
    keys.build_indexes();
  }
  add_table_name(name);
  names_map().add_fn_map(name, schema.names());
  if (!schema.sequence().empty())
    identities_[name] = identity{schema.identity_column(), schema.sequence()};
  // With its keys: a NULL must never reach a key column.
  return get_table(name, ora_table::kWithIndexes);
}

int ora_database::release() {
  if (release_ < 0) release_ = ora_engine::instance().get_version();
  return release_;
}

std::vector<std::string> ora_database::take_warnings() {
  std::vector<std::string> out;
  out.swap(warnings_);
  return out;
}

std::u16string ora_database::sequence_options(const std::u16string& start) {
  return u" INCREMENT BY 1 START WITH " + start +
         u" MAXVALUE 1.0E28 MINVALUE 1 NOCYCLE NOCACHE ORDER";
}

void ora_database::create_identity_trigger(const std::u16string& table,
                                           const std::u16string& column,
                                           const std::u16string& sequence) {
  const std::u16string sql = identity_trigger_text(table, column, sequence);
  try {
    // A trigger that does not compile is created with a warning.
    if (run(sql) == OCI_SUCCESS_WITH_INFO)
      tk_trace_w(2, u"Error while creating index for trigger:\n%s\n", u"trigger created invalid");
  } catch (const ora_exception& e) {
    tk_trace(2, "Error while creating index for trigger:\n%s\n", e.what());
  }
}

std::u16string ora_database::identity_trigger_text(const std::u16string& table,
                                                   const std::u16string& column,
                                                   const std::u16string& sequence) {
  // Names are quoted as they were created; a table name too long for the
  // usual trigger name lends the trigger its sequence's name, which is
  // unique and fits.
  std::u16string trigger = table + u"__TRIGGER";
  if (ora_validator::bytes_of(trigger) > ora_validator::max_name) trigger = sequence;
  return u"CREATE OR REPLACE TRIGGER " + ora_quoted(trigger) + u" BEFORE INSERT ON " +
         ora_quoted(table) + u" FOR EACH ROW WHEN (new." + ora_quoted(column) +
         u" IS NULL) BEGIN select " + ora_quoted(sequence) + u".nextval into :new." +
         ora_quoted(column) + u" from dual; END;";
}

void ora_database::continue_identity(const std::u16string& table) {
  tk_trace_w(2, u"ora_database::continue_identity(%s)", table.c_str());
  auto it = identities_.find(table);
  if (it == identities_.end()) return;
  const identity& id = it->second;
  ora_query_results q;
  q.initialize(0, u"SELECT TO_CHAR(MAX(" + ora_quoted(id.column) + u")) FROM " + ora_quoted(table));
  if (q.is_eof()) return;
  udb_record* r = q.get_item();
  if (r == nullptr) return;
  std::u16string next = plus_one((*r)[0].to_wstring());
  if (next.empty()) return;
  run(u"DROP SEQUENCE " + ora_quoted(id.sequence));
  run(u"CREATE SEQUENCE " + ora_quoted(id.sequence) + sequence_options(next));
  // The trigger compiles again against the new sequence.
  create_identity_trigger(table, id.column, id.sequence);
}

std::u16string ora_database::get_tn_mapped_name_ex(const std::u16string& table) {
  tk_trace_w(2, u"ora_database::get_tn_mapped_name_ex(%s)", table.c_str());
  if (upper_case_) return names_map().get_tn_mapped_name(tk_wstring::to_upper(table), false);
  std::u16string exact = names_map().get_tn_mapped_name(table, true);
  if (is_table_exist(exact)) return exact;
  tk_trace_w(1, u"Cannot find table %s", exact.c_str());
  tk_trace(1, "Try to search case insensitive...");
  return names_map().get_tn_mapped_name(table, false);
}

std::u16string ora_database::get_fn_mapped_name_ex(const std::u16string& table,
                                                   const std::u16string& field) {
  tk_trace_w(2, u"ora_database::get_fn_mapped_name_ex(%s)", field.c_str());
  if (upper_case_)
    return names_map().get_fn_mapped_name(tk_wstring::to_upper(table), tk_wstring::to_upper(field),
                                          false);
  return names_map().get_fn_mapped_name(table, field, true);
}

void ora_database::create_fk_index_if(const std::u16string& parent,
                                      const std::vector<std::u16string>& columns) {
  tk_trace_w(2, u"ora_database::create_fk_index_if(%s)", parent.c_str());
  std::unique_ptr<udb_recordset> table = get_table(parent, ora_table::kWithIndexes);
  if (!table) return;
  std::vector<std::u16string> mapped;
  for (const std::u16string& c : columns) mapped.push_back(get_fn_mapped_name_ex(parent, c));
  if (table->indexes().has_index_on_fields(mapped, true)) {
    tk_trace_w(2, u"FK index for table '%s' exists", parent.c_str());
    return;
  }
  ora_in_validator& v = ora_in_validator::instance();
  std::u16string name = parent + u"_UI";
  if (!v.is_acceptable(name)) name = v.get_safe_name(name);
  v.add_used(name);
  v.add_restricted(name);
  std::u16string sql =
      u"ALTER TABLE " + ora_quoted(parent) + u" ADD CONSTRAINT " + ora_quoted(name) + u" UNIQUE(";
  for (size_t i = 0; i < mapped.size(); ++i) {
    if (i != 0) sql += u", ";
    sql += ora_quoted(mapped[i]);
  }
  sql += u")";
  try {
    run(sql);
  } catch (const ora_exception& e) {
    tk_trace(2, "Error while creating index for FK:\n%s\n", e.what());
  }
  tk_trace_w(2, u"FK index for table '%s' has been created", parent.c_str());
}

std::u16string ora_database::foreign_key_text(const std::u16string& child,
                                              const std::vector<std::u16string>& columns,
                                              const std::u16string& parent,
                                              const std::vector<std::u16string>& referenced,
                                              const std::u16string& delete_rule) {
  std::u16string sql = u"ALTER TABLE " + ora_quoted(child) + u" ADD FOREIGN KEY (";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i != 0) sql += u", ";
    sql += ora_quoted(columns[i]);
  }
  sql += u") REFERENCES " + ora_quoted(parent) + u"(";
  for (size_t i = 0; i < referenced.size(); ++i) {
    if (i != 0) sql += u", ";
    sql += ora_quoted(referenced[i]);
  }
  sql += u")";
  std::u16string rule = tk_trim(delete_rule);
  if (tsl::text::equal_nocase(rule, u"ON DELETE SET NULL") ||
      tsl::text::equal_nocase(rule, u"ON DELETE CASCADE"))
    sql += u" " + delete_rule;
  return sql;
}

void ora_database::create_relationships(const udb_relationships& relationships) {
  tk_trace(2, "ora_database::create_relationships");
  tk_trace(3, "Converting foreign keys");
  if (mode() == kAppend) {
    tk_trace(3, "Foreign Keys are not converted in append mode");
    return;
  }
  for (const udb_relationship& r : relationships) {
    tk_trace_w(3, u"Processing '%s'", r.name().c_str());
    std::u16string parent = get_tn_mapped_name_ex(r.referenced_table());
    if (!is_table_exist(parent)) {
      tk_trace_w(1, u"Table '%s' does not exist", parent.c_str());
      continue;
    }
    std::u16string child = get_tn_mapped_name_ex(r.table());
    if (!is_table_exist(child)) {
      tk_trace_w(1, u"Table '%s' does not exist", child.c_str());
      continue;
    }
    create_fk_index_if(parent, r.referenced_fields());
    std::vector<std::u16string> columns, referenced;
    for (const std::u16string& f : r.fields()) columns.push_back(get_fn_mapped_name_ex(child, f));
    for (const std::u16string& f : r.referenced_fields())
      referenced.push_back(get_fn_mapped_name_ex(parent, f));
    const std::u16string sql =
        foreign_key_text(child, columns, parent, referenced, r.delete_rule());
    try {
      run(sql);
    } catch (const ora_exception& e) {
      if (!fk_error_) throw;
      fk_error_(e, u"Foreign key '" + (r.name().empty() ? parent : r.name()) + u"'");
    }
  }
}
