#pragma once
// A command on a session: holds T-SQL text and runs it.
#include <memory>
#include <string>

#include "platform/com/ref_counted.h"
#include "platform/oledb/connector.h"
#include "platform/oledb/oledb_interfaces.h"

namespace tsl::oledb {

class command : public ICommandText, public com::ref_counted {
 public:
  command(IUnknown* session, std::shared_ptr<connection> conn);
  ~command() override;

  HRESULT QueryInterface(REFIID riid, void** out) override;
  ULONG AddRef() override { return add_ref(); }
  ULONG Release() override { return release(); }

  HRESULT Cancel() override { return DB_E_CANTCANCEL_; }
  HRESULT Execute(IUnknown* outer, REFIID riid, DBPARAMS* params, DBROWCOUNT* rows_affected,
                  IUnknown** rowset) override;
  HRESULT GetDBSession(REFIID riid, IUnknown** session) override;
  HRESULT GetCommandText(GUID* dialect, LPOLESTR* text) override;
  HRESULT SetCommandText(REFGUID dialect, LPCOLESTR text) override;

 private:
  static constexpr HRESULT DB_E_CANTCANCEL_ = hresult_of(0x80040E15);
  IUnknown* session_;  // one reference held
  std::shared_ptr<connection> conn_;
  std::u16string text_;
  bool has_text_ = false;
};

}  // namespace tsl::oledb
