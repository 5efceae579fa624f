#pragma once
// A full path split into its parts, which can be replaced one by one and
// joined again: this is how the help and log file names are made from the
// program's own path. There are no drive letters here, so the drive part is
// always empty; the directory keeps its trailing '/'.
#include <string>

template <typename Str>
struct tk_path_parts {
  Str drive;
  Str directory;  // with the trailing separator
  Str name;       // without the extension
  Str extension;  // with its leading dot
};

// Narrow paths.
class tk_file_name {
 public:
  // A null path is an internal error. An empty path means the program's own
  // path with the file name part left empty.
  void initialize(const char* path);

  const std::string& drive() const { return parts_.drive; }
  const std::string& directory() const { return parts_.directory; }
  const std::string& name() const { return parts_.name; }
  const std::string& extension() const { return parts_.extension; }
  void set_directory(const std::string& d) { parts_.directory = d; }
  void set_name(const std::string& n) { parts_.name = n; }
  void set_extension(const std::string& e) { parts_.extension = e; }
  std::string path() const;

 private:
  tk_path_parts<std::string> parts_;
};

// UTF-16 paths.
class tk_file_wname {
 public:
  void initialize(const char16_t* path);

  const std::u16string& drive() const { return parts_.drive; }
  const std::u16string& directory() const { return parts_.directory; }
  const std::u16string& name() const { return parts_.name; }
  const std::u16string& extension() const { return parts_.extension; }
  void set_directory(const std::u16string& d) { parts_.directory = d; }
  void set_name(const std::u16string& n) { parts_.name = n; }
  void set_extension(const std::u16string& e) { parts_.extension = e; }
  std::u16string path() const;

 private:
  tk_path_parts<std::u16string> parts_;
};
