#pragma once
// A data source object: the settings of one initialisation string, checked
// against the server when initialised, and the factory of sessions.
#include <memory>

#include "platform/com/ref_counted.h"
#include "platform/oledb/connection_string.h"
#include "platform/oledb/connector.h"
#include "platform/oledb/oledb_interfaces.h"

namespace tsl::oledb {

class data_source : public IDBInitialize, public IDBCreateSession, public com::ref_counted {
 public:
  explicit data_source(connection_settings settings) : settings_(std::move(settings)) {}

  HRESULT QueryInterface(REFIID riid, void** out) override;
  ULONG AddRef() override { return add_ref(); }
  ULONG Release() override { return release(); }

  HRESULT Initialize() override;
  HRESULT Uninitialize() override;
  HRESULT CreateSession(IUnknown* outer, REFIID riid, IUnknown** session) override;

  const connection_settings& settings() const { return settings_; }

 private:
  connection_settings settings_;
  // The connection made by Initialize serves the first session.
  std::shared_ptr<connection> first_;
  bool initialized_ = false;
};

}  // namespace tsl::oledb
