#include "ORA/ora_sql.h"

#include "ORA/ora_engine.h"
#include "ORA/ora_stmt.h"
#include "TK/tk_exception.h"

std::u16string ora_quoted(const std::u16string& name) {
  std::u16string out;
  out.reserve(name.size() + 2);
  out += u'"';
  out += name;
  out += u'"';
  return out;
}

std::u16string ora_string_literal(const std::u16string& text) {
  std::u16string out;
  out.reserve(text.size() + 2);
  out += u'\'';
  for (char16_t c : text) {
    out += c;
    if (c == u'\'') out += u'\'';
  }
  out += u'\'';
  return out;
}

sword ora_execute(const std::u16string& sql, ub4 mode) {
  ora_engine& e = ora_engine::instance();
  ora_stmt stmt;
  e.check_result(
      e.oci().OCIStmtPrepare(stmt, e.error(), reinterpret_cast<const OraText*>(sql.data()),
                             static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT));
  return e.check_result(
      e.oci().OCIStmtExecute(e.service(), stmt, e.error(), 1, 0, nullptr, nullptr, mode));
}

int ora_count(const std::u16string& sql) {
  ora_engine& e = ora_engine::instance();
  ora_stmt stmt;
  int32_t count = 0;
  OCIDefine* def = nullptr;
  e.check_result(
      e.oci().OCIStmtPrepare(stmt, e.error(), reinterpret_cast<const OraText*>(sql.data()),
                             static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT));
  e.check_result(e.oci().OCIDefineByPos(stmt, &def, e.error(), 1, &count, 4, SQLT_INT, nullptr,
                                        nullptr, nullptr, OCI_DEFAULT));
  if (e.check_result(e.oci().OCIStmtExecute(e.service(), stmt, e.error(), 1, 0, nullptr, nullptr,
                                            OCI_DEFAULT)) == OCI_NO_DATA)
    throw tk_mail_assertion("ora_sql", 50);
  return count;
}
