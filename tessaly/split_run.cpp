#include "tessaly/split_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "ORA/ora_database.h"
#include "TK/tk_exception.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"
#include "platform/text/utf.h"
#include "tessaly/exit_status.h"
#include "tessaly/job_results.h"
#include "tessaly/observer_fanout.h"

extern char** environ;

namespace tessaly {
namespace {

std::string utf8(const std::u16string& s) {
  return tsl::text::utf16_to_utf8(s);
}
std::u16string wide(const std::string& s) {
  return tsl::text::utf8_to_utf16(s);
}

[[noreturn]] void fail(const std::string& message) {
  throw tk_exception(message, 1);
}

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) fail("cannot read " + path + ": " + std::strerror(errno));
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void write_private(const std::string& path, const std::string& text) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) fail("cannot write " + path + ": " + std::strerror(errno));
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      fail("cannot write " + path + ": " + std::strerror(error));
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) fail("cannot write " + path + ": " + std::strerror(errno));
}

// A private directory for the plans and results, gone however the run ends.
struct work_dir {
  std::string path;
  std::vector<std::string> files;
  work_dir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tessaly-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
      fail("cannot create a directory in " + pattern + ": " + std::strerror(errno));
    path = pattern;
  }
  std::string file(const std::string& name) {
    files.push_back(path + "/" + name);
    return files.back();
  }
  ~work_dir() {
    for (const std::string& f : files) ::unlink(f.c_str());
    ::rmdir(path.c_str());
  }
};

// Passes only a warning or a console line on: a table's own line comes
// when it is filled.
class warnings_to : public run_observer {
 public:
  explicit warnings_to(run_observer& to) : to_(to) {}
  void table_started(const std::u16string&, const std::u16string&, int32_t) override {}
  void table_finished(const std::u16string&, int64_t, int64_t) override {}
  void table_skipped(const std::u16string& n, const std::u16string& t) override {
    to_.table_skipped(n, t);
  }
  void error(const std::u16string&, int32_t, const std::string&) override {}
  void warning(const std::string& m) override { to_.warning(m); }
  void message(const std::string& l) override { to_.message(l); }

 private:
  run_observer& to_;
};

// The command line of one process: the same settings, its own plan, and
// the passwords in its environment only.
pid_t start_job(const cli_options& o, const std::string& plan, tessaly_convertor& driver) {
  std::vector<std::string> args = {"tessaly", "convert", "--job-plan=" + plan};
  auto add = [&](const char* name, const std::string& value) {
    if (!value.empty()) args.push_back(std::string("--") + name + "=" + value);
  };
  add("profile", o.profile);
  add("server", o.server);
  add("database", o.database);
  add("user", o.user);
  add("oracle", o.oracle);
  add("oracle-host", o.oracle_host);
  if (!o.oracle_host.empty()) add("oracle-port", o.oracle_port);
  add("oracle-user", o.oracle_user);
  if (o.quiet) args.push_back("--quiet");

  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string v = *e;
    if (v.rfind("TSL_ORACLE_PASSWORD=", 0) != 0 && v.rfind("TSL_MSSQL_PASSWORD=", 0) != 0)
      env.push_back(v);
  }
  if (!driver.oracle.password.empty())
    env.push_back("TSL_ORACLE_PASSWORD=" + utf8(driver.oracle.password));
  if (!driver.mssql.password.empty())
    env.push_back("TSL_MSSQL_PASSWORD=" + utf8(driver.mssql.password));

  std::vector<char*> argv, envp;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) fail(std::string("cannot start a job: ") + std::strerror(errno));
  if (pid == 0) {
    ::execve("/proc/self/exe", argv.data(), envp.data());
    std::fprintf(stderr, "tessaly: cannot start a job: %s\n", std::strerror(errno));
    ::_exit(kFatal);
  }
  return pid;
}

int wait_job(pid_t pid) {
  int raw = 0;
  while (::waitpid(pid, &raw, 0) < 0)
    if (errno != EINTR) return kFatal;
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : kFatal;
}

}  // namespace

std::vector<std::vector<size_t>> share_out(const std::vector<int64_t>& rows, int jobs) {
  const size_t n = std::min(rows.size(), static_cast<size_t>(std::max(jobs, 1)));
  std::vector<std::vector<size_t>> out(n);
  std::vector<int64_t> load(n, 0);
  std::vector<size_t> order(rows.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return rows[a] > rows[b]; });
  for (size_t i : order) {
    const size_t k = static_cast<size_t>(std::min_element(load.begin(), load.end()) - load.begin());
    out[k].push_back(i);
    load[k] += rows[i];
  }
  // Each process fills its tables in the run's order.
  for (std::vector<size_t>& job : out) std::sort(job.begin(), job.end());
  return out;
}

