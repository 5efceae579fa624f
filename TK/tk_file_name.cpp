#include "TK/tk_file_name.h"

#include <climits>
#include <filesystem>

#include "TK/tk_exception.h"
#include "TK/tk_program_path.h"
#include "TK/tk_trace.h"
#include "platform/os/process.h"
#include "platform/text/ansi.h"

namespace {

// Makes the path absolute and drops "." and ".." parts; empty on failure.
std::string absolute_path(const std::string& path) {
  std::filesystem::path p(path);
  if (p.is_relative()) {
    std::string cwd = tsl::os::current_directory();
    if (cwd.empty()) return {};
    p = std::filesystem::path(cwd) / p;
  }
  std::string out = p.lexically_normal().string();
  return out.size() < PATH_MAX ? out : std::string();
}

void split(const std::string& full, tk_path_parts<std::string>& parts) {
  size_t slash = full.rfind('/');
  size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  parts.drive.clear();
  parts.directory = full.substr(0, name_start);
  std::string file = full.substr(name_start);
  size_t dot = file.rfind('.');
  if (dot == std::string::npos) {
    parts.name = file;
    parts.extension.clear();
  } else {
    parts.name = file.substr(0, dot);
    parts.extension = file.substr(dot);
  }
}

// Shared by both twins: the parts of a narrow path, `source_line` giving the
// lines their failures are reported at.
void initialize_parts(const std::string* path, tk_path_parts<std::string>& parts, int null_line,
                      int absolute_line) {
  if (!path) throw tk_mail_assertion("tk_fname", null_line);
  if (path->empty()) {
    split(tk_get_program_path(), parts);
    parts.name.clear();
    return;
  }
  std::string full = absolute_path(*path);
  if (full.empty()) throw tk_mail_assertion("tk_fname", absolute_line);
  split(full, parts);
}

std::u16string widen(const std::string& s) {
  std::u16string w;
  tsl::text::ansi_to_utf16(s, w);
  return w;
}

}  // namespace

void tk_file_name::initialize(const char* path) {
  tk_trace(1, "tk_file_name::initialize(%s)", path ? path : "");
  std::string p = path ? path : "";
  initialize_parts(path ? &p : nullptr, parts_, 28, 36);
}

std::string tk_file_name::path() const {
  return parts_.drive + parts_.directory + parts_.name + parts_.extension;
}

void tk_file_wname::initialize(const char16_t* path) {
  tk_trace_w(1, u"tk_file_wname::initialize(%s)", path ? path : u"");
  std::string narrow;
  if (path) tsl::text::utf16_to_ansi(path, narrow);
  tk_path_parts<std::string> parts;
  initialize_parts(path ? &narrow : nullptr, parts, 75, 83);
  parts_.drive = widen(parts.drive);
  parts_.directory = widen(parts.directory);
  parts_.name = widen(parts.name);
  parts_.extension = widen(parts.extension);
}

std::u16string tk_file_wname::path() const {
  return parts_.drive + parts_.directory + parts_.name + parts_.extension;
}
