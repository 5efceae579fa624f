#include "platform/oledb/oledb_interfaces.h"

namespace {
constexpr GUID oledb_iid(uint32_t d1) {
  return make_guid(d1, 0x2a1c, 0x11ce, 0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44, 0x77, 0x3d);
}
constexpr GUID schema_guid(uint32_t d1) {
  return make_guid(d1, 0x5cf3, 0x11ce, 0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44, 0x77, 0x3d);
}
}  // namespace

const CLSID CLSID_SQLOLEDB =
    make_guid(0x0c7ff16c, 0x38e3, 0x11d0, 0x97, 0xab, 0x00, 0xc0, 0x4f, 0xc2, 0xad, 0x98);

const IID IID_IDataInitialize =
    make_guid(0x2206CCB1, 0x19C1, 0x11D1, 0x89, 0xE0, 0x00, 0xC0, 0x4F, 0xD7, 0xA8, 0x29);
const IID IID_IDBInitialize = oledb_iid(0x0c733a8b);
const IID IID_IDBCreateSession = oledb_iid(0x0c733a5d);
const IID IID_IOpenRowset = oledb_iid(0x0c733a69);
const IID IID_IDBCreateCommand = oledb_iid(0x0c733a1d);
const IID IID_ICommand = oledb_iid(0x0c733a63);
const IID IID_ICommandText = oledb_iid(0x0c733a27);
const IID IID_IDBSchemaRowset = oledb_iid(0x0c733a7b);
const IID IID_IColumnsInfo = oledb_iid(0x0c733a11);
const IID IID_IAccessor = oledb_iid(0x0c733a8c);
const IID IID_IRowset = oledb_iid(0x0c733a7c);
const IID IID_IRowsetInfo = oledb_iid(0x0c733a55);
const IID IID_ISessionProperties = oledb_iid(0x0c733a85);

const GUID DBGUID_DEFAULT = schema_guid(0xc8b521fb);
const GUID DBGUID_SQL = schema_guid(0xc8b522d7);
const GUID DBSCHEMA_CATALOGS = schema_guid(0xc8b52211);
const GUID DBSCHEMA_TABLES = schema_guid(0xc8b52229);
const GUID DBSCHEMA_PRIMARY_KEYS = schema_guid(0xc8b522c5);
const GUID DBSCHEMA_FOREIGN_KEYS = schema_guid(0xc8b522c4);
const GUID DBSCHEMA_INDEXES = schema_guid(0xc8b5221e);
