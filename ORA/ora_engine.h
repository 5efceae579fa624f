#pragma once
// The one Oracle connection of the process: the client library, the OCI
// handles, logon by service name or by host and port, the version probe, the
// record counter and the status check that turns OCI_ERROR into
// ora_exception.
#include <memory>
#include <string>

#include "TK/tk_singleton.h"
#include "platform/oci/client_library.h"

class ora_engine : public tk_singleton<ora_engine> {
 public:
  ora_engine();
  ~ora_engine() noexcept(false);

  // Loads the client chosen by TSL_ORACLE_CLIENT and makes the environment
  // and error handles. A client that cannot be loaded or cannot create its
  // environment raises a tk_exception of severity 1 that says why.
  void initialize();
  bool initialized() const { return initialized_; }

  // Logs on (after logging off an earlier connection); the destination
  // database object is built on top of this by open_db. `database` is a
  // service name or a connect descriptor.
  void logon(const std::u16string& database, const std::u16string& user,
             const std::u16string& password);
  // The direct way: a descriptor for host and port.
  void logon(const std::u16string& host, const std::u16string& user, const std::u16string& password,
             const std::u16string& port);
  static std::u16string make_descriptor(const std::u16string& host, const std::u16string& port);

  // major * 65536 + minor * 256 + patch of the server, or 0.
  int get_version();
  // Rows of a table (name quoted, so exact) or of a query.
  int get_records_cnt(const std::u16string& name_or_query, bool is_query);
  int get_records_cnt(const std::u16string& table) { return get_records_cnt(table, false); }

  // OCI_ERROR becomes ora_exception with the first error record; success,
  // success with information and no data are returned; any other status
  // (OCI_INVALID_HANDLE, an unexpected need for data) is a tk_exception.
  sword check_result(sword status);
  // The status of a handle or descriptor allocation, whose errors the
  // environment keeps.
  sword check_alloc(sword status);

  const tsl::oci::api& oci() const { return *api_; }
  OCIEnv* env() const { return env_; }
  OCIError* error() const { return err_; }
  OCISvcCtx* service() const { return svc_; }
  const std::u16string& database() const { return database_; }
  const std::u16string& user() const { return user_; }

  // The texts of the version probe, split out for testing: the packed
  // version of a banner line, or 0.
  static int parse_version(const std::string& banner);

 private:
  void logoff();
  void free_handles();

  std::unique_ptr<tsl::oci::client_library> client_;
  const tsl::oci::api* api_ = nullptr;
  OCIEnv* env_ = nullptr;
  OCIError* err_ = nullptr;
  OCISvcCtx* svc_ = nullptr;
  bool initialized_ = false;
  std::u16string database_, user_, password_;
};
