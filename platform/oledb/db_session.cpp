#include "platform/oledb/db_session.h"

#include "platform/com/com_runtime.h"
#include "platform/com/error_info.h"
#include "platform/oledb/command.h"
#include "platform/oledb/provider_error.h"
#include "platform/oledb/rowset.h"
#include "platform/text/utf.h"

namespace tsl::oledb {
namespace {

struct schema_entry {
  const GUID* guid;
  schema_kind kind;
  ULONG restrictions;
};

const schema_entry kSchemas[] = {
    {&DBSCHEMA_CATALOGS, schema_kind::catalogs, 1},
    {&DBSCHEMA_TABLES, schema_kind::tables, 4},
    {&DBSCHEMA_PRIMARY_KEYS, schema_kind::primary_keys, 3},
    {&DBSCHEMA_FOREIGN_KEYS, schema_kind::foreign_keys, 6},
    {&DBSCHEMA_INDEXES, schema_kind::indexes, 5},
};

HRESULT hand_rowset(std::shared_ptr<connection> conn, std::unique_ptr<result_set> rows,
                    REFIID riid, IUnknown** out) {
  auto* r = new rowset(std::move(conn), std::move(rows));
  HRESULT hr = r->QueryInterface(riid, reinterpret_cast<void**>(out));
  r->Release();
  return hr;
}

}  // namespace

db_session::db_session(IUnknown* data_source, std::shared_ptr<connection> conn)
    : data_source_(data_source), conn_(std::move(conn)) {
  data_source_->AddRef();
}

db_session::~db_session() {
  data_source_->Release();
}

HRESULT db_session::QueryInterface(REFIID riid, void** out) {
  if (riid == IID_IUnknown || riid == IID_IOpenRowset) return com::hand_out<IOpenRowset>(this, out);
  if (riid == IID_IDBCreateCommand) return com::hand_out<IDBCreateCommand>(this, out);
  if (riid == IID_IDBSchemaRowset) return com::hand_out<IDBSchemaRowset>(this, out);
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT db_session::OpenRowset(IUnknown* outer, DBID* table_id, DBID* index_id, REFIID riid, ULONG,
                               DBPROPSET[], IUnknown** out) {
  if (out) *out = nullptr;
  if (outer) return DB_E_NOAGGREGATION;
  if (!table_id && !index_id) return E_INVALIDARG;
  if (index_id) return DB_E_NOINDEX;
  if (table_id->eKind != DBKIND_NAME || !table_id->uName.pwszName || !*table_id->uName.pwszName)
    return DB_E_NOTABLE;
  SetErrorInfo(0, nullptr);
  return guarded([&]() -> HRESULT {
    auto rows = conn_->open_table(text::utf16_to_utf8(table_id->uName.pwszName));
    if (!out) return S_OK;
    return hand_rowset(conn_, std::move(rows), riid, out);
  });
}

HRESULT db_session::CreateCommand(IUnknown* outer, REFIID riid, IUnknown** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (outer) return DB_E_NOAGGREGATION;
  auto* c = new command(static_cast<IOpenRowset*>(this), conn_);
  HRESULT hr = c->QueryInterface(riid, reinterpret_cast<void**>(out));
  c->Release();
  return hr;
}

HRESULT db_session::GetRowset(IUnknown* outer, REFGUID schema, ULONG restriction_count,
                              const VARIANT restrictions[], REFIID riid, ULONG, DBPROPSET[],
                              IUnknown** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (outer) return DB_E_NOAGGREGATION;
  if (restriction_count && !restrictions) return E_INVALIDARG;
  const schema_entry* entry = nullptr;
  for (const auto& e : kSchemas)
    if (*e.guid == schema) entry = &e;
  if (!entry || restriction_count > entry->restrictions) return E_INVALIDARG;
  oledb::restrictions r(entry->restrictions);
  for (ULONG i = 0; i < restriction_count; ++i) {
    const VARIANT& v = restrictions[i];
    switch (v.vt) {
      case VT_EMPTY:
        break;
      case VT_BSTR:
        r[i] =
            text::utf16_to_utf8(v.bstrVal ? std::u16string_view(v.bstrVal, SysStringLen(v.bstrVal))
                                          : std::u16string_view());
        break;
      case VT_I2:
        r[i] = std::to_string(v.iVal);
        break;
      case VT_UI2:
        r[i] = std::to_string(v.uiVal);
        break;
      case VT_I4:
        r[i] = std::to_string(v.lVal);
        break;
      default:
        return E_INVALIDARG;
    }
  }
  SetErrorInfo(0, nullptr);
  return guarded(
      [&]() -> HRESULT { return hand_rowset(conn_, conn_->schema(entry->kind, r), riid, out); });
}

HRESULT db_session::GetSchemas(ULONG* count, GUID** schemas, ULONG** support) {
  if (!count || !schemas || !support) return E_INVALIDARG;
  const ULONG n = sizeof kSchemas / sizeof kSchemas[0];
  *schemas = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * n));
  *support = static_cast<ULONG*>(CoTaskMemAlloc(sizeof(ULONG) * n));
  if (!*schemas || !*support) {
    CoTaskMemFree(*schemas);
    CoTaskMemFree(*support);
    *schemas = nullptr;
    *support = nullptr;
    *count = 0;
    return E_OUTOFMEMORY;
  }
  for (ULONG i = 0; i < n; ++i) {
    (*schemas)[i] = *kSchemas[i].guid;
    (*support)[i] = (1u << kSchemas[i].restrictions) - 1;
  }
  *count = n;
  return S_OK;
}

}  // namespace tsl::oledb
