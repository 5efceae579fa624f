#pragma once
#include <string>

namespace tsl::testing {

// A fresh directory under the system temporary directory, removed with
// everything in it when the object goes.
class temp_dir {
 public:
  temp_dir();
  ~temp_dir();
  temp_dir(const temp_dir&) = delete;
  temp_dir& operator=(const temp_dir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

// Writes bytes to a file, replacing it.
void write_file(const std::string& path, const std::string& bytes);
// Reads a whole file; empty when it cannot be read.
std::string read_file(const std::string& path);

}  // namespace tsl::testing
