#pragma once
// A session of a data source: opens tables, creates commands and answers
// schema rowset requests over its own server connection.
#include <memory>

#include "platform/com/ref_counted.h"
#include "platform/oledb/connector.h"
#include "platform/oledb/oledb_interfaces.h"

namespace tsl::oledb {

class db_session : public IOpenRowset,
                   public IDBCreateCommand,
                   public IDBSchemaRowset,
                   public com::ref_counted {
 public:
  db_session(IUnknown* data_source, std::shared_ptr<connection> conn);
  ~db_session() override;

  HRESULT QueryInterface(REFIID riid, void** out) override;
  ULONG AddRef() override { return add_ref(); }
  ULONG Release() override { return release(); }

  HRESULT OpenRowset(IUnknown* outer, DBID* table_id, DBID* index_id, REFIID riid,
                     ULONG property_sets, DBPROPSET property_set[], IUnknown** rowset) override;
  HRESULT CreateCommand(IUnknown* outer, REFIID riid, IUnknown** command) override;
  HRESULT GetRowset(IUnknown* outer, REFGUID schema, ULONG restriction_count,
                    const VARIANT restrictions[], REFIID riid, ULONG property_sets,
                    DBPROPSET property_set[], IUnknown** rowset) override;
  HRESULT GetSchemas(ULONG* count, GUID** schemas, ULONG** restriction_support) override;

 private:
  IUnknown* data_source_;  // one reference held
  std::shared_ptr<connection> conn_;
};

}  // namespace tsl::oledb
