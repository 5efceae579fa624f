#include "tessaly/progress_display.h"

#include <cinttypes>

#include "common/udb_converter.h"
#include "platform/text/utf.h"

namespace tessaly {
namespace {

constexpr auto kRedraw = std::chrono::milliseconds(250);

std::string clock_text(double seconds) {
  const int64_t s = static_cast<int64_t>(seconds + 0.5);
  char buffer[32];
  if (s >= 3600)
    std::snprintf(buffer, sizeof buffer, "%" PRId64 ":%02d:%02d", s / 3600,
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
  else
    std::snprintf(buffer, sizeof buffer, "%d:%02d", static_cast<int>(s / 60),
                  static_cast<int>(s % 60));
  return buffer;
}

}  // namespace

std::string progress_line(const progress_state& s) {
  std::string line = "[" + std::to_string(s.table_index + 1) + "/" + std::to_string(s.table_count) +
                     "] " + s.table + ": " + std::to_string(s.rows_done) + " of " +
                     std::to_string(s.rows_total) + " rows";
  if (s.seconds > 0 && s.rows_done > 0) {
    const double rate = static_cast<double>(s.rows_done) / s.seconds;
    line += ", " + std::to_string(static_cast<int64_t>(rate)) + " rows/s";
    if (s.rows_total > s.rows_done)
      line += ", " + clock_text(static_cast<double>(s.rows_total - s.rows_done) / rate) + " left";
  }
  return line;
}

progress_display::progress_display(const udb_converter& driver, style how, std::FILE* out)
    : driver_(driver), style_(how), out_(out) {
  if (style_ == style::terminal) ticker_ = std::thread([this] { tick(); });
}

progress_display::~progress_display() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    clear_locked();
  }
  wake_.notify_all();
  if (ticker_.joinable()) ticker_.join();
}

void progress_display::tick() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    wake_.wait_for(lock, kRedraw);
    if (!stop_ && in_table_) draw_locked();
  }
}

void progress_display::draw_locked() {
  progress_state s;
  s.table = tsl::text::utf16_to_utf8(driver_.current_name());
  s.table_index = driver_.table_index();
  s.table_count = driver_.table_count();
  s.rows_done = driver_.record_index();
  s.rows_total = driver_.record_count();
  s.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - table_start_).count();
  std::fprintf(out_, "\r\033[K%s", progress_line(s).c_str());
  std::fflush(out_);
  drawn_ = true;
}

void progress_display::clear_locked() {
  if (!drawn_) return;
  std::fputs("\r\033[K", out_);
  drawn_ = false;
}

void progress_display::table_started(const std::u16string&, const std::u16string& target, int32_t) {
  std::lock_guard<std::mutex> lock(mutex_);
  target_ = target;
  table_start_ = std::chrono::steady_clock::now();
  in_table_ = true;
}

void progress_display::table_finished(const std::u16string& name, int64_t read, int64_t written) {
  std::lock_guard<std::mutex> lock(mutex_);
  in_table_ = false;
  if (style_ == style::quiet) return;
  clear_locked();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - table_start_).count();
  std::string line = tsl::text::utf16_to_utf8(name);
  if (target_ != name) line += " -> " + tsl::text::utf16_to_utf8(target_);
  char tail[96];
  std::snprintf(tail, sizeof tail, ": %" PRId64 " of %" PRId64 " rows written, %.2f s", written,
                read, seconds);
  std::fprintf(out_, "%s%s\n", line.c_str(), tail);
  std::fflush(out_);
}

void progress_display::table_skipped(const std::u16string& name, const std::u16string&) {
  print_line(tsl::text::utf16_to_utf8(name) + ": exists, skipped");
}

void progress_display::warning(const std::string& message) {
  print_line("warning: " + message);
}

void progress_display::print_line(const std::string& line, bool even_quiet) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (style_ == style::quiet && !even_quiet) return;
  clear_locked();
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

}  // namespace tessaly
