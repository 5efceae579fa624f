// tsl-oracle: creates embedded Oracle databases and users and runs SQL
// against them.
//
//   tsl-oracle create-db SERVICE [--port N] [--version 7.3|8.1|9.2|10.2|11.2|12.1|current]
//   tsl-oracle create-user SERVICE USER [PASSWORD]
//   tsl-oracle revoke|grant SERVICE USER "CREATE SEQUENCE"
//   tsl-oracle list-dbs
//   tsl-oracle sql CONNECT USER[/PASSWORD] [-f FILE | -e SQL]...
//
// CONNECT is a service name, host:port/service or a connect descriptor.
// Without -f or -e, statements are read from standard input. The session
// commits at the end, as a logoff does. Exit status: 0, or 1 when a statement
// failed, 2 for wrong usage.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "embedded/oracle/database.h"
#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/session.h"
#include "embedded/oracle_tool/script.h"
#include "embedded/oracle_tool/table_printer.h"
#include "tsl_version.h"

using namespace tsl::eora;

namespace {

const char kUsage[] =
    "usage: tsl-oracle create-db SERVICE [--port N] [--version RELEASE]\n"
    "       tsl-oracle create-user SERVICE USER [PASSWORD]\n"
    "       tsl-oracle revoke|grant SERVICE USER \"CREATE SEQUENCE\"\n"
    "       tsl-oracle list-dbs\n"
    "       tsl-oracle sql CONNECT USER[/PASSWORD] [-f FILE | -e SQL]...\n"
    "       tsl-oracle --help | --version\n"
    "\n"
    "A password left out of the command line, where other users can see it,\n"
    "comes from $TSL_ORACLE_PASSWORD, else from the first line of standard input\n"
    "(for sql without -f or -e, the statements follow it there).\n"
    "Databases live in $TSL_ORACLE_DATA, else $XDG_DATA_HOME/tessaly/oracle.\n";

int usage() {
  std::cerr << kUsage;
  return 2;
}

std::string read_password() {
  if (const char* p = std::getenv("TSL_ORACLE_PASSWORD")) return p;
  std::string line;
  std::getline(std::cin, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

const char* verb(stmt_kind k, uint64_t n) {
  bool one = n == 1;
  switch (k) {
    case stmt_kind::insert:
      return one ? " row inserted." : " rows inserted.";
    case stmt_kind::update:
      return one ? " row updated." : " rows updated.";
    case stmt_kind::delete_:
      return one ? " row deleted." : " rows deleted.";
    default:
      return "";
  }
}

std::string done_text(const statement& s) {
  switch (s.kind) {
    case stmt_kind::create_table:
      return "Table created.";
    case stmt_kind::create_sequence:
      return "Sequence created.";
    case stmt_kind::create_index:
      return "Index created.";
    case stmt_kind::create_trigger:
      return "Trigger created.";
    case stmt_kind::alter_add:
    case stmt_kind::alter_modify:
      return "Table altered.";
    case stmt_kind::drop:
      return static_cast<const drop_stmt&>(s).object == "TABLE" ? "Table dropped." : "Dropped.";
    case stmt_kind::commit:
      return "Commit complete.";
    case stmt_kind::rollback:
      return "Rollback complete.";
    default:
      return "";
  }
}

int run_sql(const std::string& connect, const std::string& credentials,
            std::vector<std::string> scripts) {
  size_t slash = credentials.find('/');
  std::string user = credentials.substr(0, slash);
  std::string password =
      slash == std::string::npos ? read_password() : credentials.substr(slash + 1);
  std::unique_ptr<session> s;
  try {
    s = session::logon(connect, user, password);
  } catch (const oracle_error& e) {
    std::cerr << "ERROR:\n" << e.what() << "\n";
    return 1;
  }
  if (scripts.empty()) {
    std::stringstream text;
    text << std::cin.rdbuf();
    scripts.push_back(text.str());
  }
  int status = 0;
  for (const std::string& script : scripts) {
    for (const std::string& text : split_script(script)) {
      try {
        stmt_ptr st = s->parse(text);
        if (st->kind == stmt_kind::select) {
          print_table(std::cout, *s, s->query(static_cast<select_stmt&>(*st)));
        } else {
          exec_result r = s->execute(*st, false);
          if (st->kind == stmt_kind::insert || st->kind == stmt_kind::update ||
              st->kind == stmt_kind::delete_)
            std::cout << r.row_count << verb(st->kind, r.row_count) << "\n";
          else if (r.compile_error)
            std::cout << "Warning: Trigger created with compilation errors.\n";
          else
            std::cout << done_text(*st) << "\n";
        }
      } catch (const oracle_error& e) {
        std::cout << "ERROR:\n" << e.what() << "\n";
        status = 1;
      }
      std::cout << "\n";
    }
  }
  s->logoff();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usage();
  if (args[0] == "--help" || args[0] == "-h") {
    std::cout << kUsage;
    return 0;
  }
  if (args[0] == "--version") {
    std::cout << "tsl-oracle " TSL_VERSION "\n";
    return 0;
  }
  try {
    const std::string& cmd = args[0];
    if (cmd == "create-db" && args.size() >= 2) {
      int port = default_port;
      std::string version = "current";
      for (size_t i = 2; i + 1 < args.size(); i += 2) {
        if (args[i] == "--port")
          port = std::stoi(args[i + 1]);
        else if (args[i] == "--version")
          version = args[i + 1];
        else
          return usage();
      }
      if (args.size() % 2 != 0) return usage();
      database_info db = create_database(args[1], port, version);
      std::cout << "Database " << db.service << " created (port " << db.port << ", release "
                << db.version.full << ") in " << db.path << "\n";
      return 0;
    }
    if (cmd == "create-user" && (args.size() == 3 || args.size() == 4)) {
      create_user(args[1], args[2], args.size() == 4 ? args[3] : read_password());
      std::cout << "User " << normalize_user(args[2]) << " created.\n";
      return 0;
    }
    if ((cmd == "revoke" || cmd == "grant") && args.size() == 4) {
      privilege p;
      try {
        p = parse_privilege(args[3]);
      } catch (const std::invalid_argument& e) {
        std::cerr << "tsl-oracle: " << e.what() << "\n";
        return usage();
      }
      if (cmd == "revoke") {
        revoke_privilege(args[1], args[2], p);
        std::cout << "Revoke succeeded.\n";
      } else {
        grant_privilege(args[1], args[2], p);
        std::cout << "Grant succeeded.\n";
      }
      return 0;
    }
    if (cmd == "list-dbs" && args.size() == 1) {
      for (const database_info& db : list_databases())
        std::cout << db.service << " port " << db.port << " release " << db.version.full << "\n";
      return 0;
    }
    if (cmd == "sql" && args.size() >= 3) {
      std::vector<std::string> scripts;
      for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == "-e" && i + 1 < args.size()) {
          scripts.push_back(args[++i]);
        } else if (args[i] == "-f" && i + 1 < args.size()) {
          std::ifstream in(args[++i]);
          if (!in) {
            std::cerr << "cannot read " << args[i] << "\n";
            return 2;
          }
          std::stringstream text;
          text << in.rdbuf();
          scripts.push_back(text.str());
        } else {
          return usage();
        }
      }
      // Standard input is read after the password, which may come first there.
      return run_sql(args[1], args[2], scripts);
    }
  } catch (const oracle_error& e) {
    std::cerr << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "tsl-oracle: " << e.what() << "\n";
    return 1;
  }
  return usage();
}
