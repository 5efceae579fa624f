#include "common/udb_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "TK/tk_text.h"
#include "common/query_one_line.h"
#include "platform/text/utf.h"

udb_profile::udb_profile() {
  sections_[kAvailableQueries];
  sections_[kSelectedTables];
  sections_[kGenericSettings];
}

std::u16string udb_profile::get(const std::u16string& section_name,
                                const std::u16string& key) const {
  auto s = sections_.find(section_name);
  if (s == sections_.end()) return {};
  auto v = s->second.find(key);
  return v == s->second.end() ? std::u16string() : v->second;
}

void udb_profile::put(const std::u16string& section_name, const std::u16string& key,
                      const std::u16string& value) {
  sections_[section_name].emplace(key, value);
}

bool udb_profile::read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  // Parse into a copy so that a file refused half-way adds nothing.
  std::map<std::u16string, section> parsed = sections_;
  section* current = nullptr;
  std::string raw;
  // Lines of any length are read whole: a long query must survive a save
  // and a load.
  bool first = true;
  while (std::getline(in, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    // Editors may save UTF-8 with a byte order mark.
    if (first && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
    first = false;
    std::u16string line = tk_trim(tsl::text::utf8_to_utf16(raw));
    if (line.empty()) continue;
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      current = &parsed[line.substr(1, line.size() - 2)];
      continue;
    }
    if (!current) return false;
    size_t eq = line.find(u'=');
    if (eq == std::u16string::npos) {
      current->emplace(line, std::u16string());
    } else {
      current->emplace(tk_trim(line.substr(0, eq)), line.substr(eq + 1));
    }
  }
  sections_ = std::move(parsed);
  return true;
}

namespace {

// A value holds no line break in the file: a break would end the entry and
// turn the rest of the value into an entry of its own.
std::string one_line(const std::u16string& text) {
  std::u16string copy = text;
  for (auto& c : copy)
    if (c == u'\r' || c == u'\n') c = u' ';
  return tsl::text::utf16_to_utf8(copy);
}

bool write_all(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool udb_profile::write(const std::string& path) const {
  std::string out;
  for (const auto& [name, entries] : sections_) {
    out += "[" + one_line(name) + "]\r\n";
    // Queries keep their meaning on one line.
    const bool queries = name == kSelectedTables || name == kAvailableQueries;
    for (const auto& [key, value] : entries) {
      out += one_line(key);
      if (!(name == kSelectedTables && value.empty()))
        out += "=" + one_line(queries ? query_one_line(value) : value);
      out += "\r\n";
    }
    out += "\r\n";
  }
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // An existing file keeps its mode on open(); passwords must not stay
  // readable by others.
  fchmod(fd, 0600);
  bool ok = write_all(fd, out);
  return close(fd) == 0 && ok;
}