int run_split(session& s, const cli_options& options, run_report& report,
              const std::vector<planned_entry>& plan) {
  tessaly_convertor& driver = s.driver();
  ora_database& destination = *driver.oracle.database();
  const std::set<std::u16string> existed(destination.table_names().begin(),
                                         destination.table_names().end());

  // Every table as one run makes it, in one session: names, drops, keys,
  // indexes and sequences come out as they would.
  const bool keys = driver.foreign_keys;
  driver.foreign_keys = false;
  driver.definitions_only = true;
  warnings_to shown(s.display());
  observer_fanout events({&report, &shown});
  driver.set_observer(&events);
  driver();
  driver.set_observer(nullptr);
  driver.definitions_only = false;
  driver.foreign_keys = keys;
  if (driver.failed()) return kFatal;
  int status = driver.errors() > 0 ? kCompletedWithErrors : kDone;

  // The tables made or merged into without an error, and with rows to copy.
  std::vector<job_entry> fill;
  std::vector<int64_t> rows;
  for (const table_result& t : report.tables()) {
    if (t.status != "converted" || t.source_rows == 0) continue;
    for (const planned_entry& e : plan) {
      if (utf8(e.name) != t.source) continue;
      const bool appended =
          driver.conversion_mode == tessaly_convertor::kMerge && existed.count(e.target) > 0;
      fill.push_back(job_entry{t.source, utf8(e.sql), utf8(e.target), !appended});
      rows.push_back(t.source_rows);
    }
  }

  work_dir dir;
  std::vector<pid_t> pids;
  std::vector<std::string> results;
  const std::vector<std::vector<size_t>> jobs = share_out(rows, options.jobs);
  for (size_t k = 0; k < jobs.size(); ++k) {
    std::vector<job_entry> part;
    for (size_t i : jobs[k]) part.push_back(fill[i]);
    const std::string plan_file = dir.file("job" + std::to_string(k));
    write_private(plan_file, write_job_plan(part));
    results.push_back(dir.file("job" + std::to_string(k) + ".out"));
    pids.push_back(start_job(options, plan_file, driver));
  }
  for (size_t k = 0; k < pids.size(); ++k) {
    const int job_status = wait_job(pids[k]);
    if (job_status != kDone)
      status = std::max(status, job_status == kCompletedWithErrors ? kCompletedWithErrors : kFatal);
    struct stat st {};
    if (::stat(results[k].c_str(), &st) != 0) {
      // A process that ended before its results: its tables may be part-filled.
      report.add_run_error(
          {0, "a job ended without its results (status " + std::to_string(job_status) + ")"});
      status = kFatal;
      continue;
    }
    const job_results r = read_job_results(read_all(results[k]));
    for (const table_result& t : r.tables) report.merge(t);
    for (const table_result::error& e : r.run_errors) report.add_run_error(e);
  }

  // The identity sequences belong to this session: they go on above the
  // copied values here, as a single run moves them after each table.
  for (const job_entry& e : fill) {
    try {
      destination.continue_identity(wide(e.target));
    } catch (const tk_exception& ex) {
      error_handler::instance().set_context(wide(e.name));
      const std::string message = error_handler::instance().build_message(ex);
      error_handler::instance().clear_context();
      report.error(wide(e.name), 0, message);
      s.display().print_line("error: " + message, true);
      status = std::max(status, kCompletedWithErrors);
    }
  }
  if (keys && status != kFatal) {
    const int before = driver.errors();
    driver.set_observer(&report);
    try {
      driver.create_foreign_keys_now();
    } catch (const tk_exception& ex) {
      driver.set_observer(nullptr);
      const std::string message = error_handler::instance().build_message(ex);
      report.add_run_error({0, message});
      s.display().print_line("error: " + message, true);
      return kFatal;
    }
    driver.set_observer(nullptr);
    if (driver.errors() > before) status = std::max(status, kCompletedWithErrors);
  }
  return status;
}

int run_job(session& s, const cli_options& options, run_report& report, run_observer& events) {
  tessaly_convertor& driver = s.driver();
  driver.selected_tables.clear();
  driver.selected_entries.clear();
  driver.fill_only.clear();
  for (const job_entry& e : read_job_plan(read_all(options.job_plan))) {
    driver.fill_only[wide(e.name)] = {wide(e.target), e.created};
    if (e.sql.empty())
      driver.selected_tables.push_back(wide(e.name));
    else
      driver.selected_entries.emplace(wide(e.name), wide(e.sql));
  }
  driver.definitions_only = false;
  driver.foreign_keys = false;
  driver.mssql.connect_mssql_server();
  s.connect_destination();
  driver.set_observer(&events);
  driver();
  driver.set_observer(nullptr);
  report.finish("");

  job_results out;
  out.tables = report.tables();
  out.run_errors = report.run_errors();
  write_private(options.job_plan + ".out", write_job_results(out));
  if (driver.failed()) return kFatal;
  return driver.errors() > 0 ? kCompletedWithErrors : kDone;
}

}  // namespace tessaly
