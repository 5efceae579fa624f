#pragma once
// The databases of the embedded Oracle: one SQLite file each in the data
// directory, found by service name or by a connect descriptor.
#include <string>
#include <vector>

namespace tsl::eora {

class sqlite_conn;

// The release a database reports and behaves as.
struct release {
  int major = 19, minor = 3, patch = 0;
  std::string full;  // "19.3.0.0.0"
  // V$VERSION rows.
  std::vector<std::string> banner() const;
  // Longest name in bytes. Every release keeps the 30 of a database whose
  // COMPATIBLE setting is below 12.2, which is what the destination expects.
  size_t max_name() const { return 30; }
  bool before_8() const { return major < 8; }
  static release parse(const std::string& text);  // "current", "7.3", "11.2", "19"...
};

inline constexpr int default_port = 1521;

// TSL_ORACLE_DATA, else $XDG_DATA_HOME/tessaly/oracle, else
// ~/.local/share/tessaly/oracle.
std::string data_directory();

struct database_info {
  std::string service;  // upper case
  std::string path;
  int port = default_port;
  release version;
};

// Creates an empty database; raises std::runtime_error when the name is not a
// plain service name or the database exists.
database_info create_database(const std::string& service, int port, const std::string& version);
std::vector<database_info> list_databases();
// Raises ORA-12154 for an unknown service.
database_info find_database(const std::string& service);
// A service name, an Easy Connect string host[:port]/service or a connect
// descriptor. Raises ORA-12154, ORA-12545 (not this host), ORA-12541 (no
// database on that port) or ORA-12514.
database_info resolve_connect(const std::string& connect);

// Users (names folded to upper case unless quoted). Passwords are kept as
// salted, iterated SHA-256 hashes.
void create_user(const std::string& service, const std::string& user, const std::string& password);
std::string normalize_user(const std::string& user);

// System privileges a user can lose and get back; a new user holds them all.
enum class privilege { create_sequence };
// "CREATE SEQUENCE" in any case and spacing; raises std::invalid_argument for
// a name it does not know.
privilege parse_privilege(const std::string& name);
const char* privilege_name(privilege p);
// Raise ORA-01918 for an unknown user. Revoking twice or granting a privilege
// held is no error.
void revoke_privilege(const std::string& service, const std::string& user, privilege p);
void grant_privilege(const std::string& service, const std::string& user, privilege p);
bool has_privilege(sqlite_conn& db, const std::string& user, privilege p);
// Raises ORA-01017 for a wrong user or password.
void check_password(sqlite_conn& db, const std::string& user, const std::string& password);

}  // namespace tsl::eora
