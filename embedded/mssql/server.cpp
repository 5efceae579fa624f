#include "embedded/mssql/server.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "embedded/common/sha256.h"
#include "embedded/mssql/sql_error.h"

namespace tsl::mssql {

const char kDefaultVersion[] =
    "Microsoft SQL Server 2008 (SP1) - 10.0.2531.0 (X64) \n\tMar 29 2009 10:11:52 \n\tCopyright "
    "(c) 1988-2008 Microsoft Corporation\n\tDeveloper Edition (64-bit) on Windows NT 6.1 <X64> "
    "(Build 7600: )\n";

namespace {

const char kMarker[] = "tessaly-mssql-server 1\n";

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void make_dir(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
    throw std::runtime_error("cannot create directory " + path);
}

void make_dirs(const std::string& path) {
  for (size_t p = 1; p <= path.size(); ++p)
    if (p == path.size() || path[p] == '/') make_dir(path.substr(0, p));
}

void write_private(const std::string& path, const std::string& text) {
  std::string tmp = path + ".tmp";
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) throw std::runtime_error("cannot write " + path);
  fchmod(fd, 0600);
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) {
      ::close(fd);
      throw std::runtime_error("cannot write " + path);
    }
    done += static_cast<size_t>(n);
  }
  fsync(fd);
  ::close(fd);
  if (rename(tmp.c_str(), path.c_str()) != 0) throw std::runtime_error("cannot write " + path);
}

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string hash_password(const std::string& salt, const std::string& password) {
  auto h = tsl::embedded::sha256(salt + password);
  for (int i = 0; i < 4096; ++i)
    h = tsl::embedded::sha256(std::string(reinterpret_cast<const char*>(h.data()), h.size()) +
                              salt + password);
  return tsl::embedded::to_hex(h.data(), h.size());
}

bool valid_db_name(const std::string& n) {
  if (n.empty() || n.size() > 123 || n == "." || n == "..") return false;
  for (char c : n)
    if (c == '/' || c == '\\' || c == '\0' || c == '\n' || c == '\t') return false;
  return true;
}

std::mutex g_registry_mutex;
std::map<std::string, std::weak_ptr<server>> g_registry;

}  // namespace

bool server::exists(const std::string& dir) {
  return read_all(dir + "/server.id") == kMarker;
}

std::string server::default_dir() {
  if (const char* d = std::getenv("TSL_MSSQL_DATA"); d && *d) return d;
  if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
    return std::string(x) + "/tessaly/mssql";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : ".") + "/.local/share/tessaly/mssql";
}

void server::create(const std::string& dir, const std::string& version) {
  if (exists(dir)) throw std::runtime_error("a server exists already in " + dir);
  make_dirs(dir);
  make_dir(dir + "/data");
  write_private(dir + "/version", version);
  write_private(dir + "/logins", "");
  for (const char* name : {"master", "model", "msdb", "tempdb"})
    database(name, dir + "/data/" + name + ".sqlite", true);
  write_private(dir + "/server.id", kMarker);
}

std::shared_ptr<server> server::open(const std::string& dir) {
  char resolved[PATH_MAX];
  std::string key = realpath(dir.c_str(), resolved) ? std::string(resolved) : dir;
  std::lock_guard<std::mutex> lock(g_registry_mutex);
  if (auto s = g_registry[key].lock()) return s;
  if (!exists(key)) throw std::runtime_error("no server in " + dir);
  auto s = std::make_shared<server>(key);
  g_registry[key] = s;
  return s;
}

server::server(std::string dir) : dir_(std::move(dir)) {}

std::string server::version() const {
  return read_all(dir_ + "/version");
}

void server::set_version(const std::string& text) {
  write_private(dir_ + "/version", text);
}

std::vector<server::login> server::read_logins() const {
  std::vector<login> out;
  std::istringstream in(read_all(dir_ + "/logins"));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t p; (p = line.find('\t', start)) != std::string::npos; start = p + 1)
      f.push_back(line.substr(start, p - start));
    f.push_back(line.substr(start));
    if (f.size() == 4) out.push_back(login{f[0], f[1], f[2], f[3]});
  }
  return out;
}

