#pragma once
// A table or query read as a record stream: opened on a session, counted
// once, read up to that count; also reads the table's keys and indexes.
#include <cstdint>
#include <string>

#include "MSS/odb_recordset.h"
#include "OLE/ole_ptr.h"
#include "UDB/udb_relationships.h"
#include "platform/oledb/oledb_interfaces.h"

class odb_table : public odb_recordset {
 public:
  static constexpr int32_t kReadOnly = 1;
  // Both bits set: keys and indexes are not read.
  static constexpr int32_t kNoIndexes = 32 | 64;

  // A table by its qualified name; a missing [owner].[table] is tried once
  // more as [dbo].[table].
  odb_table(const std::u16string& name, IOpenRowset* session, int32_t mode,
            udb_relationships* relationships);
  // A SELECT text read as a table of the given name.
  odb_table(const std::u16string& name, const std::u16string& query, IOpenRowset* session,
            int32_t mode);

  bool is_eof() override;

  void init_indexes(const std::u16string& table, const std::u16string& owner);
  int32_t get_records_cnt();

  IOpenRowset* session() const { return session_.get(); }
  int32_t mode() const { return mode_; }

 private:
  void open();
  void internal_initialize();

  ole_ptr<IOpenRowset> session_;
  int32_t mode_;
  udb_relationships* relationships_ = nullptr;
};
