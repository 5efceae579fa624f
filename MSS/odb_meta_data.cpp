#include "MSS/odb_meta_data.h"

#include "MSS/odb_exception.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/oleaut/bstr.h"

namespace {

[[noreturn]] void fail(HRESULT hr) {
  tk_trace(2, "Error code: %08X", static_cast<unsigned>(hr));
  throw odb_exception(hr);
}

IOpenRowset* required(IOpenRowset* session) {
  if (!session) throw tk_mail_assertion("odb_mdat", 35);
  return session;
}

}  // namespace

odb_meta_data::odb_meta_data(IOpenRowset* session, const GUID& schema, size_t restrictions)
    : odb_recordset(std::u16string(), std::u16string()),
      schema_(schema),
      restrictions_(restrictions) {
  tk_trace(2, "odb_meta_data::ctor");
  for (VARIANT& v : restrictions_) VariantInit(&v);
  HRESULT hr = required(session)->QueryInterface(IID_IDBSchemaRowset, schema_rowset_.put_void());
  if (FAILED(hr)) fail(hr);
}

odb_meta_data::~odb_meta_data() {
  for (VARIANT& v : restrictions_) VariantClear(&v);
}

void odb_meta_data::restrict(size_t index, const std::u16string& value) {
  if (value.empty()) return;
  VARIANT& v = restrictions_.at(index);
  VariantClear(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(value.data(), static_cast<uint32_t>(value.size()));
}

void odb_meta_data::internal_initialize() {
  tk_trace(2, "odb_meta_data::internal_initialize");
  ole_ptr<IRowset> rowset;
  HRESULT hr = schema_rowset_->GetRowset(nullptr, schema_, static_cast<ULONG>(restrictions_.size()),
                                         restrictions_.data(), IID_IRowset, 0, nullptr,
                                         reinterpret_cast<IUnknown**>(rowset.put()));
  if (FAILED(hr)) fail(hr);
  attach(rowset.get());
}

odb_dl_meta_data::odb_dl_meta_data(IOpenRowset* session)
    : odb_meta_data(session, DBSCHEMA_CATALOGS, 1) {
  internal_initialize();
}

odb_tl_meta_data::odb_tl_meta_data(IOpenRowset* session, const std::u16string& owner)
    : odb_meta_data(session, DBSCHEMA_TABLES, 4) {
  restrict(1, owner);
  restrict(3, u"TABLE");
  internal_initialize();
}

odb_pk_meta_data::odb_pk_meta_data(IOpenRowset* session, const std::u16string& table,
                                   const std::u16string& owner)
    : odb_meta_data(session, DBSCHEMA_PRIMARY_KEYS, 3) {
  restrict(1, owner);
  restrict(2, table);
  internal_initialize();
}

odb_fk_meta_data::odb_fk_meta_data(IOpenRowset* session, const std::u16string& table,
                                   const std::u16string& owner)
    : odb_meta_data(session, DBSCHEMA_FOREIGN_KEYS, 6) {
  restrict(1, owner);
  restrict(2, table);
  internal_initialize();
}

odb_id_meta_data::odb_id_meta_data(IOpenRowset* session, const std::u16string& table,
                                   const std::u16string& owner)
    : odb_meta_data(session, DBSCHEMA_INDEXES, 5) {
  restrict(1, owner);
  restrict(4, table);
  internal_initialize();
}
