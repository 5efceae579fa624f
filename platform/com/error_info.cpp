#include "platform/com/error_info.h"

#include "platform/com/ref_counted.h"

const IID IID_IErrorInfo =
    make_guid(0x1CF2B120, 0x547D, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19);
const IID IID_IErrorRecords =
    make_guid(0x0c733a67, 0x2a1c, 0x11ce, 0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44, 0x77, 0x3d);
const IID IID_ISQLErrorInfo =
    make_guid(0x0c733a74, 0x2a1c, 0x11ce, 0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44, 0x77, 0x3d);

namespace tsl::com {
namespace {

// Released when the thread ends, should nobody take it.
struct current_error {
  IErrorInfo* info = nullptr;
  ~current_error() {
    if (info) info->Release();
  }
};
thread_local current_error t_current;

BSTR copy(const std::u16string& s) {
  return SysAllocStringLen(s.data(), static_cast<uint32_t>(s.size()));
}

// One record seen on its own.
class record_info : public IErrorInfo, public ref_counted {
 public:
  explicit record_info(error_record r) : r_(std::move(r)) {}
  HRESULT QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IErrorInfo) return hand_out<IErrorInfo>(this, out);
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return add_ref(); }
  ULONG Release() override { return release(); }
  HRESULT GetGUID(GUID* g) override {
    if (!g) return E_INVALIDARG;
    *g = GUID{};
    return S_OK;
  }
  HRESULT GetSource(BSTR* s) override {
    if (!s) return E_INVALIDARG;
    *s = copy(r_.source);
    return S_OK;
  }
  HRESULT GetDescription(BSTR* d) override {
    if (!d) return E_INVALIDARG;
    *d = r_.description.empty() ? nullptr : copy(r_.description);
    return S_OK;
  }
  HRESULT GetHelpFile(BSTR* f) override {
    if (!f) return E_INVALIDARG;
    *f = nullptr;
    return S_OK;
  }
  HRESULT GetHelpContext(DWORD* c) override {
    if (!c) return E_INVALIDARG;
    *c = 0;
    return S_OK;
  }

 private:
  error_record r_;
};

class sql_info : public ISQLErrorInfo, public ref_counted {
 public:
  sql_info(std::u16string state, int32_t native) : state_(std::move(state)), native_(native) {}
  HRESULT QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_ISQLErrorInfo)
      return hand_out<ISQLErrorInfo>(this, out);
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return add_ref(); }
  ULONG Release() override { return release(); }
  HRESULT GetSQLInfo(BSTR* state, LONG* native) override {
    if (!state || !native) return E_INVALIDARG;
    *state = copy(state_);
    *native = native_;
    return S_OK;
  }

 private:
  std::u16string state_;
  int32_t native_;
};

class error_object : public IErrorInfo, public IErrorRecords, public ref_counted {
 public:
  explicit error_object(std::vector<error_record> records) : records_(std::move(records)) {}
  HRESULT QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IErrorInfo) return hand_out<IErrorInfo>(this, out);
    if (riid == IID_IErrorRecords) return hand_out<IErrorRecords>(this, out);
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return add_ref(); }
  ULONG Release() override { return release(); }

  HRESULT GetGUID(GUID* g) override {
    if (!g) return E_INVALIDARG;
    *g = GUID{};
    return S_OK;
  }
  HRESULT GetSource(BSTR* s) override {
    if (!s) return E_INVALIDARG;
    *s = records_.empty() ? nullptr : copy(records_[0].source);
    return S_OK;
  }
  HRESULT GetDescription(BSTR* d) override {
    if (!d) return E_INVALIDARG;
    *d = records_.empty() || records_[0].description.empty() ? nullptr
                                                             : copy(records_[0].description);
    return S_OK;
  }
  HRESULT GetHelpFile(BSTR* f) override {
    if (!f) return E_INVALIDARG;
    *f = nullptr;
    return S_OK;
  }
  HRESULT GetHelpContext(DWORD* c) override {
    if (!c) return E_INVALIDARG;
    *c = 0;
    return S_OK;
  }

  HRESULT AddErrorRecord(ERRORINFO* info, DWORD, DISPPARAMS*, IUnknown*, DWORD) override {
    if (!info) return E_INVALIDARG;
    error_record r;
    r.result = info->hrError;
    records_.push_back(std::move(r));
    return S_OK;
  }
  HRESULT GetBasicErrorInfo(ULONG n, ERRORINFO* info) override {
    if (!info) return E_INVALIDARG;
    if (n >= records_.size()) return DB_E_BADRECORDNUM_;
    *info = ERRORINFO{records_[n].result, 0, CLSID{}, IID{}, 0};
    return S_OK;
  }
  HRESULT GetCustomErrorObject(ULONG n, REFIID riid, IUnknown** out) override {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (n >= records_.size()) return DB_E_BADRECORDNUM_;
    if (!records_[n].has_sql_info) return S_OK;
    auto* s = new sql_info(records_[n].sqlstate, records_[n].native_error);
    HRESULT hr = s->QueryInterface(riid, reinterpret_cast<void**>(out));
    s->Release();
    return hr == E_NOINTERFACE ? S_OK : hr;
  }
  HRESULT GetErrorInfo(ULONG n, LCID, IErrorInfo** out) override {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (n >= records_.size()) return DB_E_BADRECORDNUM_;
    *out = new record_info(records_[n]);
    return S_OK;
  }
  HRESULT GetErrorParameters(ULONG n, DISPPARAMS*) override {
    return n >= records_.size() ? DB_E_BADRECORDNUM_ : S_OK;
  }
  HRESULT GetRecordCount(ULONG* count) override {
    if (!count) return E_INVALIDARG;
    *count = static_cast<ULONG>(records_.size());
    return S_OK;
  }

 private:
  static constexpr HRESULT DB_E_BADRECORDNUM_ = hresult_of(0x80040E42);
  std::vector<error_record> records_;
};

}  // namespace

void set_error_records(const std::vector<error_record>& records) {
  auto* obj = new error_object(records);
  SetErrorInfo(0, static_cast<IErrorInfo*>(obj));
  obj->Release();
}

}  // namespace tsl::com

HRESULT SetErrorInfo(ULONG, IErrorInfo* info) {
  if (info) info->AddRef();
  IErrorInfo* old = tsl::com::t_current.info;
  tsl::com::t_current.info = info;
  if (old) old->Release();
  return S_OK;
}

HRESULT GetErrorInfo(ULONG, IErrorInfo** info) {
  if (!info) return E_INVALIDARG;
  *info = tsl::com::t_current.info;
  tsl::com::t_current.info = nullptr;
  return *info ? S_OK : S_FALSE;
}
