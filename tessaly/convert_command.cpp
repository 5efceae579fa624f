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
#include "tessaly/observer_fanout.h"
#include "tessaly/run_report.h"
#include "tessaly/session.h"
#include "tessaly/split_run.h"

namespace tessaly {
namespace {

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
  session s(options);
  tessaly_convertor& driver = s.driver();
  driver.foreign_keys = options.foreign_keys;
  run_report report(tsl::text::utf16_to_utf8(driver.database_name));
  observer_fanout events({&report, &s.display()});
  if (!options.job_plan.empty()) return run_job(s, options, report, events);

  std::vector<planned_entry> plan;
  {
    std::unique_ptr<mss_database> source = s.open_source();
    s.apply_selection(*source);
    if (options.jobs > 1 && !driver.definitions_only) plan = s.plan(*source);
  }
  s.connect_destination();

  int status = kDone;
  if (plan.size() > 1) {
    status = run_split(s, options, report, plan);
  } else {
    driver.set_observer(&events);
    driver();
    driver.set_observer(nullptr);
    if (driver.failed())
      status = kFatal;
    else if (driver.errors() > 0)
      status = kCompletedWithErrors;
  }
  if (tk_trace_log* log = tk_trace_log::peek(); log && log->error() != 0 && status == kDone) {
    s.display().print_line(
        "error: cannot write log " + log->file_name() + ": " + std::strerror(log->error()), true);
    status = kCompletedWithErrors;
  }
  report.finish(status == kDone                  ? "completed"
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
  size_t tables = 0, errors = report.run_errors().size();
  for (const table_result& t : report.tables()) {
    rows += t.rows_written;
    ++tables;
    errors += t.errors.size();
  }
  s.display().print_line(std::to_string(tables) + " tables, " + std::to_string(rows) +
                         " rows written, " + std::to_string(errors) + " errors" +
                         (status == kFatal ? ", run ended early" : ""));
  return status;
}

}  // namespace tessaly
