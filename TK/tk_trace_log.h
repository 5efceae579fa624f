#pragma once
// The process's trace log file. Each message is one open-append-close of the
// file, so the log is complete up to the last message even if the process is
// killed, and concurrent writers never share a handle. The file holds the
// values being converted: it is readable by its owner only.
#include <cstdarg>
#include <string>

#include "TK/tk_singleton.h"

class tk_trace_log : public tk_singleton<tk_trace_log> {
 public:
  // Without a file name the log is the program's own path with ".log" as its
  // extension. An enabled log is emptied at once.
  tk_trace_log(const char* file_name, bool enabled, int threshold, bool time_stamps);
  ~tk_trace_log();

  const std::string& file_name() const { return file_name_; }
  int threshold() const { return threshold_; }
  bool enabled() const { return enabled_; }
  bool truncated() const { return truncated_; }
  bool time_stamps() const { return time_stamps_; }

  void set_file_name(const std::string& name) { file_name_ = name; }
  void set_enabled(bool enabled);
  void set_threshold(int threshold);
  void set_time_stamps(bool on) { time_stamps_ = on; }

  // The system error of the first message that could not be written (or of
  // emptying the file), 0 while all went well. Trace calls never fail
  // visibly; the program asks here.
  int error() const { return error_; }

  void write(int level, const char* format, va_list args);
  void write_w(int level, const char16_t* format, va_list args);

  // Longest wide message written, in UTF-16 units; longer ones are cut.
  static constexpr size_t kWideLimit = 10240;

 private:
  // Empties the file once per process; answers whether the level passes.
  bool prepare(int level);
  void empty_file();
  void append(const char* bytes, size_t size);
  void update_gate();

  std::string file_name_;
  int threshold_;
  bool line_end_ = true;
  bool enabled_;
  bool truncated_ = false;
  bool time_stamps_;
  int error_ = 0;
};
