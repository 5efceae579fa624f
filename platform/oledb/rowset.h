#pragma once
// A forward-only, read-only rowset over a result set: column descriptions,
// accessors and row fetching with the provider's conversions.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/ref_counted.h"
#include "platform/oledb/connector.h"
#include "platform/oledb/oledb_interfaces.h"
#include "platform/oledb/result_set.h"

namespace tsl::oledb {

class rowset : public IRowset, public IAccessor, public IColumnsInfo, public com::ref_counted {
 public:
  // Keeps the connection alive as long as the rows are read.
  rowset(std::shared_ptr<connection> conn, std::unique_ptr<result_set> rows);

  HRESULT QueryInterface(REFIID riid, void** out) override;
  ULONG AddRef() override { return add_ref(); }
  ULONG Release() override { return release(); }

  // IRowset
  HRESULT AddRefRows(DBCOUNTITEM rows, const HROW handles[], DBREFCOUNT ref_counts[],
                     DBROWSTATUS row_status[]) override;
  HRESULT GetData(HROW row, HACCESSOR accessor, void* data) override;
  HRESULT GetNextRows(HCHAPTER reserved, DBROWOFFSET offset, DBROWCOUNT rows, DBCOUNTITEM* obtained,
                      HROW** handles) override;
  HRESULT ReleaseRows(DBCOUNTITEM rows, const HROW handles[], DBROWOPTIONS options[],
                      DBREFCOUNT ref_counts[], DBROWSTATUS row_status[]) override;
  HRESULT RestartPosition(HCHAPTER reserved) override;

  // IAccessor
  HRESULT AddRefAccessor(HACCESSOR accessor, DBREFCOUNT* ref_count) override;
  HRESULT CreateAccessor(DBACCESSORFLAGS flags, DBCOUNTITEM count, const DBBINDING bindings[],
                         DBLENGTH row_size, HACCESSOR* accessor, DBBINDSTATUS status[]) override;
  HRESULT GetBindings(HACCESSOR accessor, DBACCESSORFLAGS* flags, DBCOUNTITEM* count,
                      DBBINDING** bindings) override;
  HRESULT ReleaseAccessor(HACCESSOR accessor, DBREFCOUNT* ref_count) override;

  // IColumnsInfo
  HRESULT GetColumnInfo(DBORDINAL* columns, DBCOLUMNINFO** info, OLECHAR** strings) override;
  HRESULT MapColumnIDs(DBORDINAL count, const DBID ids[], DBORDINAL ordinals[]) override;

 private:
  struct accessor_data {
    std::vector<DBBINDING> bindings;
    DBREFCOUNT refs = 1;
  };
  struct slot {
    std::vector<field_value> row;
    DBREFCOUNT refs = 0;
  };
  // Writes one bound value; returns its status.
  DBSTATUS write(const DBBINDING& b, size_t column, const field_value& v, BYTE* data);
  bool held_rows() const;

  std::shared_ptr<connection> conn_;
  std::unique_ptr<result_set> rows_;
  std::vector<std::u16string> names_;
  std::map<HACCESSOR, accessor_data> accessors_;
  HACCESSOR next_accessor_ = 1;
  std::vector<slot> slots_;
  bool at_end_ = false;
  std::string text_;     // scratch for text forms
  std::u16string wide_;  // scratch for UTF-16 texts
};

}  // namespace tsl::oledb
