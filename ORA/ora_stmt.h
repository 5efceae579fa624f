#pragma once
// Owner of one OCI statement handle, allocated from the engine's environment
// for the life of one statement.
#include "platform/oci/oci_types.h"

class ora_stmt {
 public:
  ora_stmt();
  ~ora_stmt();
  ora_stmt(const ora_stmt&) = delete;
  ora_stmt& operator=(const ora_stmt&) = delete;

  OCIStmt* get() const { return stmt_; }
  operator OCIStmt*() const { return stmt_; }

 private:
  OCIStmt* stmt_ = nullptr;
};
