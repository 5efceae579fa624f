#include "TK/tk_converter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "TK/tk_exception.h"
#include "TK/tk_file_name.h"
#include "TK/tk_file_probe.h"
#include "TK/tk_trace.h"
#include "TK/tk_trace_log.h"

int tk_converter::run() {
  while (!is_done() && !stop_requested()) idle();
  return finish();
}

void tk_converter::idle() {
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void tk_converter::set_logfile(const std::string& name) {
  tk_trace(1, "tk_convertor::set_logfile(%s)", name.c_str());
  if (!name.empty()) {
    if (tk_is_file_exist(name.c_str(), 0) && !tk_is_file_exist(name.c_str(), 1))
      throw tk_exception("Logfile name specifies an existing read-only file.", 1);
    tk_file_name parts;
    parts.initialize(name.c_str());
    if (!tk_is_path_exist((parts.drive() + parts.directory()).c_str()))
      throw tk_exception("Logfile path does not exist.\nPlease verify the correct path was given.",
                         1);
    // A directory, a name too long, a place that cannot be written.
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) throw tk_exception("Cannot open logfile " + name + ": " + std::strerror(errno), 1);
    ::close(fd);
  }
  logfile_ = name;
  if (name.empty()) return;
  tk_trace_log& log = tk_trace_log::instance();
  log.set_file_name(name);
  log.set_enabled(true);
}
