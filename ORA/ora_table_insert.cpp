// Row insertion into an Oracle table: one INSERT of literals per record, then
// the large values through LOB locators.
#include <cmath>

#include "OLE/ole_type_exception.h"
#include "ORA/ora_bulk_insert.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_get_rowid.h"
#include "ORA/ora_lob.h"
#include "ORA/ora_lob_insert.h"
#include "ORA/ora_sql.h"
#include "ORA/ora_table.h"
#include "ORA/ora_type_map.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/udb_record_exception.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"

namespace {

// The longest text literal Oracle takes, in bytes of the database character
// set.
constexpr size_t ora_max_literal = 4000;

// The bytes a text takes in the database character set (AL32UTF8).
size_t utf8_bytes(std::u16string_view text) {
  size_t n = 0;
  for (char16_t c : text) n += c < 0x80 ? 1 : c < 0x800 ? 2 : (c >= 0xD800 && c < 0xE000) ? 2 : 3;
  return n;
}

// A text literal whose value Oracle refuses as too long (ORA-01704): its
// value, unquoted, goes in a bind instead. False for any other literal.
bool too_long_literal(const std::u16string& literal, std::u16string& value) {
  if (literal.size() * 3 <= ora_max_literal + 2 || literal.size() < 2 || literal.front() != u'\'' ||
      literal.back() != u'\'')
    return false;
  std::u16string_view inner(literal.data() + 1, literal.size() - 2);
  if (utf8_bytes(inner) <= ora_max_literal) return false;
  value.clear();
  for (size_t i = 0; i < inner.size(); ++i) {
    value += inner[i];
    if (inner[i] == u'\'' && i + 1 < inner.size() && inner[i + 1] == u'\'') ++i;
  }
  return utf8_bytes(value) > ora_max_literal;
}

}  // namespace

void ora_table::prepare_insert() {
  insert_head_ = u"INSERT /*+ APPEND */ INTO " + ora_quoted(name()) + u" VALUES(";
  // A row whose large values follow in its own transaction is inserted
  // conventionally: a direct-path row (APPEND on VALUES, Oracle 11.1) could
  // not be selected again before the commit (ORA-12838).
  lob_insert_head_ = u"INSERT INTO " + ora_quoted(name()) + u" VALUES(";
  lob_column_.assign(schema().size(), false);
  lob_form_.assign(schema().size(), 0);
  bound_.assign(schema().size(), std::u16string());
  bool any = false;
  for (size_t i = 0; i < schema().size(); ++i) {
    // What the column is in Oracle decides, not what its type would become.
    const ub2 code = results_.column(i).code();
    lob_column_[i] = code == SQLT_CLOB || code == SQLT_BLOB;
    if (code == SQLT_CLOB)
      lob_form_[i] = static_cast<const ora_lob&>(results_.column(i)).charset_form();
    if (code == SQLT_BLOB) lob_form_[i] = ora_lob_insert::binary;
    any = any || lob_column_[i];
  }
  if (any) lobs_ = std::make_unique<ora_lob_insert>(name(), schema(), lob_form_);
}

bool ora_table::is_key_column(const std::u16string& column) const {
  for (const udb_index& index : indexes()) {
    if (!index.is_unique() && !index.is_primary()) continue;
    for (const std::u16string& f : index.fields())
      if (f == column) return true;
  }
  return false;
}

void ora_table::set_batch(size_t rows, size_t bytes) {
  flush();
  batch_rows_ = rows == 0 ? 1 : rows;
  batch_bytes_ = bytes;
  if (bulk_) bulk_->set_limits(batch_rows_, batch_bytes_);
}

void ora_table::flush() {
  if (!bulk_ || bulk_->queued() == 0) return;
  std::vector<ora_bulk_insert::failure> failures;
  const size_t stored = bulk_->execute(failures);
  appended_ += static_cast<int>(stored);
  set_record_count(record_count() + static_cast<int32_t>(stored));
  for (ora_bulk_insert::failure& f : failures) add_failure(f.tag, std::move(f.error));
}

void ora_table::check_number(size_t position, const udb_field& value) {
  const t_ftd& field = schema()[position];
  if (field.vartype() != VT_R4 && field.vartype() != VT_R8) return;
  double d = value.to_double();
  if (!(d >= -ora_number_limit && d <= ora_number_limit) ||
      (d != 0.0 && std::fabs(d) < ora_number_min)) {
    // Oracle's NUMBER cannot hold it; a NULL or a default in its place
    // would change the data unseen.
    tk_trace(1, "Number is out of range");
    value.write_wstring(text_);
    throw udb_record_exception(tsl::text::format(
        "Column %s: the value %s is out of the range of Oracle's NUMBER",
        tsl::text::utf16_to_utf8(field.name()).c_str(), tsl::text::utf16_to_utf8(text_).c_str()));
  }
}

void ora_table::null_into(size_t position) {
  const t_ftd& field = schema()[position];
  if (!field.is_not_null()) return;
  if (is_key_column(field.name())) {
    // A key column keeps NOT NULL; an empty text is NULL in Oracle.
    throw udb_record_exception(
        tsl::text::format("Column %s belongs to a key and cannot take an empty or NULL value",
                          tsl::text::utf16_to_utf8(field.name()).c_str()));
  }
  tk_trace(1, "Put NULL-field");
  reset_not_null_flag(position);
}

void ora_table::append_record(udb_record& record) {
  tk_trace(2, "ora_table::append_record");
  if (record.size() != schema().size()) throw tk_mail_assertion("ora_table", 27);
  if (insert_head_.empty()) prepare_insert();
  try {
    convert_record(record);
  } catch (const ole_type_exception& e) {
    // A value the column cannot hold refuses its record, not the table.
    throw udb_record_exception(e.message());
  }
  if (batch_rows_ > 1 && queue_row(record)) return;
  // Records queued before this one go first, in order.
  flush();
  insert_row(record);
}

