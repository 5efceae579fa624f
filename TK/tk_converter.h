#pragma once
// The run-loop base of a conversion: a front-end (or a worker thread) calls
// run(), which by default idles until is_done() and then answers finish().
#include <atomic>
#include <string>

class tk_converter {
 public:
  tk_converter() = default;
  virtual ~tk_converter() = default;

  virtual int run();
  virtual bool is_done() { return false; }
  virtual void idle();
  virtual int finish() { return 0; }
  virtual void set_silent(bool silent) { silent_ = silent; }
  // Asks a running run() to end at its next safe point (for a conversion,
  // the next record boundary); callable from any thread.
  virtual void request_stop() { stop_requested_.store(true); }
  bool stop_requested() const { return stop_requested_.load(); }

  // Validates a log file name and sends the trace log there. An empty name
  // changes nothing. Raises tk_exception (severity 1) for a read-only file
  // or a directory that does not exist, before anything is stored.
  void set_logfile(const std::string& name);
  const std::string& logfile() const { return logfile_; }
  bool silent() const { return silent_; }

 protected:
  // Written by the running thread, read by others (a window's timer).
  std::atomic<bool> done_{false};
  std::atomic<bool> stop_requested_{false};
  bool silent_ = false;
  std::string logfile_;
};

// The name the log-file operation is known by.
using tk_convertor = tk_converter;
