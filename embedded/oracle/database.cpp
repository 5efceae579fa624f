#include "embedded/oracle/database.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "embedded/common/sha256.h"
#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/sqlite_db.h"

namespace tsl::eora {

namespace fs = std::filesystem;

namespace {

constexpr const char* schema_sql = R"(
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE users(name TEXT PRIMARY KEY, salt BLOB, hash BLOB);
CREATE TABLE revoked_privileges(user TEXT, privilege TEXT, PRIMARY KEY(user, privilege));
CREATE TABLE objects(id INTEGER PRIMARY KEY, owner TEXT, name TEXT, type TEXT);
CREATE UNIQUE INDEX objects_name ON objects(owner, name);
CREATE TABLE columns(table_id INTEGER, column_id INTEGER, name TEXT, code INTEGER, length INTEGER,
  char_sem INTEGER, precision INTEGER, scale INTEGER, nullable INTEGER, default_text TEXT,
  PRIMARY KEY(table_id, column_id));
CREATE TABLE constraints(owner TEXT, name TEXT, type TEXT, table_id INTEGER, r_owner TEXT,
  r_name TEXT, delete_rule TEXT, generated INTEGER, index_name TEXT, search_condition TEXT,
  seq INTEGER, PRIMARY KEY(owner, name));
CREATE TABLE cons_columns(owner TEXT, constraint_name TEXT, column_name TEXT, position INTEGER);
CREATE TABLE indexes(owner TEXT, name TEXT, table_id INTEGER, is_unique INTEGER, generated INTEGER,
  storage TEXT, seq INTEGER, PRIMARY KEY(owner, name));
CREATE TABLE ind_columns(owner TEXT, index_name TEXT, column_name TEXT, position INTEGER,
  descend INTEGER);
CREATE TABLE sequences(owner TEXT, name TEXT, min_value TEXT, max_value TEXT, increment TEXT,
  cycle INTEGER, ord INTEGER, cache INTEGER, last_number TEXT, PRIMARY KEY(owner, name));
CREATE TABLE triggers(owner TEXT, name TEXT, table_id INTEGER, timing TEXT, events TEXT,
  for_each_row INTEGER, when_text TEXT, body TEXT, valid INTEGER, source TEXT,
  PRIMARY KEY(owner, name));
)";

constexpr int hash_rounds = 4096;

// Databases made before privileges could be revoked lack the table.
constexpr const char* privileges_sql =
    "CREATE TABLE IF NOT EXISTS revoked_privileges(user TEXT, privilege TEXT, "
    "PRIMARY KEY(user, privilege))";

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool plain_service(const std::string& s) {
  if (s.empty() || s.size() > 64) return false;
  for (unsigned char c : s)
    if (!std::isalnum(c) && c != '_' && c != '.' && c != '$' && c != '#' && c != '-') return false;
  return s != "." && s != "..";
}

std::string hash_password(const std::string& salt, const std::string& password) {
  std::string h = tsl::embedded::sha256_bytes(salt + password);
  for (int i = 1; i < hash_rounds; ++i) h = tsl::embedded::sha256_bytes(h + salt);
  return h;
}

std::string meta_value(sqlite_conn& db, const char* key) {
  sqlite_stmt s(db.get(), "SELECT value FROM meta WHERE key = ?");
  s.bind(1, key);
  return s.step() ? s.text(0) : std::string();
}

database_info read_info(const std::string& path) {
  sqlite_conn db(path, false);
  database_info info;
  info.path = path;
  info.service = meta_value(db, "service");
  info.port = std::atoi(meta_value(db, "port").c_str());
  info.version = release::parse(meta_value(db, "version"));
  return info;
}

bool is_local_host(const std::string& host) {
  std::string h = upper(host);
  if (h == "LOCALHOST" || h == "::1" || h.rfind("127.", 0) == 0 || h == "LOCALHOST.LOCALDOMAIN")
    return true;
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) == 0) {
    std::string me = upper(name);
    if (h == me || h.rfind(me + ".", 0) == 0 || me.rfind(h + ".", 0) == 0) return true;
  }
  bool found = false;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) == 0) {
    for (ifaddrs* a = list; a != nullptr && !found; a = a->ifa_next) {
      if (a->ifa_addr == nullptr) continue;
      char buf[INET6_ADDRSTRLEN] = {};
      if (a->ifa_addr->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, buf, sizeof buf);
      else if (a->ifa_addr->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(a->ifa_addr)->sin6_addr, buf,
                  sizeof buf);
      if (buf[0] != '\0' && upper(buf) == h) found = true;
    }
    freeifaddrs(list);
  }
  return found;
}

