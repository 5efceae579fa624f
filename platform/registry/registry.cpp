#include "platform/registry/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "platform/text/utf.h"
#include "platform/text/wide_ctype.h"

namespace tsl::registry {

struct open_key {
  std::string path;  // "" for the root
};

namespace {

open_key root_key;
thread_local std::string error_text;

struct value {
  std::string name;  // as first written
  uint32_t type = kString;
  uint32_t number = 0;
  std::u16string text;
};

struct key_data {
  std::string name;
  std::vector<value> values;
};

// Case-insensitive ordering of UTF-8 names.
struct name_less {
  bool operator()(const std::string& a, const std::string& b) const {
    return text::compare_nocase(text::utf8_to_utf16(a), text::utf8_to_utf16(b)) < 0;
  }
};

using store = std::map<std::string, key_data, name_less>;

long fail(long code, std::string text) {
  error_text = std::move(text);
  return code;
}

std::string escape(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
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
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02x", c);
          out += buf;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out;
}

// Parses a quoted string starting at line[pos] == '"'; answers false when it
// is malformed. On success pos is just past the closing quote.
bool unquote(const std::string& line, size_t& pos, std::string& out) {
  if (pos >= line.size() || line[pos] != '"') return false;
  out.clear();
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (++pos >= line.size()) return false;
    switch (line[pos]) {
      case '\\':
        out.push_back('\\');
        break;
      case '"':
        out.push_back('"');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'x': {
        if (pos + 2 >= line.size()) return false;
        char hex[3] = {line[pos + 1], line[pos + 2], 0};
        char* end = nullptr;
        long v = std::strtol(hex, &end, 16);
        if (end != hex + 2) return false;
        out.push_back(static_cast<char>(v));
        pos += 2;
        break;
      }
      default:
        return false;
    }
  }
  return false;
}

// Loads the file; a missing file is an empty store.
long load(store& s) {
  s.clear();
  std::string path = store_path();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (errno == ENOENT) return kSuccess;
    return fail(kAccessDenied,
                "Cannot read the settings file " + path + ": " + std::strerror(errno));
  }
  std::string line;
  key_data* current = nullptr;
  int number = 0;
  auto corrupt = [&](const char* why) {
    return fail(kCorrupt, "The settings file " + path + " is corrupt at line " +
                              std::to_string(number) + " (" + why +
                              "); it was left as it is. Repair or remove it.");
  };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    bool valid = true;
    text::utf8_to_utf16(line, &valid);
    if (!valid) return corrupt("not UTF-8");
    if (line[0] == '[') {
      if (line.back() != ']') return corrupt("key line without ']'");
      std::string name = line.substr(1, line.size() - 2);
      current = &s[name];
      if (current->name.empty()) current->name = name;
      continue;
    }
    if (!current) return corrupt("value before any key");
    size_t pos = 0;
    value v;
    if (!unquote(line, pos, v.name)) return corrupt("bad value name");
    if (pos >= line.size() || line[pos] != '=') return corrupt("missing '='");
    ++pos;
    if (line.compare(pos, 6, "dword:") == 0) {
      std::string digits = line.substr(pos + 6);
      if (digits.empty() || digits.size() > 8 ||
          digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return corrupt("bad dword");
      v.type = kDword;
      v.number = static_cast<uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
    } else {
      std::string utf8;
      if (!unquote(line, pos, utf8) || pos != line.size()) return corrupt("bad string");
      v.type = kString;
      v.text = text::utf8_to_utf16(utf8);
    }
    bool replaced = false;
    for (auto& old : current->values) {
      if (text::equal_nocase(text::utf8_to_utf16(old.name), text::utf8_to_utf16(v.name))) {
        old = v;
        replaced = true;
      }
    }
    if (!replaced) current->values.push_back(std::move(v));
  }
  return kSuccess;
}

long save(const store& s) {
  std::string path = store_path();
  std::string dir = path.substr(0, path.rfind('/'));
  // Create the directory chain as needed.
  for (size_t i = 1; i <= dir.size(); ++i) {
    if (i == dir.size() || dir[i] == '/') {
      std::string part = dir.substr(0, i);
      if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
        return fail(kCannotWrite, "Cannot create " + part + ": " + std::strerror(errno));
    }
  }
  std::ostringstream out;
  out << "# Tessaly settings. Strings are UTF-8 in double quotes; numbers are dword:hex.\n";
  for (const auto& [_, key] : s) {
    out << "\n[" << key.name << "]\n";
    for (const auto& v : key.values) {
      out << '"' << escape(v.name) << "\"=";
      if (v.type == kDword) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", v.number);
        out << buf << '\n';
      } else {
        out << '"' << escape(text::utf16_to_utf8(v.text)) << "\"\n";
      }
    }
  }
  std::string bytes = out.str();
  std::string tmp = path + ".tmp." + std::to_string(getpid());
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return fail(kCannotWrite, "Cannot write " + tmp + ": " + std::strerror(errno));
  bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
    std::string why = std::strerror(errno);
    unlink(tmp.c_str());
    return fail(kCannotWrite, "Cannot write the settings file " + path + ": " + why);
  }
  return kSuccess;
}

