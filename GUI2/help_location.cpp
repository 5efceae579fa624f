#include "GUI2/help_location.h"

#include <filesystem>
#include <system_error>

std::string help_dir_for(const std::string& program) {
  namespace fs = std::filesystem;
  // Found from where the program runs, so that any prefix works and an
  // installed program never reads the build tree.
  const fs::path installed =
      fs::path(program).parent_path().parent_path() / "share" / "tessaly" / "help";
  std::error_code ec;
  if (fs::is_regular_file(installed / "index.html", ec)) return installed.string();
  return program + ".help";
}
