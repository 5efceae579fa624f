#pragma once
// The structures behind the opaque OCI handles and descriptors.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "embedded/oracle/ast.h"
#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/result_set.h"
#include "embedded/oracle/session.h"
#include "platform/oci/oci_types.h"

namespace tsl::eoci {

struct handle {
  explicit handle(ub4 t) : type(t) {}
  virtual ~handle() = default;
  ub4 type;
  std::vector<char> user_memory;
};

struct env_handle;

struct error_handle : handle {
  error_handle() : handle(OCI_HTYPE_ERROR) {}
  env_handle* env = nullptr;
  int code = 0;
  std::string message;  // UTF-8, "ORA-nnnnn: ..."
  bool has = false;
  // A row's error of an array DML run in batch-error mode: its offset in
  // the arrays.
  ub4 row_offset = 0;
  // The rows that failed in the last batch-error run through this handle.
  struct row_error {
    ub4 offset;
    int code;
    std::string message;
  };
  std::vector<row_error> batch;
};

struct env_handle : handle {
  env_handle() : handle(OCI_HTYPE_ENV) {}
  bool utf16 = false;
  error_handle errors;  // errors of handle allocation
};

struct server_handle : handle {
  server_handle() : handle(OCI_HTYPE_SERVER) {}
  env_handle* env = nullptr;
  std::string connect;
  bool attached = false;
};

struct session_handle : handle {
  session_handle() : handle(OCI_HTYPE_SESSION) {}
  env_handle* env = nullptr;
  std::string user, password;
  std::unique_ptr<eora::session> live;
};

struct svc_handle : handle {
  svc_handle() : handle(OCI_HTYPE_SVCCTX) {}
  env_handle* env = nullptr;
  server_handle* server = nullptr;
  session_handle* user = nullptr;
  // Made by OCILogon, which then owns the server and session handles too.
  bool from_logon = false;
  std::unique_ptr<server_handle> own_server;
  std::unique_ptr<session_handle> own_session;
  eora::session* live() const { return user != nullptr ? user->live.get() : nullptr; }
};

struct stmt_handle;

struct bind_handle : handle {
  bind_handle() : handle(OCI_HTYPE_BIND) {}
  stmt_handle* stmt = nullptr;
  std::string name;  // upper case, without the colon; empty for a position
  ub4 position = 0;
  void* valuep = nullptr;
  sb4 value_sz = 0;
  ub2 dty = 0;
  void* indp = nullptr;
  ub2* alenp = nullptr;
  ub4 mode = 0;
  OCICallbackInBind in_cb = nullptr;
  OCICallbackOutBind out_cb = nullptr;
  void* in_ctx = nullptr;
  void* out_ctx = nullptr;
  ub4 rows_returned = 0;
  ub1 charset_form = SQLCS_IMPLICIT;
};

struct define_handle : handle {
  define_handle() : handle(OCI_HTYPE_DEFINE) {}
  stmt_handle* stmt = nullptr;
  ub4 position = 0;
  void* valuep = nullptr;
  sb4 value_sz = 0;
  ub2 dty = 0;
  void* indp = nullptr;
  ub2* rlenp = nullptr;
  ub2* rcodep = nullptr;
  ub1 charset_form = SQLCS_IMPLICIT;
};

struct param_handle : handle {
  param_handle() : handle(OCI_DTYPE_PARAM) {}
  eora::result_column column;
  bool wide = false;  // the name as the environment's text
  std::u16string name16;
  std::string name8;
};

struct stmt_handle : handle {
  stmt_handle() : handle(OCI_HTYPE_STMT) {}
  env_handle* env = nullptr;
  eora::session* live = nullptr;  // the session that ran it
  std::string sql;
  eora::stmt_ptr parsed;
  std::vector<std::unique_ptr<bind_handle>> binds;
  std::map<ub4, std::unique_ptr<define_handle>> defines;
  std::vector<std::unique_ptr<param_handle>> params;
  std::vector<eora::result_column> columns;
  eora::result_set rows;
  size_t next_row = 0;
  bool executed = false;
  bool is_query = false;
  bool pending = false;  // executed without iterations: rows come at the first fetch
  ub4 row_count = 0;
  ub4 rows_fetched = 0;
  ub4 dml_errors = 0;  // rows refused by the last batch-error execute
  std::string rowid;
  ub2 stmt_type = 0;
};

struct lob_handle : handle {
  lob_handle() : handle(OCI_DTYPE_LOB) {}
  env_handle* env = nullptr;
  eora::session* owner = nullptr;
  eora::lob_ref ref;
  bool valid = false;
  // Streamed writes collect here until the last piece; polled reads
  // continue from `read_at` (0 when none is under way).
  std::string pending;
  uint64_t pending_offset = 0;
  uint64_t read_at = 0;
};

struct rowid_handle : handle {
  rowid_handle() : handle(OCI_DTYPE_ROWID) {}
  std::string text;
};

// Every live handle, so that a stale or foreign pointer is refused instead of
// followed.
void register_handle(handle* h);
void unregister_handle(handle* h);
// The handle if `p` is a live one of that type (0: any type), else null.
handle* find_handle(const void* p, ub4 type = 0);
template <typename T>
T* as(const void* p, ub4 type) {
  return static_cast<T*>(find_handle(p, type));
}

// Records an error on the error handle (when there is one) and returns
// OCI_ERROR.
sword fail(error_handle* err, const eora::oracle_error& e);
sword fail(error_handle* err, int code);

// Text crossing the interface: UTF-16 in a UTF-16 environment, else UTF-8.
std::string text_in(const env_handle* env, const void* p, size_t bytes);
// Writes text with a terminator into `cap` bytes; returns the bytes written
// without the terminator; `truncated` tells whether it did not fit.
size_t text_out(const env_handle* env, const std::string& utf8, void* buf, size_t cap,
                bool terminate, bool* truncated);

}  // namespace tsl::eoci
