#pragma once
// The summary of a conversion, table by table: names, rows read and
// written, errors with their records, time taken. Written as JSON.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "common/run_observer.h"

namespace tessaly {

struct table_result {
  struct error {
    int32_t record = 0;  // 0: the table as a whole
    std::string message;
  };
  std::string source;
  std::string destination;
  std::string status;  // "converted", "skipped", "failed"
  int32_t source_rows = 0;
  int64_t rows_read = 0;
  int64_t rows_written = 0;
  double seconds = 0;
  std::vector<error> errors;
};

class run_report : public run_observer {
 public:
  using clock = std::chrono::steady_clock;

  explicit run_report(std::string database);

  void table_started(const std::u16string& name, const std::u16string& target,
                     int32_t records) override;
  void table_finished(const std::u16string& name, int64_t read, int64_t written) override;
  void table_skipped(const std::u16string& name, const std::u16string& target) override;
  void error(const std::u16string& name, int32_t record, const std::string& message) override;
  void warning(const std::string& message) override;
  void message(const std::string&) override {}

  // "completed", "completed with errors" or "failed"; ends the clock.
  void finish(const std::string& status);

  // Adds what another process of a split run did with a table: its rows,
  // time and errors.
  void merge(const table_result& from_job);
  void add_run_error(const table_result::error& e);

  std::vector<table_result> tables() const;
  std::vector<table_result::error> run_errors() const;
  std::string to_json() const;
  // Mode 0600: messages can quote the data. False with errno set on failure.
  bool write(const std::string& path) const;

 private:
  table_result& entry(const std::string& source);

  mutable std::mutex mutex_;
  std::string database_;
  std::string status_;
  clock::time_point start_;
  double seconds_ = 0;
  std::vector<table_result> tables_;
  std::vector<clock::time_point> started_;
  std::vector<table_result::error> run_errors_;
  std::vector<std::string> warnings_;
};

// `s` as a JSON string literal, quotes included.
std::string json_string(const std::string& s);

}  // namespace tessaly
