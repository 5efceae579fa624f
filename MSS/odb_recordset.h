#pragma once
// Reads any server result (table, query or catalogue request): describes its
// columns, binds them once and fetches rows five at a time.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "MSS/odb_accessor.h"
#include "MSS/odb_record.h"
#include "OLE/ole_ptr.h"
#include "UDB/udb_recordset.h"
#include "platform/oledb/oledb_interfaces.h"

class odb_recordset : public udb_recordset {
 public:
  static constexpr size_t kBatch = 5;

  // A missing rowset gives an empty result.
  explicit odb_recordset(IRowset* rowset);
  ~odb_recordset() override;

  void append_record(udb_record& record) override;
  udb_record* get_item() override;
  bool is_eof() override;
  void next() override;
  void reset() override;

  // Number of next() calls since the last reset.
  int32_t rows_advanced() const { return rows_advanced_; }
  size_t column_count() const { return columns_; }
  size_t rows_in_cache() const { return cached_; }
  const odb_accessor& accessor() const { return accessor_; }

 protected:
  odb_recordset(std::u16string name, std::u16string query);
  // Takes the rowset, describes and binds it.
  void attach(IRowset* rowset);
  void initialize();
  void fill_cache();
  void clear_cache();
  bool has_rowset() const { return static_cast<bool>(rowset_); }

 private:
  void build_schema();
  void free_columns();

  int32_t rows_advanced_ = 0;
  size_t columns_ = 0;
  odb_accessor accessor_;
  ole_ptr<IRowset> rowset_;
  DBCOLUMNINFO* info_ = nullptr;
  OLECHAR* names_ = nullptr;
  size_t position_ = 0;
  size_t cached_ = 0;
  bool filled_ = false;  // a batch was fetched since the last restart
  std::array<std::unique_ptr<odb_record>, kBatch> cache_;
};
