#pragma once
// The run-loop base of a conversion: a front-end (or a worker thread) calls
// run(), which by default idles until is_done() and then answers finish().
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

  // Validates a log file name and sends the trace log there. An empty name
  // changes nothing. Raises tk_exception (severity 1) for a read-only file
  // or a directory that does not exist, before anything is stored.
  void set_logfile(const std::string& name);
  const std::string& logfile() const { return logfile_; }
  bool silent() const { return silent_; }

 protected:
  bool done_ = false;
  bool silent_ = false;
  std::string logfile_;
};

// The name the log-file operation is known by.
using tk_convertor = tk_converter;
