#pragma once
// One fetched row, converted at once from the row buffer into named values.
// Every column but binary ones arrives as text and is converted here.
#include <memory>
#include <string_view>

#include "MSS/odb_field.h"
#include "UDB/udb_record.h"
#include "platform/oledb/oledb_interfaces.h"

class odb_accessor;

class odb_record : public udb_record {
 public:
  // Reads the buffer the accessor's last GetData filled for `row`.
  odb_record(odb_accessor& accessor, IRowset* rowset, HROW row);

  // The variant type that carries values of an OLE DB column type.
  static VARTYPE get_vartype(DBTYPE type);
  // The value of a non-binary column from its text.
  static std::unique_ptr<odb_field> get_field(const DBCOLUMNINFO& column, std::u16string_view text);

  // Column `ordinal` (from 1) of a record; a missing column is the standard
  // out-of-range error.
  static const udb_field& column(const udb_record& record, size_t ordinal);
};