std::string child_path(key_handle parent, const std::string& subkey) {
  if (parent->path.empty()) return subkey;
  if (subkey.empty()) return parent->path;
  return parent->path + "\\" + subkey;
}

bool valid_key(key_handle key) {
  return key == current_user || key != nullptr;
}

}  // namespace

const key_handle current_user = &root_key;

std::string store_path() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && *xdg == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.config";
  }
  return base + "/tessaly/registry";
}

std::string last_error_text() {
  return error_text;
}

long create_key(key_handle parent, const std::string& subkey, key_handle* result,
                uint32_t* disposition) {
  if (!valid_key(parent) || !result) return fail(kInvalidParameter, "invalid key or result");
  std::string path = child_path(parent, subkey);
  if (path.empty()) return fail(kInvalidParameter, "empty key path");
  store s;
  if (long rc = load(s); rc != kSuccess) return rc;
  uint32_t disp = kOpenedExistingKey;
  if (s.find(path) == s.end()) {
    s[path].name = path;
    if (long rc = save(s); rc != kSuccess) return rc;
    disp = kCreatedNewKey;
  }
  *result = new open_key{path};
  if (disposition) *disposition = disp;
  return kSuccess;
}

long close_key(key_handle key) {
  if (!key || key == current_user) return fail(kInvalidHandle, "invalid key");
  delete key;
  return kSuccess;
}

long query_value(key_handle key, const std::string& name, uint32_t* type, uint8_t* data,
                 uint32_t* size) {
  if (!key || key == current_user) return fail(kInvalidHandle, "invalid key");
  store s;
  if (long rc = load(s); rc != kSuccess) return rc;
  auto k = s.find(key->path);
  if (k == s.end()) return fail(kFileNotFound, "no key " + key->path);
  const value* found = nullptr;
  std::u16string wanted = text::utf8_to_utf16(name);
  for (const auto& v : k->second.values)
    if (text::equal_nocase(text::utf8_to_utf16(v.name), wanted)) found = &v;
  if (!found) return fail(kFileNotFound, "no value " + name);
  if (type) *type = found->type;
  std::string bytes;
  if (found->type == kDword) {
    bytes.assign(reinterpret_cast<const char*>(&found->number), 4);
  } else {
    bytes.assign(reinterpret_cast<const char*>(found->text.c_str()), (found->text.size() + 1) * 2);
  }
  if (!size) return data ? fail(kInvalidParameter, "no size") : kSuccess;
  uint32_t need = static_cast<uint32_t>(bytes.size());
  if (data && *size < need) {
    *size = need;
    return fail(kMoreData, "buffer too small");
  }
  if (data) std::memcpy(data, bytes.data(), need);
  *size = need;
  return kSuccess;
}

long set_value(key_handle key, const std::string& name, uint32_t type, const uint8_t* data,
               uint32_t size) {
  if (!key || key == current_user) return fail(kInvalidHandle, "invalid key");
  if (!data && size) return fail(kInvalidParameter, "no data");
  value v;
  v.name = name;
  v.type = type;
  if (type == kDword) {
    if (size != 4) return fail(kInvalidParameter, "a dword is 4 bytes");
    std::memcpy(&v.number, data, 4);
  } else if (type == kString) {
    std::u16string t(size / 2, u'\0');
    if (!t.empty()) std::memcpy(t.data(), data, t.size() * 2);
    while (!t.empty() && t.back() == u'\0') t.pop_back();
    v.text = t;
  } else {
    return fail(kInvalidParameter, "unsupported value type");
  }
  store s;
  if (long rc = load(s); rc != kSuccess) return rc;
  key_data& k = s[key->path];
  if (k.name.empty()) k.name = key->path;
  bool replaced = false;
  std::u16string wanted = text::utf8_to_utf16(name);
  for (auto& old : k.values) {
    if (text::equal_nocase(text::utf8_to_utf16(old.name), wanted)) {
      v.name = old.name;
      old = v;
      replaced = true;
    }
  }
  if (!replaced) k.values.push_back(v);
  return save(s);
}

}  // namespace tsl::registry
