// tessaly convert: the agent's run with a selection by patterns, progress,
// a JSON report and conventional exit statuses.
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "MSS/mss_database.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace_log.h"
#include "common/run_observer.h"
#include "common/tessaly_convertor.h"
#include "platform/text/utf.h"
#include "tessaly/commands.h"
#include "tessaly/exit_status.h"
#include "tessaly/run_report.h"
#include "tessaly/session.h"

namespace tessaly {
namespace {

// Hands every event to each of its observers in turn.
class observer_fanout : public run_observer {
 public:
  explicit observer_fanout(std::vector<run_observer*> to) : to_(std::move(to)) {}
  void table_started(const std::u16string& name, const std::u16string& target,
                     int32_t records) override {
    for (run_observer* o : to_) o->table_started(name, target, records);
  }
  void table_finished(const std::u16string& name, int64_t read, int64_t written) override {
    for (run_observer* o : to_) o->table_finished(name, read, written);
  }
  void table_skipped(const std::u16string& name, const std::u16string& target) override {
    for (run_observer* o : to_) o->table_skipped(name, target);
  }
  void error(const std::u16string& name, int32_t record, const std::string& message) override {
    for (run_observer* o : to_) o->error(name, record, message);
  }
  void warning(const std::string& message) override {
    for (run_observer* o : to_) o->warning(message);
  }
  void message(const std::string& line) override {
    for (run_observer* o : to_) o->message(line);
  }

 private:
  std::vector<run_observer*> to_;
};

// Passwords come from the environment or a prompt; a saved profile keeps
// them out as well.
bool store_without_passwords(tessaly_convertor& driver, const std::string& path) {
  std::u16string oracle = std::move(driver.oracle.password);
  std::u16string mssql = std::move(driver.mssql.password);
  driver.oracle.password.clear();
  driver.mssql.password.clear();
  const bool ok = driver.store_profile(path);
  driver.oracle.password = std::move(oracle);
  driver.mssql.password = std::move(mssql);
  return ok;
}

}  // namespace

int run_convert(const cli_options& options) {
  if (options.jobs > 1) throw tk_exception("--jobs is not available yet", 1);
  session s(options);
  tessaly_convertor& driver = s.driver();
  driver.foreign_keys = options.foreign_keys;
  {
    std::unique_ptr<mss_database> source = s.open_source();
    s.apply_selection(*source);
  }
  s.connect_destination();

  run_report report(tsl::text::utf16_to_utf8(driver.database_name));
  observer_fanout events({&report, &s.display()});
  driver.set_observer(&events);
  driver();
  driver.set_observer(nullptr);

  int status = kDone;
  if (driver.failed())
    status = kFatal;
  else if (driver.errors() > 0)
    status = kCompletedWithErrors;
  if (tk_trace_log* log = tk_trace_log::peek(); log && log->error() != 0 && status == kDone) {
    s.display().print_line(
        "error: cannot write log " + log->file_name() + ": " + std::strerror(log->error()), true);
    status = kCompletedWithErrors;
  }
  report.finish(status == kDone                   ? "completed"
                : status == kCompletedWithErrors ? "completed with errors"
                                                  : "failed");
  if (!options.report.empty() && !report.write(options.report)) {
    s.display().print_line(
        "error: cannot write report " + options.report + ": " + std::strerror(errno), true);
    if (status == kDone) status = kCompletedWithErrors;
  }
  if (!options.save_profile.empty() && !store_without_passwords(driver, options.save_profile)) {
    s.display().print_line("error: cannot write profile " + options.save_profile, true);
    if (status == kDone) status = kCompletedWithErrors;
  }

  int64_t rows = 0;
  size_t tables = 0, with_errors = 0;
  for (const table_result& t : report.tables()) {
    rows += t.rows_written;
    ++tables;
    if (!t.errors.empty()) ++with_errors;
  }
  s.display().print_line(std::to_string(tables) + " tables, " + std::to_string(rows) +
                         " rows written, " + std::to_string(driver.errors()) + " errors" +
                         (status == kFatal ? ", run ended early" : ""));
  return status;
}

}  // namespace tessaly
