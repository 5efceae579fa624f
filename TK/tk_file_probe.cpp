#include "TK/tk_file_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TK/tk_file_name.h"
#include "TK/tk_trace.h"
#include "platform/os/process.h"
#include "platform/text/ansi.h"

namespace {

std::string narrow(const char16_t* path) {
  std::string out;
  if (path) tsl::text::utf16_to_ansi(path, out);
  return out;
}

bool file_exists(const char* path, int mode) {
  int fd = path && *path ? open(path, (mode == 1 ? O_RDWR : O_RDONLY) | O_CLOEXEC) : -1;
  bool ok = fd >= 0;
  if (ok) {
    struct stat st {};
    ok = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode) &&
         (mode != 1 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)));
    close(fd);
  }
  if (!ok) tk_trace(1, "File not exists!");
  return ok;
}

}  // namespace

bool tk_is_file_exist(const char* path, int mode) {
  tk_trace(2, "tk_is_file_exist(%s)", path ? path : "");
  return file_exists(path, mode);
}

bool tk_is_file_exist(const char16_t* path, int mode) {
  tk_trace_w(2, u"tk_is_file_exist(%s)", path ? path : u"");
  return file_exists(narrow(path).c_str(), mode);
}

bool tk_is_path_exist(const char* path) {
  tk_trace(2, "tk_is_path_exist(%s)", path ? path : "");
  if (!path || !*path) return false;
  tk_current_dir_keeper keeper(path);
  return keeper.succeeded();
}

bool tk_is_path_exist(const char16_t* path) {
  tk_trace_w(2, u"tk_is_path_exist(%s)", path ? path : u"");
  std::string p = narrow(path);
  if (p.empty()) return false;
  tk_current_dir_keeper keeper(p.c_str());
  return keeper.succeeded();
}

tk_current_dir_keeper::tk_current_dir_keeper(const char* path) {
  saved_ = tsl::os::current_directory();
  std::string target = path ? path : "";
  if (target.empty()) {
    tk_file_name program;
    program.initialize("");
    target = program.directory();
  }
  succeeded_ = !saved_.empty() && tsl::os::change_directory(target);
}

tk_current_dir_keeper::~tk_current_dir_keeper() {
  if (succeeded_) tsl::os::change_directory(saved_);
}
