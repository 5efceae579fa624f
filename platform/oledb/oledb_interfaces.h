#pragma once
// The OLE DB interfaces a consumer uses to reach a SQL Server, with their
// identifiers, the schema rowset identifiers and the class identifiers of
// the service component and the SQL Server provider.
#include "platform/com/unknown.h"
#include "platform/oleaut/oleauto_types.h"
#include "platform/oledb/oledb_errors.h"
#include "platform/oledb/oledb_types.h"

extern const CLSID CLSID_MSDAINITIALIZE;
extern const CLSID CLSID_SQLOLEDB;

extern const IID IID_IDataInitialize;
extern const IID IID_IDBInitialize;
extern const IID IID_IDBCreateSession;
extern const IID IID_IOpenRowset;
extern const IID IID_IDBCreateCommand;
extern const IID IID_ICommand;
extern const IID IID_ICommandText;
extern const IID IID_IDBSchemaRowset;
extern const IID IID_IColumnsInfo;
extern const IID IID_IAccessor;
extern const IID IID_IRowset;
extern const IID IID_IRowsetInfo;
extern const IID IID_ISessionProperties;

extern const GUID DBGUID_DEFAULT;
extern const GUID DBGUID_SQL;
extern const GUID DBSCHEMA_CATALOGS;
extern const GUID DBSCHEMA_TABLES;
extern const GUID DBSCHEMA_PRIMARY_KEYS;
extern const GUID DBSCHEMA_FOREIGN_KEYS;
extern const GUID DBSCHEMA_INDEXES;

struct IDataInitialize : IUnknown {
  virtual HRESULT GetDataSource(IUnknown* outer, DWORD context, LPCOLESTR init_string, REFIID riid,
                                IUnknown** data_source) = 0;
  virtual HRESULT GetInitializationString(IUnknown* data_source, bool include_password,
                                          LPOLESTR* init_string) = 0;
};

struct IDBInitialize : IUnknown {
  virtual HRESULT Initialize() = 0;
  virtual HRESULT Uninitialize() = 0;
};

struct IDBCreateSession : IUnknown {
  virtual HRESULT CreateSession(IUnknown* outer, REFIID riid, IUnknown** session) = 0;
};

struct IOpenRowset : IUnknown {
  virtual HRESULT OpenRowset(IUnknown* outer, DBID* table_id, DBID* index_id, REFIID riid,
                             ULONG property_sets, DBPROPSET property_set[], IUnknown** rowset) = 0;
};

struct IDBCreateCommand : IUnknown {
  virtual HRESULT CreateCommand(IUnknown* outer, REFIID riid, IUnknown** command) = 0;
};

struct ICommand : IUnknown {
  virtual HRESULT Cancel() = 0;
  virtual HRESULT Execute(IUnknown* outer, REFIID riid, DBPARAMS* params, DBROWCOUNT* rows_affected,
                          IUnknown** rowset) = 0;
  virtual HRESULT GetDBSession(REFIID riid, IUnknown** session) = 0;
};

struct ICommandText : ICommand {
  virtual HRESULT GetCommandText(GUID* dialect, LPOLESTR* command) = 0;
  virtual HRESULT SetCommandText(REFGUID dialect, LPCOLESTR command) = 0;
};

struct IDBSchemaRowset : IUnknown {
  virtual HRESULT GetRowset(IUnknown* outer, REFGUID schema, ULONG restriction_count,
                            const VARIANT restrictions[], REFIID riid, ULONG property_sets,
                            DBPROPSET property_set[], IUnknown** rowset) = 0;
  virtual HRESULT GetSchemas(ULONG* count, GUID** schemas, ULONG** restriction_support) = 0;
};

struct IColumnsInfo : IUnknown {
  virtual HRESULT GetColumnInfo(DBORDINAL* columns, DBCOLUMNINFO** info, OLECHAR** strings) = 0;
  virtual HRESULT MapColumnIDs(DBORDINAL count, const DBID ids[], DBORDINAL ordinals[]) = 0;
};

struct IAccessor : IUnknown {
  virtual HRESULT AddRefAccessor(HACCESSOR accessor, DBREFCOUNT* ref_count) = 0;
  virtual HRESULT CreateAccessor(DBACCESSORFLAGS flags, DBCOUNTITEM bindings_count,
                                 const DBBINDING bindings[], DBLENGTH row_size, HACCESSOR* accessor,
                                 DBBINDSTATUS status[]) = 0;
  virtual HRESULT GetBindings(HACCESSOR accessor, DBACCESSORFLAGS* flags,
                              DBCOUNTITEM* bindings_count, DBBINDING** bindings) = 0;
  virtual HRESULT ReleaseAccessor(HACCESSOR accessor, DBREFCOUNT* ref_count) = 0;
};

struct IRowset : IUnknown {
  virtual HRESULT AddRefRows(DBCOUNTITEM rows, const HROW handles[], DBREFCOUNT ref_counts[],
                             DBROWSTATUS row_status[]) = 0;
  virtual HRESULT GetData(HROW row, HACCESSOR accessor, void* data) = 0;
  virtual HRESULT GetNextRows(HCHAPTER reserved, DBROWOFFSET offset, DBROWCOUNT rows,
                              DBCOUNTITEM* obtained, HROW** handles) = 0;
  virtual HRESULT ReleaseRows(DBCOUNTITEM rows, const HROW handles[], DBROWOPTIONS options[],
                              DBREFCOUNT ref_counts[], DBROWSTATUS row_status[]) = 0;
  virtual HRESULT RestartPosition(HCHAPTER reserved) = 0;
};
