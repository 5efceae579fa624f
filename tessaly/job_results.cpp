#include "tessaly/job_results.h"

#include <cstdio>
#include <cstdlib>

#include "TK/tk_exception.h"

namespace tessaly {
namespace {

std::string escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

std::vector<std::string> fields_of(const std::string& line) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == '\t')
      out.emplace_back();
    else
      out.back() += c;
  }
  for (std::string& f : out) f = unescape(f);
  return out;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    if (end > pos) out.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

[[noreturn]] void bad(const std::string& line) {
  throw tk_exception("unreadable job line: " + line, 1);
}

long long number(const std::string& s, const std::string& line) {
  char* end = nullptr;
  long long n = std::strtoll(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0') bad(line);
  return n;
}

}  // namespace

std::string write_job_results(const job_results& results) {
  std::string out;
  char seconds[32];
  for (const table_result& t : results.tables) {
    std::snprintf(seconds, sizeof seconds, "%.6f", t.seconds);
    out += "T\t" + escape(t.source) + "\t" + std::to_string(t.rows_read) + "\t" +
           std::to_string(t.rows_written) + "\t" + seconds + "\n";
    for (const table_result::error& e : t.errors)
      out += "E\t" + escape(t.source) + "\t" + std::to_string(e.record) + "\t" + escape(e.message) +
             "\n";
  }
  for (const table_result::error& e : results.run_errors)
    out += "E\t\t" + std::to_string(e.record) + "\t" + escape(e.message) + "\n";
  return out;
}

job_results read_job_results(const std::string& text) {
  job_results out;
  for (const std::string& line : lines_of(text)) {
    const std::vector<std::string> f = fields_of(line);
    if (f[0] == "T" && f.size() == 5) {
      table_result t;
      t.source = f[1];
      t.rows_read = number(f[2], line);
      t.rows_written = number(f[3], line);
      t.seconds = std::strtod(f[4].c_str(), nullptr);
      out.tables.push_back(t);
    } else if (f[0] == "E" && f.size() == 4) {
      table_result::error e{static_cast<int32_t>(number(f[2], line)), f[3]};
      if (f[1].empty()) {
        out.run_errors.push_back(e);
        continue;
      }
      bool found = false;
      for (table_result& t : out.tables)
        if (t.source == f[1]) {
          t.errors.push_back(e);
          found = true;
        }
      if (!found) {
        table_result t;
        t.source = f[1];
        t.errors.push_back(e);
        out.tables.push_back(t);
      }
    } else {
      bad(line);
    }
  }
  return out;
}

std::string write_job_plan(const std::vector<job_entry>& entries) {
  std::string out;
  for (const job_entry& e : entries)
    out += std::string(e.created ? "C" : "A") + "\t" + escape(e.name) + "\t" + escape(e.target) +
           "\t" + escape(e.sql) + "\n";
  return out;
}

std::vector<job_entry> read_job_plan(const std::string& text) {
  std::vector<job_entry> out;
  for (const std::string& line : lines_of(text)) {
    const std::vector<std::string> f = fields_of(line);
    if (f.size() != 4 || (f[0] != "C" && f[0] != "A")) bad(line);
    out.push_back(job_entry{f[1], f[3], f[2], f[0] == "C"});
  }
  return out;
}

}  // namespace tessaly
