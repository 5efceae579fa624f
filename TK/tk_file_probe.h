#pragma once
// Whether a file or directory exists, and the current directory kept across
// a scope.
#include <string>

// Mode 1: the file exists and can be written (a file without any write
// permission bit counts as read-only, even for root, like a read-only file
// on Windows); any other mode: it exists and can be read. Directories are not
// files.
bool tk_is_file_exist(const char* path, int mode);
bool tk_is_file_exist(const char16_t* path, int mode);

// True when the directory can be entered; the current directory is kept.
bool tk_is_path_exist(const char* path);
bool tk_is_path_exist(const char16_t* path);

// Changes into a directory for the lifetime of the object, then back. An
// empty path means the program's own directory.
class tk_current_dir_keeper {
 public:
  explicit tk_current_dir_keeper(const char* path);
  ~tk_current_dir_keeper();
  tk_current_dir_keeper(const tk_current_dir_keeper&) = delete;
  tk_current_dir_keeper& operator=(const tk_current_dir_keeper&) = delete;

  bool succeeded() const { return succeeded_; }

 private:
  bool succeeded_ = false;
  std::string saved_;
};
