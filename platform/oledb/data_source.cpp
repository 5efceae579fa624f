#include "platform/oledb/data_source.h"

#include "platform/com/error_info.h"
#include "platform/oledb/db_session.h"
#include "platform/oledb/provider_error.h"

namespace tsl::oledb {

HRESULT data_source::QueryInterface(REFIID riid, void** out) {
  if (riid == IID_IUnknown || riid == IID_IDBInitialize)
    return com::hand_out<IDBInitialize>(this, out);
  if (riid == IID_IDBCreateSession) return com::hand_out<IDBCreateSession>(this, out);
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT data_source::Initialize() {
  if (initialized_) return DB_E_ALREADYINITIALIZED;
  SetErrorInfo(0, nullptr);
  return guarded([&]() -> HRESULT {
    first_ = connect(settings_);
    initialized_ = true;
    return S_OK;
  });
}

HRESULT data_source::Uninitialize() {
  first_.reset();
  initialized_ = false;
  return S_OK;
}

HRESULT data_source::CreateSession(IUnknown* outer, REFIID riid, IUnknown** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (outer) return DB_E_NOAGGREGATION;
  if (!initialized_) return E_UNEXPECTED;
  SetErrorInfo(0, nullptr);
  return guarded([&]() -> HRESULT {
    std::shared_ptr<connection> conn = first_ ? std::move(first_) : connect(settings_);
    first_.reset();
    auto* s = new db_session(static_cast<IDBInitialize*>(this), std::move(conn));
    HRESULT hr = s->QueryInterface(riid, reinterpret_cast<void**>(out));
    s->Release();
    return hr;
  });
}

}  // namespace tsl::oledb
