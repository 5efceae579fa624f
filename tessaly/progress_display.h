#pragma once
// Progress of a conversion on standard error: a line redrawn in place on a
// terminal (the table's rows done of its total, rows per second, time
// left, and the run's tables), plain lines per table otherwise, nothing when
// quiet. Error lines pass through it so they never tear the progress line.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "common/run_observer.h"

class udb_converter;

namespace tessaly {

struct progress_state {
  std::string table;
  int32_t table_index = 0;  // zero-based
  int32_t table_count = 0;
  int64_t rows_done = 0;
  int64_t rows_total = 0;
  double seconds = 0;  // in this table
};

// The in-place line for one moment of a run.
std::string progress_line(const progress_state& s);

class progress_display : public run_observer {
 public:
  enum class style { quiet, lines, terminal };

  // Polls `driver` while a table is copied (terminal style only).
  progress_display(const udb_converter& driver, style how, std::FILE* out = stderr);
  ~progress_display() override;

  void table_started(const std::u16string& name, const std::u16string& target,
                     int32_t records) override;
  void table_finished(const std::u16string& name, int64_t read, int64_t written) override;
  void table_skipped(const std::u16string& name, const std::u16string& target) override;
  void error(const std::u16string&, int32_t, const std::string&) override {}
  void warning(const std::string& message) override;
  void message(const std::string& line) override { print_line("error: " + line, true); }

  // A whole line for the user; when quiet, only with `even_quiet`.
  void print_line(const std::string& line, bool even_quiet = false);

 private:
  void tick();
  void draw_locked();
  void clear_locked();

  const udb_converter& driver_;
  style style_;
  std::FILE* out_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool drawn_ = false;
  bool in_table_ = false;
  std::u16string target_;
  std::chrono::steady_clock::time_point table_start_;
  std::thread ticker_;
};

}  // namespace tessaly