void server::write_logins(const std::vector<login>& logins) const {
  std::string text;
  for (const auto& l : logins)
    text += l.name + "\t" + l.salt + "\t" + l.hash + "\t" + l.default_db + "\n";
  write_private(dir_ + "/logins", text);
}

void server::add_login(const std::string& name, const std::string& password,
                       const std::string& default_db) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (name.empty() || name.find_first_of("\t\n\r") != std::string::npos)
    throw err::generic(
        15006, "'" + name + "' is not a valid name because it contains invalid characters.");
  auto logins = read_logins();
  for (const auto& l : logins)
    if (iequals(l.name, name))
      throw err::generic(15025, "The server principal '" + name + "' already exists.");
  std::random_device rd;
  uint8_t salt[16];
  for (auto& b : salt) b = static_cast<uint8_t>(rd());
  std::string s = tsl::embedded::to_hex(salt, sizeof salt);
  logins.push_back(login{name, s, hash_password(s, password), default_db});
  write_logins(logins);
}

bool server::has_login(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& l : read_logins())
    if (iequals(l.name, name)) return true;
  return false;
}

bool server::check_login(const std::string& name, const std::string& password) const {
  std::lock_guard<std::mutex> lock(mutex_);
  // The same work whether the login exists or not, and a comparison that
  // does not stop at the first differing byte: timing tells nothing.
  const login* found = nullptr;
  const std::vector<login> logins = read_logins();
  for (const auto& l : logins)
    if (!found && iequals(l.name, name)) found = &l;
  static const std::string kNoSalt(32, '0');
  const std::string hash = hash_password(found ? found->salt : kNoSalt, password);
  const std::string& want = found ? found->hash : hash;
  unsigned char diff = hash.size() == want.size() ? 0 : 1;
  for (size_t i = 0; i < hash.size() && i < want.size(); ++i)
    diff |= static_cast<unsigned char>(hash[i] ^ want[i]);
  return found != nullptr && diff == 0;
}

std::string server::default_database(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& l : read_logins())
    if (iequals(l.name, name)) return l.default_db;
  return "master";
}

bool server::trusts_local_account() const {
  struct stat st {};
  return stat(dir_.c_str(), &st) == 0 && st.st_uid == getuid();
}

std::vector<std::string> server::database_names() const {
  std::vector<std::string> names;
  DIR* d = opendir((dir_ + "/data").c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    std::string f = e->d_name;
    const std::string ext = ".sqlite";
    if (f.size() > ext.size() && f.compare(f.size() - ext.size(), ext.size(), ext) == 0)
      names.push_back(f.substr(0, f.size() - ext.size()));
  }
  closedir(d);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
  return names;
}

std::string server::file_of(const std::string& name) const {
  for (const auto& n : database_names())
    if (iequals(n, name)) return dir_ + "/data/" + n + ".sqlite";
  return {};
}

bool server::has_database(const std::string& name) const {
  return !file_of(name).empty();
}

void server::create_database(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!valid_db_name(name))
    throw err::generic(15151, "Cannot create the database '" + name + "': the name is not valid.");
  if (!file_of(name).empty())
    throw err::generic(1801,
                       "Database '" + name + "' already exists. Choose a different database name.");
  auto db = std::make_shared<database>(name, dir_ + "/data/" + name + ".sqlite", true);
  open_[lower(name)] = db;
}

std::shared_ptr<database> server::open_database(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = open_.find(lower(name));
  if (it != open_.end()) return it->second;
  std::string file = file_of(name);
  if (file.empty()) throw err::no_database(name);
  std::string real = file.substr(dir_.size() + 6, file.size() - dir_.size() - 6 - 7);
  auto db = std::make_shared<database>(real, file, false);
  open_[lower(name)] = db;
  return db;
}

}  // namespace tsl::mssql
