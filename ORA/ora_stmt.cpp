#include "ORA/ora_stmt.h"

#include "ORA/ora_engine.h"

ora_stmt::ora_stmt() {
  ora_engine& e = ora_engine::instance();
  e.check_alloc(e.oci().OCIHandleAlloc(e.env(), reinterpret_cast<void**>(&stmt_), OCI_HTYPE_STMT, 0,
                                       nullptr));
}

ora_stmt::~ora_stmt() {
  if (stmt_ != nullptr && ora_engine::exists())
    ora_engine::instance().oci().OCIHandleFree(stmt_, OCI_HTYPE_STMT);
}