// The value of KEY=... anywhere in a descriptor, or empty.
std::string descriptor_value(const std::string& d, const std::string& key) {
  std::string u = upper(d);
  size_t pos = 0;
  while ((pos = u.find(key, pos)) != std::string::npos) {
    size_t before = pos;
    while (before > 0 && u[before - 1] == ' ') --before;
    size_t p = pos + key.size();
    while (p < u.size() && u[p] == ' ') ++p;
    if (before > 0 && u[before - 1] == '(' && p < u.size() && u[p] == '=') {
      size_t b = p + 1, e = d.find(')', b);
      if (e == std::string::npos) return {};
      std::string v = d.substr(b, e - b);
      v.erase(0, v.find_first_not_of(' '));
      v.erase(v.find_last_not_of(' ') + 1);
      return v;
    }
    pos += key.size();
  }
  return {};
}

database_info resolve_address(const std::string& host, const std::string& port_text,
                              const std::string& service) {
  if (host.empty() || !is_local_host(host)) throw make_error(12545);
  int port = port_text.empty() ? default_port : std::atoi(port_text.c_str());
  std::vector<database_info> listening;
  for (auto& db : list_databases())
    if (db.port == port) listening.push_back(db);
  if (listening.empty()) throw make_error(12541);
  for (auto& db : listening)
    if (db.service == upper(service)) return db;
  // A listener that serves one database answers any service name with it, so
  // the direct way (host, port) reaches it.
  if (listening.size() == 1) return listening.front();
  throw make_error(12514);
}

}  // namespace

release release::parse(const std::string& text) {
  release r;
  if (text.empty() || text == "current" || text == "19" || text == "19c") {
    r.full = "19.3.0.0.0";
    return r;
  }
  int a = 0, b = 0, c = 0;
  int n = std::sscanf(text.c_str(), "%d.%d.%d", &a, &b, &c);
  if (n < 1 || a < 7 || a > 23) throw std::runtime_error("unknown release '" + text + "'");
  r.major = a;
  r.minor = n >= 2 ? b : 0;
  r.patch = n >= 3 ? c : 0;
  if (n < 3) {
    // The last patch set of each release stands for it.
    if (a == 7 && r.minor == 3) r.patch = 4;
    if (a == 8 && r.minor == 1) r.patch = 7;
  }
  r.full = std::to_string(r.major) + "." + std::to_string(r.minor) + "." + std::to_string(r.patch) +
           ".0.0";
  return r;
}

std::vector<std::string> release::banner() const {
  const std::string& v = full;
  if (major >= 18) {
    return {"Oracle Database " + std::to_string(major) + "c Enterprise Edition Release " +
            std::to_string(major) + ".0.0.0.0 - Production"};
  }
  if (major == 7) {
    return {"Oracle7 Server Release " + v + " - Production",
            "PL/SQL Release 2." + std::to_string(minor) + "." + std::to_string(patch) +
                ".0.0 - Production",
            "CORE Version 3.0." + std::to_string(patch) + ".0.0 - Production",
            "TNS for Linux: Version 2." + std::to_string(minor) + "." + std::to_string(patch) +
                ".0.0 - Production",
            "NLSRTL Version 3.2." + std::to_string(patch) + ".0.0 - Production"};
  }
  std::string first;
  if (major == 8)
    first = "Oracle8i Enterprise Edition Release " + v + " - Production";
  else if (major == 9)
    first = "Oracle9i Enterprise Edition Release " + v + " - Production";
  else
    first = "Oracle Database " + std::to_string(major) +
            (major == 10   ? "g"
             : major == 11 ? "g"
                           : "c") +
            " Enterprise Edition Release " + v + " - 64bit Production";
  return {first, "PL/SQL Release " + v + " - Production", "CORE\t" + v + "\tProduction",
          "TNS for Linux: Version " + v + " - Production", "NLSRTL Version " + v + " - Production"};
}

