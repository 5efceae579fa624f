#pragma once
// A server directory: its databases (data/<name>.sqlite), its SQL logins
// (the logins file, owner-only, salted hashes) and its version text. The
// local account that owns the directory is the server's administrator and
// works as dbo.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "embedded/mssql/database.h"

namespace tsl::mssql {

extern const char kDefaultVersion[];  // a SQL Server 2008 @@VERSION text

class server {
 public:
  // Creates a server directory with master, model, msdb and tempdb; throws
  // std::runtime_error when the directory holds a server already.
  static void create(const std::string& dir, const std::string& version = kDefaultVersion);
  // One object per directory and process, shared by every connection.
  static std::shared_ptr<server> open(const std::string& dir);
  static bool exists(const std::string& dir);
  // TSL_MSSQL_DATA, else $XDG_DATA_HOME/tessaly/mssql, else ~/.local/share/tessaly/mssql.
  static std::string default_dir();

  explicit server(std::string dir);
  const std::string& dir() const { return dir_; }

  std::string version() const;
  void set_version(const std::string& text);

  void add_login(const std::string& name, const std::string& password,
                 const std::string& default_db = "master");
  bool check_login(const std::string& name, const std::string& password) const;
  bool has_login(const std::string& name) const;
  std::string default_database(const std::string& login) const;
  // Whether the calling process may log in with integrated security.
  bool trusts_local_account() const;

  // Database names sorted as sp_databases lists them.
  std::vector<std::string> database_names() const;
  bool has_database(const std::string& name) const;
  void create_database(const std::string& name);
  // Throws sql_error 911 when missing.
  std::shared_ptr<database> open_database(const std::string& name);

 private:
  struct login {
    std::string name, salt, hash, default_db;
  };
  std::vector<login> read_logins() const;
  void write_logins(const std::vector<login>& logins) const;
  std::string file_of(const std::string& name) const;

  std::string dir_;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<database>> open_;  // by lower-case name
};

}  // namespace tsl::mssql
