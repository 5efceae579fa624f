#include "TK/tk_trace_log.h"

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
  if (enabled_) {
    if (FILE* f = std::fopen(file_name_.c_str(), "wb")) std::fclose(f);
    truncated_ = true;
  }
  update_gate();
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
    if (FILE* f = std::fopen(file_name_.c_str(), "wb")) std::fclose(f);
    truncated_ = true;
    update_gate();
  }
  return level >= threshold_;
}

void tk_trace_log::append(const char* bytes, size_t size) {
  FILE* f = std::fopen(file_name_.c_str(), "ab");
  if (!f) return;
  if (time_stamps_) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::fprintf(f, "%02d:%02d:%02d ", local.tm_hour, local.tm_min, local.tm_sec);
  }
  std::fwrite(bytes, 1, size, f);
  if (line_end_) std::fwrite("\r\n", 1, 2, f);
  std::fclose(f);
}

void tk_trace_log::write(int level, const char* format, va_list args) {
  if (!prepare(level)) return;
  std::string text = tsl::text::vformat(format, args);
  append(text.data(), text.size());
}

void tk_trace_log::write_w(int level, const char16_t* format, va_list args) {
  if (!prepare(level)) return;
  std::u16string text = tsl::text::vformat(format, args);
  if (text.size() > kWideLimit) text.resize(kWideLimit);
  std::string utf8 = tsl::text::utf16_to_utf8(text);
  // The converted form must fit a buffer of the same number of bytes (with
  // its terminating NUL); a message that does not is left out whole.
  if (utf8.size() + 1 > kWideLimit) utf8.clear();
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
