#include "platform/oledb/command.h"

#include <cstring>

#include "platform/com/com_runtime.h"
#include "platform/com/error_info.h"
#include "platform/oledb/provider_error.h"
#include "platform/oledb/rowset.h"
#include "platform/text/utf.h"

namespace tsl::oledb {

command::command(IUnknown* session, std::shared_ptr<connection> conn)
    : session_(session), conn_(std::move(conn)) {
  session_->AddRef();
}

command::~command() {
  session_->Release();
}

HRESULT command::QueryInterface(REFIID riid, void** out) {
  if (riid == IID_IUnknown || riid == IID_ICommand || riid == IID_ICommandText)
    return com::hand_out<ICommandText>(this, out);
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT command::SetCommandText(REFGUID dialect, LPCOLESTR text) {
  if (dialect != DBGUID_DEFAULT && dialect != DBGUID_SQL) return DB_E_DIALECTNOTSUPPORTED;
  has_text_ = text != nullptr && *text != 0;
  text_ = text ? std::u16string(text) : std::u16string();
  return S_OK;
}

HRESULT command::GetCommandText(GUID* dialect, LPOLESTR* text) {
  if (!text) return E_INVALIDARG;
  *text = nullptr;
  if (!has_text_) return DB_E_NOCOMMAND;
  if (dialect) *dialect = DBGUID_SQL;
  auto* p = static_cast<OLECHAR*>(CoTaskMemAlloc((text_.size() + 1) * sizeof(OLECHAR)));
  if (!p) return E_OUTOFMEMORY;
  std::memcpy(p, text_.c_str(), (text_.size() + 1) * sizeof(OLECHAR));
  *text = p;
  return S_OK;
}

HRESULT command::GetDBSession(REFIID riid, IUnknown** session) {
  return session_->QueryInterface(riid, reinterpret_cast<void**>(session));
}

HRESULT command::Execute(IUnknown* outer, REFIID riid, DBPARAMS*, DBROWCOUNT* rows_affected,
                         IUnknown** out) {
  if (out) *out = nullptr;
  if (outer) return DB_E_NOAGGREGATION;
  if (riid != GUID{} && !out) return E_INVALIDARG;
  if (!has_text_) return DB_E_NOCOMMAND;
  SetErrorInfo(0, nullptr);
  return guarded([&]() -> HRESULT {
    bool valid = true;
    std::string sql = text::utf16_to_utf8(text_, &valid);
    int64_t rows = -1;
    auto result = conn_->execute(sql, &rows);
    if (rows_affected) *rows_affected = rows;
    if (!result || riid == GUID{} || !out) return S_OK;
    auto* r = new rowset(conn_, std::move(result));
    HRESULT hr = r->QueryInterface(riid, reinterpret_cast<void**>(out));
    r->Release();
    return hr;
  });
}

}  // namespace tsl::oledb
