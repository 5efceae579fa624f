#pragma once
// Catalogue requests: one schema rowset each, with a fixed number of
// restrictions (unset ones stay empty), read as a recordset.
#include <string>
#include <vector>

#include "MSS/odb_recordset.h"
#include "OLE/ole_ptr.h"
#include "platform/oleaut/variant.h"
#include "platform/oledb/oledb_interfaces.h"

class odb_meta_data : public odb_recordset {
 public:
  ~odb_meta_data() override;

 protected:
  odb_meta_data(IOpenRowset* session, const GUID& schema, size_t restrictions);
  // Sets restriction `index` (from 0) when the text is not empty.
  void restrict(size_t index, const std::u16string& value);
  void internal_initialize();

 private:
  ole_ptr<IDBSchemaRowset> schema_rowset_;
  const GUID& schema_;
  std::vector<VARIANT> restrictions_;
};

// The server's databases (DBSCHEMA_CATALOGS).
class odb_dl_meta_data : public odb_meta_data {
 public:
  explicit odb_dl_meta_data(IOpenRowset* session);
};

// The base tables of one owner (DBSCHEMA_TABLES).
class odb_tl_meta_data : public odb_meta_data {
 public:
  odb_tl_meta_data(IOpenRowset* session, const std::u16string& owner);
};

// The primary key of a table (DBSCHEMA_PRIMARY_KEYS).
class odb_pk_meta_data : public odb_meta_data {
 public:
  odb_pk_meta_data(IOpenRowset* session, const std::u16string& table, const std::u16string& owner);
};

// The foreign keys that refer to a table (DBSCHEMA_FOREIGN_KEYS).
class odb_fk_meta_data : public odb_meta_data {
 public:
  odb_fk_meta_data(IOpenRowset* session, const std::u16string& table, const std::u16string& owner);
};

// The indexes of a table (DBSCHEMA_INDEXES).
class odb_id_meta_data : public odb_meta_data {
 public:
  odb_id_meta_data(IOpenRowset* session, const std::u16string& table, const std::u16string& owner);
};
