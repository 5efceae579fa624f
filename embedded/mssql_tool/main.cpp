// tsl-mssql: creates an embedded SQL Server directory, manages its logins and
// runs T-SQL scripts and queries against it, printing the results.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "embedded/mssql/server.h"
#include "embedded/mssql/session.h"
#include "embedded/mssql/sql_error.h"

namespace {

using namespace tsl::mssql;

const char kUsage[] =
    "usage: tsl-mssql [--dir DIR] [-U LOGIN] [-d DATABASE] COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  init [VERSION-FILE]   create a server directory (version text from the file, or SQL\n"
    "                        Server 2008's)\n"
    "  set-version FILE      replace the server's @@VERSION text\n"
    "  add-login NAME        add a SQL login; the password is read from standard input\n"
    "  run FILE...           run T-SQL scripts (batches separated by GO lines)\n"
    "  query SQL             run one batch and print its results\n"
    "  databases             list the databases\n"
    "\n"
    "DIR defaults to $TSL_MSSQL_DATA, else $XDG_DATA_HOME/tessaly/mssql.\n"
    "Without -U the local account connects as the server's administrator; with -U the\n"
    "password comes from $TSL_MSSQL_PASSWORD or the first line of standard input.\n";

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string read_password() {
  if (const char* p = std::getenv("TSL_MSSQL_PASSWORD")) return p;
  std::string line;
  std::getline(std::cin, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void print(result_set& r) {
  const auto& cols = r.columns();
  for (size_t i = 0; i < cols.size(); ++i)
    std::cout << (i ? "\t" : "") << (cols[i].name.empty() ? "(No column name)" : cols[i].name);
  std::cout << "\n";
  std::vector<value> row;
  size_t n = 0;
  while (r.next(row)) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) std::cout << "\t";
      if (row[i].is_null())
        std::cout << "NULL";
      else if (row[i].k == value::kind::blob)
        std::cout << "0x" << text_form(row[i], cols[i].type);
      else
        std::cout << text_form(row[i], cols[i].type);
    }
    std::cout << "\n";
    ++n;
  }
  std::cout << "(" << n << (n == 1 ? " row" : " rows") << " affected)\n\n";
}

void print_error(const sql_error& e) {
  for (const auto& r : e.records())
    std::cerr << "Msg " << r.number << ", Level " << r.severity << ", State " << r.state << "\n"
              << r.message << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = server::default_dir();
  std::string user;
  std::string database;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--dir" && i + 1 < argc)
      dir = argv[++i];
    else if (a == "-U" && i + 1 < argc)
      user = argv[++i];
    else if (a == "-d" && i + 1 < argc)
      database = argv[++i];
    else if (a == "-h" || a == "--help") {
      std::cout << kUsage;
      return 0;
    } else
      break;
  }
  if (i >= argc) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string cmd = argv[i++];
  try {
    if (cmd == "init") {
      server::create(dir, i < argc ? read_file(argv[i]) : std::string(kDefaultVersion));
      std::cout << "Created an embedded server in " << dir << "\n";
      return 0;
    }
    auto srv = server::open(dir);
    if (cmd == "set-version" && i < argc) {
      srv->set_version(read_file(argv[i]));
      return 0;
    }
    if (cmd == "add-login" && i < argc) {
      srv->add_login(argv[i], read_password(), database.empty() ? "master" : database);
      return 0;
    }
    login_request l;
    l.integrated = user.empty();
    l.user = user;
    if (!user.empty()) l.password = read_password();
    l.initial_catalog = database;
    session s(srv, l);
    if (cmd == "databases") {
      for (auto& r : s.execute_all("exec sp_databases")) print(*r);
      return 0;
    }
    if (cmd == "query" && i < argc) {
      s.run_script(argv[i], print);
      return 0;
    }
    if (cmd == "run" && i < argc) {
      for (; i < argc; ++i) s.run_script(read_file(argv[i]), print);
      return 0;
    }
    std::cerr << kUsage;
    return 2;
  } catch (const sql_error& e) {
    print_error(e);
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "tsl-mssql: " << e.what() << "\n";
    return 1;
  }
}
