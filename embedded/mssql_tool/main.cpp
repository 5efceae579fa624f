// tsl-mssql: creates an embedded SQL Server directory, manages its logins and
// runs T-SQL scripts and queries against it, printing the results.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "embedded/mssql/server.h"
#include "embedded/mssql/session.h"
#include "embedded/mssql/sql_error.h"
#include "embedded/mssql_tds/listener.h"
#include "tsl_version.h"

namespace {

using namespace tsl::mssql;

const char kUsage[] =
    "usage: tsl-mssql [--dir DIR] [-U LOGIN] [-d DATABASE] [-b] COMMAND [ARGS]\n"
    "       tsl-mssql --help | --version\n"
    "\n"
    "commands:\n"
    "  init [VERSION-FILE]   create a server directory (version text from the file, or SQL\n"
    "                        Server 2008's)\n"
    "  set-version FILE      replace the server's @@VERSION text\n"
    "  add-login NAME        add a SQL login; the password is read from standard input\n"
    "  run FILE...           run T-SQL scripts (batches separated by GO lines); an error\n"
    "                        ends its statement or batch and the scripts go on, unless\n"
    "                        -b stops them at the first; the status is 1 after any error\n"
    "  query SQL             run one batch and print its results\n"
    "  databases             list the databases\n"
    "  serve [--listen ADDR] [--port N] [--ready-file F] [--max-connections N]\n"
    "                        answer SQL Server clients over TCP (TDS) on ADDR (127.0.0.1)\n"
    "                        and port N (1433; 0 picks a free port and prints it); F\n"
    "                        receives the port once the server listens\n"
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

// An error of a script, with where it happened: "FILE:LINE: Msg ..., Batch
// at line N", then the message.
void print_error(const sql_error& e, const std::string& file, int batch_line, int line) {
  for (const auto& r : e.records())
    std::cerr << file << ":" << line << ": Msg " << r.number << ", Level " << r.severity
              << ", State " << r.state << ", Batch at line " << batch_line << "\n"
              << r.message << "\n";
}

void write_ready_file(const std::string& path, uint16_t port) {
  const std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::trunc);
    out << port << "\n";
    if (!out) throw std::runtime_error("cannot write " + tmp);
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) throw std::runtime_error("cannot write " + path);
}

int parse_number(const std::string& option, const char* text, long lo, long hi) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (errno || end == text || *end || v < lo || v > hi)
    throw std::runtime_error(option + " wants a number from " + std::to_string(lo) + " to " +
                             std::to_string(hi) + ", not \"" + text + "\"");
  return static_cast<int>(v);
}

// Runs the TDS listener until SIGTERM or SIGINT; the connections are closed
// before it returns, each statement having committed or not run at all.
int serve(const std::string& dir, int argc, char** argv, int i) {
  tsl::tds::listener_options o;
  std::string ready_file;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--listen" && i + 1 < argc)
      o.address = argv[++i];
    else if (a == "--port" && i + 1 < argc)
      o.port = static_cast<uint16_t>(parse_number(a, argv[++i], 0, 65535));
    else if (a == "--ready-file" && i + 1 < argc)
      ready_file = argv[++i];
    else if (a == "--max-connections" && i + 1 < argc)
      o.max_connections = parse_number(a, argv[++i], 1, 10000);
    else {
      std::cerr << kUsage;
      return 2;
    }
  }
  o.session.log = [](const std::string& line) {
    static std::mutex m;
    std::lock_guard<std::mutex> lock(m);
    std::cerr << "tsl-mssql: " << line << std::endl;
  };
  // Signals arrive on a descriptor the listener watches; every thread
  // started from here on inherits the blocked mask.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  signal(SIGPIPE, SIG_IGN);
  int stop_fd = signalfd(-1, &stop, SFD_CLOEXEC);
  if (stop_fd < 0) throw std::runtime_error("cannot watch for signals");
  auto srv = server::open(dir);
  tsl::tds::listener l(srv, o);
  const uint16_t port = l.open();
  std::cout << "Listening on " << o.address << " port " << port << std::endl;
  if (!ready_file.empty()) write_ready_file(ready_file, port);
  l.run(stop_fd);
  ::close(stop_fd);
  std::cout << "Stopped" << std::endl;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = server::default_dir();
  std::string user;
  std::string database;
  bool stop_on_error = false;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--dir" && i + 1 < argc)
      dir = argv[++i];
    else if (a == "-U" && i + 1 < argc)
      user = argv[++i];
    else if (a == "-d" && i + 1 < argc)
      database = argv[++i];
    else if (a == "-b")
      stop_on_error = true;
    else if (a == "-h" || a == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (a == "--version") {
      std::cout << "tsl-mssql " TSL_VERSION "\n";
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
    if (cmd == "serve") return serve(dir, argc, argv, i);
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
    s.on_message = [](const std::string& text) { std::cout << text << "\n"; };
    if (cmd == "databases") {
      for (auto& r : s.execute_all("exec sp_databases")) print(*r);
      return 0;
    }
    if (cmd == "query" && i < argc) {
      s.run_script(argv[i], print);
      return 0;
    }
    if (cmd == "run" && i < argc) {
      int errors = 0;
      for (; i < argc; ++i) {
        const std::string file = argv[i];
        bool stop = false;
        std::ifstream in(file, std::ios::binary);
        if (!in) throw std::runtime_error("cannot read " + file);
        // Batch by batch: a script of any size runs in the memory of its largest batch.
        errors += s.run_script(in, print, [&](const session::script_error& e) {
          print_error(e.error, file, e.batch_line, e.line);
          stop = stop_on_error;
          return !stop;
        });
        if (stop) break;
      }
      return errors ? 1 : 0;
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
