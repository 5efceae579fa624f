#include "ORA/ora_get_rowid.h"

#include "ORA/ora_engine.h"
#include "TK/tk_trace.h"

ora_get_rowid::ora_get_rowid() {
  tk_trace(2, "ora_get_rowid::ctor");
}

ora_get_rowid::~ora_get_rowid() {
  tk_trace(2, "ora_get_rowid::dtor");
}

sb4 ora_get_rowid::cbf_no_data(void*, OCIBind*, ub4, ub4, void** buffer, ub4* length, ub1* piece,
                               void** indicator) {
  tk_trace(1, "ora_get_rowid::cbf_no_data");
  *buffer = nullptr;
  *length = 0;
  *indicator = nullptr;
  *piece = OCI_ONE_PIECE;
  return OCI_CONTINUE;
}

sb4 ora_get_rowid::cbf_get_data(void* context, OCIBind*, ub4 iter, ub4, void** buffer, ub4** length,
                                ub1* piece, void** indicator, ub2** rcode) {
  tk_trace(1, "ora_get_rowid::cbf_get_data (iter=%d)", static_cast<int>(iter));
  auto* self = static_cast<ora_get_rowid*>(context);
  self->length_ = sizeof self->buffer_;
  *buffer = self->buffer_;
  *length = &self->length_;
  *piece = OCI_ONE_PIECE;
  *indicator = nullptr;
  *rcode = nullptr;
  return OCI_CONTINUE;
}

std::u16string ora_get_rowid::do_insert(std::u16string& sql) {
  tk_trace(1, "ora_get_rowid::do_insert");
  sql += u") RETURNING ROWID INTO :1";
  tk_trace_w(3, u"Run SQL query: %s\n", sql.c_str());
  ora_engine& e = ora_engine::instance();
  const auto& oci = e.oci();
  buffer_[0] = u'\0';
  e.check_result(oci.OCIStmtPrepare(stmt_, e.error(), reinterpret_cast<const OraText*>(sql.data()),
                                    static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT));
  static const char16_t placeholder[] = u":1";
  e.check_result(oci.OCIBindByName(
      stmt_, &bind_, e.error(), reinterpret_cast<const OraText*>(placeholder), 4, buffer_,
      sizeof buffer_, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC));
  e.check_result(oci.OCIBindDynamic(bind_, e.error(), this, &cbf_no_data, this, &cbf_get_data));
  e.check_result(oci.OCIStmtExecute(e.service(), stmt_, e.error(), 1, 0, nullptr, nullptr,
                                    OCI_COMMIT_ON_SUCCESS));
  size_t n = 0;
  const size_t max = sizeof buffer_ / 2;
  const size_t returned = length_ / 2 < max ? length_ / 2 : max;
  while (n < returned && buffer_[n] != u'\0') ++n;
  std::u16string rowid(buffer_, n);
  tk_trace_w(1, u"GOT ROWID(1): %s", rowid.c_str());
  return rowid;
}