std::string data_directory() {
  const char* d = std::getenv("TSL_ORACLE_DATA");
  if (d != nullptr && *d != '\0') return d;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && *xdg != '\0') return std::string(xdg) + "/tessaly/oracle";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/.local/share/tessaly/oracle";
}

database_info create_database(const std::string& service, int port, const std::string& version) {
  if (!plain_service(service)) throw std::runtime_error("invalid service name '" + service + "'");
  if (port <= 0 || port > 65535) throw std::runtime_error("invalid port " + std::to_string(port));
  release r = release::parse(version);
  std::string dir = data_directory();
  fs::create_directories(dir);
  ::chmod(dir.c_str(), 0700);
  std::string path = dir + "/" + upper(service) + ".db";
  if (fs::exists(path)) throw std::runtime_error("database " + upper(service) + " already exists");
  {
    sqlite_conn db(path, true);
    db.exec("BEGIN");
    db.exec(schema_sql);
    sqlite_stmt put(db.get(), "INSERT INTO meta(key, value) VALUES (?, ?)");
    auto set = [&](const char* k, const std::string& v) {
      put.bind(1, k).bind(2, v).step();
      put.reset();
    };
    set("service", upper(service));
    set("port", std::to_string(port));
    set("version", r.full);
    set("ddl_gen", "0");
    set("sys_c", "0");
    db.exec("COMMIT");
  }
  ::chmod(path.c_str(), 0600);
  return read_info(path);
}

std::vector<database_info> list_databases() {
  std::vector<database_info> out;
  std::error_code ec;
  for (auto& e : fs::directory_iterator(data_directory(), ec)) {
    if (e.path().extension() != ".db") continue;
    try {
      out.push_back(read_info(e.path().string()));
    } catch (const storage_error&) {
      // Not one of ours; the listener does not serve it.
    }
  }
  std::sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.service < b.service; });
  return out;
}

database_info find_database(const std::string& service) {
  if (!plain_service(service)) throw make_error(12154);
  std::string path = data_directory() + "/" + upper(service) + ".db";
  if (!fs::exists(path)) throw make_error(12154);
  try {
    return read_info(path);
  } catch (const storage_error& e) {
    // A file that is no database of ours serves no service; any other
    // failure of the file is its own error.
    if ((e.code() & 0xFF) == SQLITE_NOTADB) throw make_error(12154);
    throw;
  }
}

database_info resolve_connect(const std::string& connect) {
  std::string c = connect;
  c.erase(0, c.find_first_not_of(" \t\r\n"));
  c.erase(c.find_last_not_of(" \t\r\n") + 1);
  if (c.empty()) throw make_error(12154);
  if (c[0] == '(') {
    std::string service = descriptor_value(c, "SERVICE_NAME");
    if (service.empty()) service = descriptor_value(c, "SID");
    return resolve_address(descriptor_value(c, "HOST"), descriptor_value(c, "PORT"), service);
  }
  // Easy Connect: [//]host[:port]/service
  if (c.rfind("//", 0) == 0) c = c.substr(2);
  size_t slash = c.find('/');
  if (slash != std::string::npos) {
    std::string address = c.substr(0, slash), service = c.substr(slash + 1);
    size_t colon = address.rfind(':');
    std::string host = address, port;
    if (colon != std::string::npos && address.find(']') == std::string::npos) {
      host = address.substr(0, colon);
      port = address.substr(colon + 1);
    }
    return resolve_address(host, port, service);
  }
  return find_database(c);
}

