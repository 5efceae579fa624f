#pragma once
// Writes the large values of a just-inserted row: its CLOB and BLOB columns
// are selected FOR UPDATE by ROWID and filled through their locators.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/oci/oci_types.h"
#include "platform/oleaut/oleauto_types.h"

class udb_schema;
class udb_record;

class ora_lob_insert {
 public:
  // `forms` marks the LOB columns among `fields`: SQLCS_IMPLICIT for a CLOB,
  // SQLCS_NCHAR for an NCLOB, `binary` for a BLOB, 0 for any other
  // column.
  static constexpr ub1 binary = 0xFF;
  ora_lob_insert(const std::u16string& table, const udb_schema& fields,
                 const std::vector<ub1>& forms);
  ~ora_lob_insert();
  ora_lob_insert(const ora_lob_insert&) = delete;
  ora_lob_insert& operator=(const ora_lob_insert&) = delete;

  bool empty() const { return lobs_.empty(); }
  // Writes the record's large values into the row; the caller commits.
  void insert(const std::u16string& rowid, const udb_record& record);

 private:
  struct lob_field {
    size_t position;
    std::u16string name;
    VARTYPE vartype;
    ub1 form;  // the character set form of a CLOB or NCLOB, `binary` for a BLOB
    OCILobLocator* locator = nullptr;
    OCIDefine* define = nullptr;
  };

  void write_clob(const lob_field& f, const udb_record& record);
  void write_blob(const lob_field& f, const udb_record& record);

  std::vector<lob_field> lobs_;
  // The SELECT up to the ROWID literal.
  std::u16string head_;
  std::u16string table_;
  std::u16string sql_;
  std::u16string text_;
  sb2 indicator_ = 0;
};