bool ora_table::queue_row(udb_record& record) {
  if (!bulk_) {
    std::vector<ora_bulk_insert::column> columns(schema().size());
    for (size_t i = 0; i < schema().size(); ++i) {
      ora_bulk_insert::kind how = ora_bulk_insert::kind::text;
      if (schema()[i].vartype() == VT_DATE) how = ora_bulk_insert::kind::date;
      if (lob_column_[i])
        how = lob_form_[i] == ora_lob_insert::binary ? ora_bulk_insert::kind::blob
                                                     : ora_bulk_insert::kind::clob;
      columns[i] = {schema()[i].name(), how, lob_form_[i]};
    }
    bulk_ = std::make_unique<ora_bulk_insert>(name(), std::move(columns));
    bulk_->set_limits(batch_rows_, batch_bytes_);
  }
  // A present but empty large value is an empty LOB, which a bound value
  // cannot say (Oracle takes an empty one for NULL); a value of another
  // type than its column's has no bound form. Such a record goes by itself.
  for (size_t i = 0; i < record.size(); ++i) {
    const udb_field& value = record[i];
    const VARTYPE vt = value.vartype();
    if (vt == VT_EMPTY || vt == VT_NULL) continue;
    if (lob_column_[i]) {
      if (lob_form_[i] == ora_lob_insert::binary) {
        const uint8_t* data = nullptr;
        if (value.get_bytes(&data) == 0) return false;
      } else {
        value.write_wstring(text_);
        if (text_.empty()) return false;
      }
    } else if ((vt == VT_DATE) != (schema()[i].vartype() == VT_DATE)) {
      return false;
    }
  }
  for (size_t i = 0; i < record.size(); ++i) {
    const udb_field& value = record[i];
    const VARTYPE vt = value.vartype();
    if (vt == VT_EMPTY || vt == VT_NULL) {
      null_into(i);
      bulk_->set_null(i);
      continue;
    }
    if (lob_column_[i]) {
      if (lob_form_[i] == ora_lob_insert::binary) {
        const uint8_t* data = nullptr;
        uint32_t size = value.get_bytes(&data);
        bulk_->bytes(i).assign(data, data + size);
      } else {
        value.write_wstring(bulk_->text(i));
      }
      continue;
    }
    value.write_wstring(text_);
    const char16_t* format = nullptr;
    if (!to_oracle_bind(text_, vt, bulk_->text(i), &format)) {
      null_into(i);
      bulk_->set_null(i);
      continue;
    }
    check_number(i, value);
    bulk_->set_format(i, format);
  }
  if (bulk_->queue(append_tag())) flush();
  return true;
}

void ora_table::insert_row(udb_record& record) {
  bool has_lob = false;
  for (size_t i = 0; i < record.size() && !has_lob; ++i) {
    const VARTYPE vt = record[i].vartype();
    has_lob = lob_column_[i] && vt != VT_EMPTY && vt != VT_NULL;
  }
  sql_ = has_lob ? lob_insert_head_ : insert_head_;
  binds_.clear();
  for (size_t i = 0; i < record.size(); ++i) {
    const udb_field& value = record[i];
    const t_ftd& field = schema()[i];
    if (i != 0) sql_ += u", ";
    const VARTYPE vt = value.vartype();
    const bool is_null = vt == VT_EMPTY || vt == VT_NULL;
    // A NULL large value stays NULL; only a present one gets a locator.
    if (lob_column_[i] && !is_null) {
      tk_trace(1, "Got LOB - put placeholder");
      sql_ += lob_form_[i] != ora_lob_insert::binary ? u"EMPTY_CLOB()" : u"EMPTY_BLOB()";
      continue;
    }
    if (!is_null) {
      value.write_wstring(text_);
      std::u16string literal = to_oracle_str(text_, vt);
      tk_trace_w(1, u"Got field #%d: '%s' (%d, %d)", static_cast<int>(i), literal.c_str(),
                 static_cast<int>(field.vartype()), static_cast<int>(field.size()));
      bool usable = !literal.empty() && literal != u"''" && literal != u"\"\"";
      if (usable) check_number(i, value);
      if (usable && too_long_literal(literal, bound_[i])) {
        tk_trace(1, "Text too long for a literal - bind it");
        sql_ += rowid_->value_name(binds_.size());
        binds_.push_back(&bound_[i]);
        continue;
      }
      if (usable) {
        sql_ += literal;
        continue;
      }
    }
    null_into(i);
    sql_ += u"NULL";
  }
  // A row with large values commits with them, so that no run (killed or
  // failing between) leaves the row without them; any other row commits at
  // once.
  std::u16string rowid = rowid_->do_insert(sql_, binds_, !has_lob);
  tk_trace_w(1, u"GOT ROWID(2): %s", rowid.c_str());
  if (has_lob) {
    ora_engine& e = ora_engine::instance();
    try {
      lobs_->insert(rowid, record);
      e.check_result(e.oci().OCITransCommit(e.service(), e.error(), OCI_DEFAULT));
    } catch (...) {
      // The row goes with its large values; the error that undid it goes on.
      sword undone = e.oci().OCITransRollback(e.service(), e.error(), OCI_DEFAULT);
      if (undone != OCI_SUCCESS) tk_trace(3, "Rollback failed: %d", undone);
      throw;
    }
  }
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
  // Rows queued before go in first: the change commits, and they were
  // made while the column still refused NULL.
  flush();
  tk_trace_w(3, u"Run SQL query: %s\n", sql.c_str());
  ora_execute(sql, OCI_COMMIT_ON_SUCCESS);
  field.set_not_null(false);
}
