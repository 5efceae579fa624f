#pragma once
// The OLE DB service component: makes data sources from initialisation
// strings. Registered as CLSID_MSDAINITIALIZE.
#include "platform/com/ref_counted.h"
#include "platform/oledb/oledb_interfaces.h"

namespace tsl::oledb {

class data_initialize : public IDataInitialize, public com::ref_counted {
 public:
  HRESULT QueryInterface(REFIID riid, void** out) override;
  ULONG AddRef() override { return add_ref(); }
  ULONG Release() override { return release(); }

  HRESULT GetDataSource(IUnknown* outer, DWORD context, LPCOLESTR init_string, REFIID riid,
                        IUnknown** data_source) override;
  HRESULT GetInitializationString(IUnknown* data_source, bool include_password,
                                  LPOLESTR* init_string) override;
};

// Makes CoCreateInstance(CLSID_MSDAINITIALIZE) work; called once before.
void register_provider();

}  // namespace tsl::oledb
