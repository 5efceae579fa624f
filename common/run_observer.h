#pragma once
// What a front-end learns of a run table by table, beside the progress
// fields it polls: where each table went, how many rows arrived, and every
// error with its record. Called on the run's thread.
#include <cstdint>
#include <string>

class run_observer {
 public:
  virtual ~run_observer() = default;

  // A table or query is about to be copied into `target`.
  virtual void table_started(const std::u16string& name, const std::u16string& target,
                             int32_t records) = 0;
  // The table's end, however it ended: rows taken from the source and rows
  // the destination accepted.
  virtual void table_finished(const std::u16string& name, int64_t read, int64_t written) = 0;
  // An existing destination table left alone by the skip mode.
  virtual void table_skipped(const std::u16string& name, const std::u16string& target) = 0;
  // An error with its one-based record number (0: the table as a whole; an
  // empty name: the run as a whole). The message is the policy's own line.
  virtual void error(const std::u16string& name, int32_t record, const std::string& message) = 0;
  virtual void warning(const std::string& message) = 0;
  // A console line of the agent meant for standard error that no error
  // event carries to the user.
  virtual void message(const std::string& line) = 0;
};
