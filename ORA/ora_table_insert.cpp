// Row insertion into an Oracle table: one INSERT of literals per record, then
// the large values through LOB locators.
#include "ORA/ora_engine.h"
#include "ORA/ora_get_rowid.h"
#include "ORA/ora_lob_insert.h"
#include "ORA/ora_sql.h"
#include "ORA/ora_table.h"
#include "ORA/ora_type_map.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

void ora_table::prepare_insert() {
  insert_head_ = u"INSERT /*+ APPEND */ INTO " + ora_quoted(name()) + u" VALUES(";
  lob_column_.assign(schema().size(), false);
  bool any = false;
  for (size_t i = 0; i < schema().size(); ++i) {
    // What the column is in Oracle decides, not what its type would become.
    const ub2 code = results_.column(i).code();
    lob_column_[i] = code == SQLT_CLOB || code == SQLT_BLOB;
    any = any || lob_column_[i];
  }
  if (any) lobs_ = std::make_unique<ora_lob_insert>(name(), schema(), lob_column_);
}

void ora_table::append_record(udb_record& record) {
  tk_trace(2, "ora_table::append_record");
  if (record.size() != schema().size()) throw tk_mail_assertion("ora_table", 27);
  if (insert_head_.empty()) prepare_insert();
  convert_record(record);
  sql_ = insert_head_;
  for (size_t i = 0; i < record.size(); ++i) {
    const udb_field& value = record[i];
    const t_ftd& field = schema()[i];
    if (i != 0) sql_ += u", ";
    const VARTYPE vt = value.vartype();
    const bool is_null = vt == VT_EMPTY || vt == VT_NULL;
    // A NULL large value stays NULL; only a present one gets a locator.
    if (lob_column_[i] && !is_null) {
      tk_trace(1, "Got LOB - put placeholder");
      sql_ += field.vartype() == VT_BSTR ? u"EMPTY_CLOB()" : u"EMPTY_BLOB()";
      continue;
    }
    if (!is_null) {
      value.write_wstring(text_);
      std::u16string literal = to_oracle_str(text_, vt);
      tk_trace_w(1, u"Got field #%d: '%s' (%d, %d)", static_cast<int>(i), literal.c_str(),
                 static_cast<int>(field.vartype()), static_cast<int>(field.size()));
      bool usable = !literal.empty() && literal != u"''" && literal != u"\"\"";
      if (usable && (field.vartype() == VT_R4 || field.vartype() == VT_R8)) {
        double d = value.to_double();
        if (d < -ora_number_limit || d > ora_number_limit) {
          tk_trace(1, "Number is out of range");
          std::u16string def = field.is_not_null() ? make_ora_def_val(&field) : std::u16string();
          if (!def.empty()) {
            sql_ += def;
            continue;
          }
          // Without a default the value is stored as NULL.
          usable = false;
        }
      }
      if (usable) {
        sql_ += literal;
        continue;
      }
    }
    if (field.is_not_null() && !indexes().is_idx_field(field.name(), false)) {
      tk_trace(1, "Put NULL-field");
      reset_not_null_flag(i);
    }
    sql_ += u"NULL";
  }
  std::u16string rowid = rowid_->do_insert(sql_);
  tk_trace_w(1, u"GOT ROWID(2): %s", rowid.c_str());
  if (lobs_) lobs_->insert(rowid, record);
  ++appended_;
  set_record_count(record_count() + 1);
  tk_trace(1, "ora_table::append_record - at the END");
}

void ora_table::reset_not_null_flag(size_t position) {
  tk_trace(2, "ora_table::reset_not_null_flag(%d)", static_cast<int>(position));
  if (position >= schema().size()) throw tk_mail_assertion("ora_table", 84);
  t_ftd& field = schema()[position];
  // The column keeps its own type: one derived from the type read back could
  // differ from it (a wider NUMBER, or a CLOB for a long VARCHAR2).
  std::u16string sql =
      u"ALTER TABLE " + ora_quoted(name()) + u" MODIFY " + ora_quoted(field.name());
  std::u16string def = make_ora_def_val(&field);
  tk_trace_w(1, u"got def value: %s", def.c_str());
  const ub2 code = results_.column(position).code();
  if (!def.empty() && code != SQLT_CLOB && code != SQLT_BLOB) sql += u" DEFAULT " + def;
  sql += u" NULL";
  tk_trace_w(3, u"Run SQL query: %s\n", sql.c_str());
  ora_execute(sql, OCI_COMMIT_ON_SUCCESS);
  field.set_not_null(false);
}
