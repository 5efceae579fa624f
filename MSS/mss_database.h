#pragma once
// An MS SQL database opened as a source: its base tables of the owner, and
// tables and queries read through its one session.
#include <cstdint>
#include <memory>
#include <string>

#include "OLE/ole_ptr.h"
#include "UDB/udb_database.h"
#include "platform/oledb/oledb_interfaces.h"

class mss_database : public udb_database {
 public:
  mss_database(const std::u16string& name, IDBInitialize* data_source, IOpenRowset* session,
               int32_t mode);
  ~mss_database() override;

  // The source is only read: creation is an internal error.
  std::unique_ptr<udb_recordset> create_table(const std::u16string& name, const udb_schema& schema,
                                              const udb_indexes& indexes) override;
  std::unique_ptr<udb_recordset> get_table(const std::u16string& name, int32_t flags) override;
  std::unique_ptr<udb_recordset> get_table(const std::u16string& name, const std::u16string& sql,
                                           int32_t flags) override;
  bool test_query(const std::u16string& sql) override;
  std::unique_ptr<udb_recordset> query(const std::u16string& sql) override;

  IOpenRowset* session() const { return session_.get(); }

 private:
  ole_ptr<IDBInitialize> data_source_;
  ole_ptr<IOpenRowset> session_;
};
