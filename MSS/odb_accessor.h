#pragma once
// Binds every column of a rowset into one row buffer and turns a fetched row
// into a record. Per column slot: status (4 bytes), length (4 bytes), value.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_ptr.h"
#include "platform/oledb/oledb_interfaces.h"

class odb_record;

class odb_accessor {
 public:
  // Longest value a slot holds in line; longer values are fetched apart.
  static constexpr uint32_t kMaxBindLength = 2000000;

  odb_accessor() = default;
  ~odb_accessor();
  odb_accessor(const odb_accessor&) = delete;
  odb_accessor& operator=(const odb_accessor&) = delete;

  // Bind length of a column before the cap, with the 32-bit arithmetic
  // of the row layout.
  static uint32_t bind_length(DBTYPE type, DBLENGTH size);

  void bind(IRowset* rowset, size_t columns, const DBCOLUMNINFO* info);
  std::unique_ptr<odb_record> get_record(IRowset* rowset, HROW row);

  // A value the row buffer could only hold cut: fetched again by reference,
  // whole. Returns the bytes (text as UTF-16 without terminator); false for
  // NULL.
  bool read_whole(IRowset* rowset, HROW row, size_t column, std::vector<uint8_t>& out);

  size_t count() const { return bindings_.size(); }
  size_t buffer_size() const { return buffer_.size(); }
  const DBBINDING* bindings() const { return bindings_.data(); }
  const uint8_t* buffer() const { return buffer_.data(); }
  const DBCOLUMNINFO* columns() const { return info_; }
  // Column names, converted once per binding rather than once per value.
  const std::u16string& name(size_t column) const { return names_[column]; }
  bool bound() const { return handle_ != 0; }

 private:
  void release();

  const DBCOLUMNINFO* info_ = nullptr;
  std::vector<DBBINDING> bindings_;
  std::vector<std::u16string> names_;
  std::vector<DBBINDSTATUS> status_;
  std::vector<uint8_t> buffer_;
  HACCESSOR handle_ = 0;
  // One by-reference accessor per column, made on first need.
  std::vector<HACCESSOR> whole_;
  ole_ptr<IAccessor> accessor_;
};
