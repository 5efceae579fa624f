#include "tessaly/run_report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/text/utf.h"

namespace tessaly {
namespace {

std::string utf8(const std::u16string& s) {
  return tsl::text::utf16_to_utf8(s);
}

std::string seconds_text(double s) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", s);
  return buffer;
}

void append_errors(std::string& out, const std::vector<table_result::error>& errors,
                   const std::string& indent) {
  out += "[";
  for (size_t i = 0; i < errors.size(); ++i) {
    out += i == 0 ? "\n" : ",\n";
    out += indent + "  {\"record\": ";
    out += errors[i].record > 0 ? std::to_string(errors[i].record) : "null";
    out += ", \"message\": " + json_string(errors[i].message) + "}";
  }
  if (!errors.empty()) out += "\n" + indent;
  out += "]";
}

}  // namespace

std::string json_string(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

run_report::run_report(std::string database)
    : database_(std::move(database)), start_(clock::now()) {}

table_result& run_report::entry(const std::string& source) {
  for (table_result& t : tables_)
    if (t.source == source) return t;
  tables_.push_back(table_result{});
  tables_.back().source = source;
  started_.push_back(clock::now());
  return tables_.back();
}

void run_report::table_started(const std::u16string& name, const std::u16string& target,
                               int32_t records) {
  std::lock_guard<std::mutex> lock(mutex_);
  table_result& t = entry(utf8(name));
  t.destination = utf8(target);
  t.source_rows = records;
}

void run_report::table_finished(const std::u16string& name, int64_t read, int64_t written) {
  std::lock_guard<std::mutex> lock(mutex_);
  table_result& t = entry(utf8(name));
  t.rows_read = read;
  t.rows_written = written;
  t.seconds = std::chrono::duration<double>(clock::now() - started_[&t - tables_.data()]).count();
  if (t.status.empty()) t.status = t.errors.empty() ? "converted" : "failed";
}

void run_report::table_skipped(const std::u16string& name, const std::u16string& target) {
  std::lock_guard<std::mutex> lock(mutex_);
  table_result& t = entry(utf8(name));
  t.destination = utf8(target);
  t.status = "skipped";
}

void run_report::error(const std::u16string& name, int32_t record, const std::string& message) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (name.empty()) {
    run_errors_.push_back({record, message});
    return;
  }
  entry(utf8(name)).errors.push_back({record, message});
}

void run_report::warning(const std::string& message) {
  std::lock_guard<std::mutex> lock(mutex_);
  warnings_.push_back(message);
}

void run_report::finish(const std::string& status) {
  std::lock_guard<std::mutex> lock(mutex_);
  status_ = status;
  seconds_ = std::chrono::duration<double>(clock::now() - start_).count();
  // A table the run never finished (a name the source lacks) still shows.
  for (table_result& t : tables_)
    if (t.status.empty()) t.status = "failed";
}

void run_report::merge(const table_result& from_job) {
  std::lock_guard<std::mutex> lock(mutex_);
  table_result& t = entry(from_job.source);
  t.rows_read += from_job.rows_read;
  t.rows_written += from_job.rows_written;
  t.seconds += from_job.seconds;
  for (const table_result::error& e : from_job.errors) t.errors.push_back(e);
  if (!t.errors.empty()) t.status = "failed";
}

void run_report::add_run_error(const table_result::error& e) {
  std::lock_guard<std::mutex> lock(mutex_);
  run_errors_.push_back(e);
}

std::vector<table_result::error> run_report::run_errors() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return run_errors_;
}

std::vector<table_result> run_report::tables() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return tables_;
}

std::string run_report::to_json() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string out = "{\n  \"database\": " + json_string(database_) + ",\n";
  out += "  \"status\": " + json_string(status_) + ",\n";
  out += "  \"seconds\": " + seconds_text(seconds_) + ",\n";
  out += "  \"tables\": [";
  for (size_t i = 0; i < tables_.size(); ++i) {
    const table_result& t = tables_[i];
    out += i == 0 ? "\n" : ",\n";
    out += "    {\"source\": " + json_string(t.source);
    out += ", \"destination\": " +
           (t.destination.empty() ? std::string("null") : json_string(t.destination));
    out += ", \"status\": " + json_string(t.status);
    out += ",\n     \"source_rows\": " + std::to_string(t.source_rows);
    out += ", \"rows_read\": " + std::to_string(t.rows_read);
    out += ", \"rows_written\": " + std::to_string(t.rows_written);
    out += ", \"seconds\": " + seconds_text(t.seconds);
    out += ",\n     \"errors\": ";
    append_errors(out, t.errors, "     ");
    out += "}";
  }
  if (!tables_.empty()) out += "\n  ";
  out += "],\n  \"errors\": ";
  append_errors(out, run_errors_, "  ");
  out += ",\n  \"warnings\": [";
  for (size_t i = 0; i < warnings_.size(); ++i)
    out += (i == 0 ? "" : ", ") + json_string(warnings_[i]);
  out += "]\n}\n";
  return out;
}

bool run_report::write(const std::string& path) const {
  const std::string text = to_json();
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // An existing file keeps its mode on open().
  ::fchmod(fd, 0600);
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return ::close(fd) == 0;
}

}  // namespace tessaly
