// TSLAGENT: converts an MS SQL Server database into an Oracle schema from
// its command line, unattended.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "MSS/mss_messages.h"
#include "ORA/ora_messages.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace_log.h"
#include "agent/agent.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"

int main(int argc, char** argv) {
  // A file-size limit then fails the write, which is reported, instead of
  // killing the process half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  auto log = std::make_unique<tk_trace_log>(nullptr, false, 3, false);
  auto errors = std::make_unique<error_handler>(ora_messages_count, ora_messages);
  errors->load_err_map(mss_messages_count, mss_messages);
  auto driver = std::make_unique<tessaly_convertor>();
  driver->set_agent(true);

  int status = 0;
  try {
    if (argc == 1 || !parse_cmd_line(argc, argv)) fatal_exit(usage_text());
    driver->oracle.connect_oracle_server();
    driver->mssql.connect_mssql_server();
    if (!driver->mssql.engine().is_db_exist(driver->database_name))
      fatal_exit("Database '" + tk_ucs2_to_ansi(driver->database_name) + "' does not exist");
    (*driver)();
    // A run ended by an error is a failure, not a success; one that went on
    // after errors did not convert everything.
    if (driver->failed())
      status = -1;
    else if (driver->errors() > 0)
      status = kCompletedWithErrors;
    if (log->error() != 0 && status == 0) {
      if (!driver->silent())
        std::printf("Error:\nCannot write logfile %s: %s\n", log->file_name().c_str(),
                    std::strerror(log->error()));
      status = kCompletedWithErrors;
    }
  } catch (const tk_exception& e) {
    errors->handle(e, error_handler::kCanGoOn);
    // Nothing was converted (a connection failed): not a success either.
    status = -1;
  } catch (const std::exception& e) {
    fatal_exit(e.what());
  }
  driver.reset();
  errors.reset();
  log.reset();
  return status;
}
