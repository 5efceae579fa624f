#include "ORA/ora_get_rowid.h"

#include <algorithm>
#include <iterator>

#include "ORA/ora_engine.h"
#include "TK/tk_trace.h"
#include "platform/text/utf.h"

ora_get_rowid::ora_get_rowid() {
  tk_trace(2, "ora_get_rowid::ctor");
}

ora_get_rowid::~ora_get_rowid() {
  tk_trace(2, "ora_get_rowid::dtor");
}

sb4 ora_get_rowid::cbf_no_data(void* context, OCIBind*, ub4, ub4, void** buffer, ub4* length,
                               ub1* piece, void** indicator) {
  tk_trace(1, "ora_get_rowid::cbf_no_data");
  *buffer = nullptr;
  *length = 0;
  // A RETURNING target takes no input: a NULL indicator says so.
  *indicator = &static_cast<ora_get_rowid*>(context)->null_indicator_;
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

const std::u16string& ora_get_rowid::value_name(size_t k) {
  while (value_names_.size() <= k)
    value_names_.push_back(u":b" +
                           tsl::text::ascii_to_utf16(std::to_string(value_names_.size() + 1)));
  return value_names_[k];
}

std::u16string ora_get_rowid::do_insert(std::u16string& sql,
                                        const std::vector<const std::u16string*>& values,
                                        bool commit) {
  tk_trace(1, "ora_get_rowid::do_insert");
  sql += u") RETURNING ROWID INTO :1";
  tk_trace_w(3, u"Run SQL query: %s\n", sql.c_str());
  ora_engine& e = ora_engine::instance();
  const auto& oci = e.oci();
  std::fill(std::begin(buffer_), std::end(buffer_), u'\0');
  e.check_result(oci.OCIStmtPrepare(stmt_, e.error(), reinterpret_cast<const OraText*>(sql.data()),
                                    static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT));
  // Binds belong to the statement as prepared: every prepare binds afresh.
  // By name, as the RETURNING target is: the two ways are not mixed.
  for (size_t k = 0; k < values.size(); ++k) {
    const std::u16string& name = value_name(k);
    const std::u16string& text = *values[k];
    OCIBind* value_bind = nullptr;
    e.check_result(oci.OCIBindByName(
        stmt_, &value_bind, e.error(), reinterpret_cast<const OraText*>(name.data()),
        static_cast<sb4>(name.size() * 2), const_cast<char16_t*>(text.data()),
        static_cast<sb4>(text.size() * 2), SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr,
        OCI_DEFAULT));
  }
  static const char16_t placeholder[] = u":1";
  bind_ = nullptr;
  e.check_result(oci.OCIBindByName(
      stmt_, &bind_, e.error(), reinterpret_cast<const OraText*>(placeholder), 4, buffer_,
      sizeof buffer_, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC));
  e.check_result(oci.OCIBindDynamic(bind_, e.error(), this, &cbf_no_data, this, &cbf_get_data));
  e.check_result(oci.OCIStmtExecute(e.service(), stmt_, e.error(), 1, 0, nullptr, nullptr,
                                    commit ? OCI_COMMIT_ON_SUCCESS : OCI_DEFAULT));
  // The text up to its terminator: clients differ in whether the returned
  // length counts bytes or characters.
  size_t n = 0;
  const size_t max = sizeof buffer_ / 2 - 1;
  while (n < max && buffer_[n] != u'\0') ++n;
  std::u16string rowid(buffer_, n);
  tk_trace_w(1, u"GOT ROWID(1): %s", rowid.c_str());
  return rowid;
}
