#include "ORA/ora_lob_insert.h"

#include "ORA/ora_engine.h"
#include "ORA/ora_stmt.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"

ora_lob_insert::ora_lob_insert(const std::u16string& table, const udb_schema& fields,
                               const std::vector<ub1>& forms) {
  tk_trace(1, "ora_lob_insert::ctor");
  ora_engine& e = ora_engine::instance();
  for (size_t i = 0; i < fields.size(); ++i) {
    const t_ftd& f = fields[i];
    if (forms[i] == 0) continue;
    tk_trace_w(1, u"GOT LD %s", f.name().c_str());
    lob_field lf{i, f.name(), f.vartype(), forms[i]};
    lobs_.push_back(lf);
    e.check_alloc(e.oci().OCIDescriptorAlloc(
        e.env(), reinterpret_cast<void**>(&lobs_.back().locator), OCI_DTYPE_LOB, 0, nullptr));
  }
  head_ = u"SELECT ";
  for (size_t k = 0; k < lobs_.size(); ++k) {
    if (k != 0) head_ += u", ";
    head_ += u'"' + lobs_[k].name + u'"';
  }
  head_ += u" FROM \"" + table + u"\" WHERE ROWID='";
  table_ = table;
  tk_trace(1, "ora_lob_insert::ctor - at the END");
}

ora_lob_insert::~ora_lob_insert() {
  tk_trace(1, "ora_lob_insert::~ora_lob_insert");
  if (!ora_engine::exists()) return;
  for (lob_field& f : lobs_)
    if (f.locator != nullptr)
      ora_engine::instance().oci().OCIDescriptorFree(f.locator, OCI_DTYPE_LOB);
}

void ora_lob_insert::insert(const std::u16string& rowid, const udb_record& record) {
  tk_trace_w(1, u"ora_lob_insert::insert(%s)", rowid.c_str());
  if (lobs_.empty()) {
    tk_trace(2, "Record has no LOBs - skip it");
    return;
  }
  // A ROWID never holds an apostrophe; one that did could not be trusted.
  if (rowid.find(u'\'') != std::u16string::npos) throw tk_mail_assertion("ora_lob_insert", 54);
  sql_ = head_;
  sql_ += rowid;
  sql_ += u"' FOR UPDATE";
  tk_trace_w(3, u"Run SQL query: %s\n", sql_.c_str());
  ora_engine& e = ora_engine::instance();
  ora_stmt stmt;
  e.check_result(
      e.oci().OCIStmtPrepare(stmt, e.error(), reinterpret_cast<const OraText*>(sql_.data()),
                             static_cast<ub4>(sql_.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT));
  for (size_t k = 0; k < lobs_.size(); ++k) {
    lob_field& f = lobs_[k];
    // Define handles belong to the statement just prepared: one of an earlier
    // (freed) statement passed in would be taken for a redefinition.
    f.define = nullptr;
    e.check_result(e.oci().OCIDefineByPos(stmt, &f.define, e.error(), static_cast<ub4>(k + 1),
                                          &f.locator, -1, f.form == binary ? SQLT_BLOB : SQLT_CLOB,
                                          &indicator_, nullptr, nullptr, OCI_DEFAULT));
  }
  if (e.check_result(e.oci().OCIStmtExecute(e.service(), stmt, e.error(), 1, 0, nullptr, nullptr,
                                            OCI_DEFAULT)) == OCI_NO_DATA)
    throw tk_exception(u"The row just inserted into \"" + table_ + u"\" was not found by its ROWID",
                       1);
  for (const lob_field& f : lobs_) {
    if (f.form != binary)
      write_clob(f, record);
    else
      write_blob(f, record);
  }
  tk_trace(1, "ora_insert::insert - at the END");
}

void ora_lob_insert::write_clob(const lob_field& f, const udb_record& record) {
  tk_trace(1, "ora_lob_insert::write_clob");
  const udb_field& value = record[f.position];
  if (value.vartype() == VT_EMPTY || value.vartype() == VT_NULL)
    text_.clear();
  else
    value.write_wstring(text_);
  if (text_.empty()) {
    tk_trace(1, "Got empty CLOB - skip it");
    return;
  }
  tk_trace(1, "CLOB size=%d", static_cast<int>(text_.size()));
  tk_trace_w(1, u"CLOB data='%s'", text_.c_str());
  // The environment is UTF-16: the text goes as it is, counted in UTF-16
  // units, in the column's own character set form.
  ora_engine& e = ora_engine::instance();
  ub4 amount = static_cast<ub4>(text_.size());
  e.check_result(e.oci().OCILobWrite(e.service(), e.error(), f.locator, &amount, 1, text_.data(),
                                     static_cast<ub4>(text_.size() * 2), OCI_ONE_PIECE, nullptr,
                                     nullptr, 0, f.form));
  tk_trace(1, "Step #2");
}

void ora_lob_insert::write_blob(const lob_field& f, const udb_record& record) {
  tk_trace(1, "ora_lob_insert::write_blob");
  const uint8_t* data = nullptr;
  uint32_t size = record[f.position].get_bytes(&data);
  if (size == 0 || data == nullptr) {
    tk_trace(1, "Got empty BLOB - skip it");
    return;
  }
  tk_trace(1, "BLOB size=%d", static_cast<int>(size));
  if (size >= 4) tk_trace(1, "BLOB: %02X %02X %02X %02X...", data[0], data[1], data[2], data[3]);
  ora_engine& e = ora_engine::instance();
  ub4 amount = size;
  e.check_result(e.oci().OCILobWrite(e.service(), e.error(), f.locator, &amount, 1,
                                     const_cast<uint8_t*>(data), size, OCI_ONE_PIECE, nullptr,
                                     nullptr, 0, SQLCS_IMPLICIT));
  tk_trace(1, "ora_lob_insert::write_blob - at the end");
}
