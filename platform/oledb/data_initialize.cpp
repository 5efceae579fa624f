#include "platform/oledb/data_initialize.h"

#include <cctype>
#include <cstring>

#include "platform/com/com_runtime.h"
#include "platform/com/error_info.h"
#include "platform/oledb/data_source.h"
#include "platform/oledb/provider_error.h"
#include "platform/text/utf.h"

// Defined here so that whoever names the class also links its registration.
const CLSID CLSID_MSDAINITIALIZE =
    make_guid(0x2206CDB0, 0x19C1, 0x11D1, 0x89, 0xE0, 0x00, 0xC0, 0x4F, 0xD7, 0xA8, 0x29);

namespace tsl::oledb {
namespace {

bool is_sql_provider(std::string p) {
  for (char& c : p) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return p == "sqloledb" || p == "sqloledb.1";
}

// Registers when the program links this file, which every user of the
// service component's class identifier does.
const bool registered = [] {
  register_provider();
  return true;
}();

}  // namespace

void register_provider() {
  com::register_class(CLSID_MSDAINITIALIZE,
                      [](IUnknown* outer, REFIID riid, void** out) -> HRESULT {
                        if (outer) return CLASS_E_NOAGGREGATION;
                        auto* obj = new data_initialize();
                        HRESULT hr = obj->QueryInterface(riid, out);
                        obj->Release();
                        return hr;
                      });
}

HRESULT data_initialize::QueryInterface(REFIID riid, void** out) {
  if (riid == IID_IUnknown || riid == IID_IDataInitialize)
    return com::hand_out<IDataInitialize>(this, out);
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT data_initialize::GetDataSource(IUnknown* outer, DWORD, LPCOLESTR init_string, REFIID riid,
                                       IUnknown** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (outer) return DB_E_NOAGGREGATION;
  if (!init_string) return E_INVALIDARG;
  SetErrorInfo(0, nullptr);
  auto settings = parse_connection_string(text::utf16_to_utf8(init_string));
  if (!settings) return report(DB_E_BADINITSTRING, "The initialization string is not valid.");
  if (!is_sql_provider(settings->provider))
    return report(REGDB_E_CLASSNOTREG, "Provider '" + settings->provider + "' is not registered.");
  auto* ds = new data_source(std::move(*settings));
  HRESULT hr = ds->QueryInterface(riid, reinterpret_cast<void**>(out));
  ds->Release();
  return hr;
}

HRESULT data_initialize::GetInitializationString(IUnknown*, bool, LPOLESTR* init_string) {
  if (init_string) *init_string = nullptr;
  return E_NOTIMPL;
}

}  // namespace tsl::oledb
