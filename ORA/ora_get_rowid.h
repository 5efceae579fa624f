#pragma once
// Runs a table's INSERTs on one reused statement and returns each new row's
// ROWID through the output bind ":1".
#include <string>
#include <vector>

#include "ORA/ora_stmt.h"
#include "platform/oci/oci_types.h"

class ora_get_rowid {
 public:
  ora_get_rowid();
  ~ora_get_rowid();
  ora_get_rowid(const ora_get_rowid&) = delete;
  ora_get_rowid& operator=(const ora_get_rowid&) = delete;

  // `sql` is the INSERT without its closing parenthesis; it is completed in
  // place and run. `values` are the texts of its input placeholders
  // (text too long for a literal), named value_name(0), value_name(1)... `commit` commits
  // the row at once; otherwise the caller commits it with its large values.
  // Answers the ROWID text.
  std::u16string do_insert(std::u16string& sql, const std::vector<const std::u16string*>& values,
                           bool commit);
  // The name of the placeholder of value k: ":b1", ":b2"...
  const std::u16string& value_name(size_t k);

 private:
  static sb4 cbf_no_data(void* context, OCIBind* bind, ub4 iter, ub4 index, void** buffer,
                         ub4* length, ub1* piece, void** indicator);
  static sb4 cbf_get_data(void* context, OCIBind* bind, ub4 iter, ub4 index, void** buffer,
                          ub4** length, ub1* piece, void** indicator, ub2** rcode);

  ub4 length_ = 512;
  ora_stmt stmt_;
  OCIBind* bind_ = nullptr;
  char16_t buffer_[256] = {};
  sb2 null_indicator_ = OCI_IND_NULL;
  std::vector<std::u16string> value_names_;
};
