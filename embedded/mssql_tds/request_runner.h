#pragma once
// Runs the statements of one request in a session and writes what each one
// answers: its rows, its messages and one DONE (DONEINPROC inside an RPC)
// per statement, the last one without the MORE bit. An error ends its
// statement, or the rest of the batch for the errors that do so in SQL
// Server; a client's attention stops the rows being sent.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "embedded/mssql/session.h"
#include "embedded/mssql/sql_error.h"
#include "embedded/mssql_tds/message_writer.h"

namespace tsl::tds {

class request_runner {
 public:
  // attention() tells (and consumes) whether the client asked to cancel.
  request_runner(mssql::session& s, message_writer& out, uint32_t tds_version,
                 std::u16string server_name, std::function<bool()> attention);

  enum class outcome { ok, failed, cancelled };

  // A SQL batch: every statement, then the closing DONE.
  outcome run_batch(const std::string& sql);
  // The body of an RPC: statements answered with DONEINPROC, then
  // RETURNSTATUS and DONEPROC (with MORE when another call follows).
  // output_handle: an int OUTPUT parameter (a prepared statement's handle)
  // sent as RETURNVALUE after RETURNSTATUS.
  struct output_param {
    uint16_t ordinal;
    std::u16string name;
    int32_t value;
  };
  outcome run_in_proc(const std::string& sql, bool more,
                      std::optional<output_param> output = std::nullopt);
  outcome run_in_proc(const mssql::statement& st, bool more);
  // A procedure that runs nothing (sp_prepare, sp_unprepare).
  void empty_proc(bool more, std::optional<output_param> output = std::nullopt);
  // A request refused as a whole (closing DONE with the error bit).
  void fail_request(const mssql::sql_error& e, bool in_proc, bool more = false);

  // The tokens of a server message, for the login and the session.
  void write_error(const mssql::sql_error& e);
  void write_info(int32_t number, const std::string& text);

 private:
  struct pending_done {
    uint8_t token;
    uint16_t status;
    uint16_t command;
    uint64_t rows;
  };
  outcome run_statements(const std::string& sql, bool in_proc);
  outcome run_one(const mssql::statement& st, bool in_proc);
  void close(bool in_proc, outcome o, bool more,
             const std::optional<output_param>& output = std::nullopt);
  void flush_pending(bool more);
  // Sends a result's rows; false when an attention stopped it.
  bool stream(mssql::result_set& r, uint64_t& rows);

  mssql::session& session_;
  message_writer& out_;
  uint32_t version_;
  std::u16string server_name_;
  std::function<bool()> attention_;
  std::optional<pending_done> pending_;
};

}  // namespace tsl::tds
