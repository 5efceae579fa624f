#pragma once
// The one way to an MS SQL Server: keeps the source connection settings,
// opens data sources and sessions, tells the server's version, lists
// databases and qualifies table names.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_ptr.h"
#include "TK/tk_singleton.h"
#include "platform/oledb/oledb_interfaces.h"

class mss_database;

class mss_engine : public tk_singleton<mss_engine> {
 public:
  enum version_code : int32_t {
    version_none = 0,
    version_unknown = 1,
    version_7 = 2,
    version_2000 = 3,
    version_2005 = 4,
    version_2008 = 5,
  };

  // Zero: the constructor initialises COM on this thread itself.
  explicit mss_engine(int com_initialized);
  ~mss_engine();

  void connect(const std::u16string& host);
  void connect(const std::u16string& host, const std::u16string& user,
               const std::u16string& password);
  void set_as_dbo(bool flag);

  void test_connection(const std::u16string& connection_string, ole_ptr<IDBInitialize>& out);
  int32_t get_version(IDBInitialize* data_source);
  std::unique_ptr<mss_database> open_db(const std::u16string& name, int32_t mode);
  std::vector<std::u16string>& get_contents(std::vector<std::u16string>& names);
  bool is_db_exist(const std::u16string& name);
  std::u16string get_safe_tname(const std::u16string& name) const;

  // "dbo" without a login, for sa or when connecting as DBO; else the login.
  std::u16string owner() const;
  // The string for work in a database (none when `database` is empty).
  std::u16string make_conn_string(const std::u16string& database) const;

  // Connection strings of the connect step.
  static std::u16string connect_string(const std::u16string& host);
  static std::u16string connect_string(const std::u16string& host, const std::u16string& user,
                                       const std::u16string& password);
  // A value as a connection string carries it: quoted when it would change
  // the string's meaning otherwise.
  static std::u16string quote_value(const std::u16string& value);
  // The connection string with its password hidden, for traces.
  static std::u16string hide_password(const std::u16string& connection_string);
  static int32_t version_from_text(const std::u16string& text);

  int32_t version() const { return version_; }
  const std::u16string& host() const { return host_; }
  const std::u16string& user() const { return user_; }
  bool is_connected() const { return connected_; }
  bool is_windows_auth() const { return windows_auth_; }
  bool is_as_dbo() const { return as_dbo_; }

 private:
  ole_ptr<IOpenRowset> create_session(IDBInitialize* data_source);

  int32_t version_ = version_none;
  std::u16string host_;
  std::u16string user_;
  std::u16string password_;
  bool connected_ = false;
  bool windows_auth_ = false;
  int com_initialized_;
  bool as_dbo_ = false;
};