std::string normalize_user(const std::string& user) {
  if (user.size() >= 2 && user.front() == '"' && user.back() == '"')
    return user.substr(1, user.size() - 2);
  return upper(user);
}

void create_user(const std::string& service, const std::string& user, const std::string& password) {
  database_info info = find_database(service);
  std::string name = normalize_user(user);
  if (name.empty() || name.size() > info.version.max_name()) throw make_error(972);
  if (password.empty()) throw make_error(988);
  sqlite_conn db(info.path, false);
  std::random_device rd;
  std::string salt;
  for (int i = 0; i < 16; ++i) salt.push_back(static_cast<char>(rd() & 0xFF));
  sqlite_stmt exists(db.get(), "SELECT 1 FROM users WHERE name = ?");
  exists.bind(1, name);
  if (exists.step()) throw make_error(1920, {name});
  sqlite_stmt put(db.get(), "INSERT INTO users(name, salt, hash) VALUES (?, ?, ?)");
  put.bind(1, name).bind_blob(2, salt).bind_blob(3, hash_password(salt, password)).step();
}

privilege parse_privilege(const std::string& name) {
  std::string words;
  for (size_t i = 0; i < name.size();) {
    if (std::isspace(static_cast<unsigned char>(name[i]))) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < name.size() && !std::isspace(static_cast<unsigned char>(name[end]))) ++end;
    if (!words.empty()) words += ' ';
    words += upper(name.substr(i, end - i));
    i = end;
  }
  if (words == privilege_name(privilege::create_sequence)) return privilege::create_sequence;
  throw std::invalid_argument("unknown privilege '" + name + "' (known: CREATE SEQUENCE)");
}

const char* privilege_name(privilege p) {
  switch (p) {
    case privilege::create_sequence:
      return "CREATE SEQUENCE";
  }
  return "";
}

namespace {

void set_privilege(const std::string& service, const std::string& user, privilege p, bool granted) {
  database_info info = find_database(service);
  std::string name = normalize_user(user);
  sqlite_conn db(info.path, false);
  sqlite_stmt exists(db.get(), "SELECT 1 FROM users WHERE name = ?");
  exists.bind(1, name);
  if (!exists.step()) throw make_error(1918, {name});
  db.exec(privileges_sql);
  sqlite_stmt change(db.get(), granted ? "DELETE FROM revoked_privileges WHERE user = ? AND "
                                         "privilege = ?"
                                       : "INSERT OR IGNORE INTO revoked_privileges(user, "
                                         "privilege) VALUES (?, ?)");
  change.bind(1, name).bind(2, privilege_name(p)).step();
}

}  // namespace

void revoke_privilege(const std::string& service, const std::string& user, privilege p) {
  set_privilege(service, user, p, false);
}

void grant_privilege(const std::string& service, const std::string& user, privilege p) {
  set_privilege(service, user, p, true);
}

bool has_privilege(sqlite_conn& db, const std::string& user, privilege p) {
  sqlite_stmt table(db.get(),
                    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND "
                    "name = 'revoked_privileges'");
  if (!table.step()) return true;
  sqlite_stmt q(db.get(), "SELECT 1 FROM revoked_privileges WHERE user = ? AND privilege = ?");
  q.bind(1, user).bind(2, privilege_name(p));
  return !q.step();
}

void check_password(sqlite_conn& db, const std::string& user, const std::string& password) {
  sqlite_stmt s(db.get(), "SELECT salt, hash FROM users WHERE name = ?");
  s.bind(1, normalize_user(user));
  if (!s.step()) throw make_error(1017);
  std::string salt = s.text(0), hash = s.text(1);
  if (hash_password(salt, password) != hash) throw make_error(1017);
}

}  // namespace tsl::eora
