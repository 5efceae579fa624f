#include "TK/tk_trace_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string_view>

#include "TK/tk_file_name.h"
#include "TK/tk_program_path.h"
#include "TK/tk_trace.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"

namespace tk_trace_gate {
std::atomic<int> min_level{INT_MAX};
}

namespace {

int open_log(const std::string& name, bool truncate) {
  int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : O_APPEND),
                  0600);
  struct stat st {};
  // A file made earlier keeps its mode on open(); a device is left alone.
  if (fd >= 0 && truncate && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) fchmod(fd, 0600);
  return fd;
}

bool write_all(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

tk_trace_log::tk_trace_log(const char* file_name, bool enabled, int threshold, bool time_stamps)
    : threshold_(threshold), enabled_(enabled), time_stamps_(time_stamps) {
  if (file_name) {
    file_name_ = file_name;
  } else {
    tk_file_name name;
    name.initialize(tk_get_program_path().c_str());
    name.set_extension(".log");
    file_name_ = name.path();
  }
  if (enabled_) empty_file();
  update_gate();
}

void tk_trace_log::empty_file() {
  int fd = open_log(file_name_, true);
  if (fd < 0) {
    if (error_ == 0) error_ = errno;
  } else {
    ::close(fd);
  }
  truncated_ = true;
}

tk_trace_log::~tk_trace_log() {
  tk_trace_gate::min_level.store(INT_MAX);
}

void tk_trace_log::set_enabled(bool enabled) {
  enabled_ = enabled;
  update_gate();
}

void tk_trace_log::set_threshold(int threshold) {
  threshold_ = threshold;
  update_gate();
}

void tk_trace_log::update_gate() {
  int gate = !enabled_ ? INT_MAX : !truncated_ ? INT_MIN : threshold_;
  tk_trace_gate::min_level.store(gate, std::memory_order_relaxed);
}

bool tk_trace_log::prepare(int level) {
  if (!enabled_) return false;
  if (!truncated_) {
    empty_file();
    update_gate();
  }
  return level >= threshold_;
}

void tk_trace_log::append(const char* bytes, size_t size) {
  std::string line;
  if (time_stamps_) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    line = tsl::text::format("%02d:%02d:%02d ", local.tm_hour, local.tm_min, local.tm_sec);
  }
  line.append(bytes, size);
  if (line_end_) line += "\r\n";
  int fd = open_log(file_name_, false);
  bool ok = fd >= 0 && write_all(fd, line);
  int e = errno;
  if (fd >= 0 && ::close(fd) != 0 && ok) {
    ok = false;
    e = errno;
  }
  if (!ok && error_ == 0) error_ = e != 0 ? e : EIO;
}

void tk_trace_log::write(int level, const char* format, va_list args) {
  if (!prepare(level)) return;
  std::string text = tsl::text::vformat(format, args);
  append(text.data(), text.size());
}

void tk_trace_log::write_w(int level, const char16_t* format, va_list args) {
  if (!prepare(level)) return;
  std::u16string text = tsl::text::vformat(format, args);
  bool cut = false;
  if (text.size() > kWideLimit) {
    text.resize(kWideLimit);
    cut = true;
  }
  std::string utf8 = tsl::text::utf16_to_utf8(text);
  // The converted form must fit a buffer of the same number of bytes (with
  // its terminating NUL): a longer message is cut there, at a character
  // boundary, and marked, so the log still shows how it began.
  static constexpr std::string_view kCutMark = " [...]";
  if (cut || utf8.size() + 1 > kWideLimit) {
    size_t keep = std::min(utf8.size(), kWideLimit - 1 - kCutMark.size());
    while (keep > 0 && (static_cast<unsigned char>(utf8[keep]) & 0xC0) == 0x80) --keep;
    utf8.resize(keep);
    utf8 += kCutMark;
  }
  append(utf8.data(), utf8.size());
}

void tk_trace_write(int level, const char* format, ...) {
  tk_trace_log* log = tk_trace_log::peek();
  if (!log) return;
  va_list args;
  va_start(args, format);
  log->write(level, format, args);
  va_end(args);
}

void tk_trace_write_w(int level, const char16_t* format, ...) {
  tk_trace_log* log = tk_trace_log::peek();
  if (!log) return;
  va_list args;
  va_start(args, format);
  log->write_w(level, format, args);
  va_end(args);
}
