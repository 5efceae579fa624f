// An installed wizard reads its help from its prefix; one in the build tree
// from beside the program.
#include <gtest/gtest.h>

#include <filesystem>

#include "GUI2/help_location.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(help_location, InstalledPagesUnderThePrefixWinOverThoseBesideTheProgram) {
  tsl::testing::temp_dir prefix;
  fs::create_directories(prefix.file("bin/tslwizard.help"));
  tsl::testing::write_file(prefix.file("bin/tslwizard.help/index.html"), "<h1>build</h1>");
  const std::string program = prefix.file("bin/tslwizard");

  // A share directory without the pages (another program's prefix) is not
  // taken for them.
  fs::create_directories(prefix.file("share/tessaly/help"));
  EXPECT_EQ(help_dir_for(program), program + ".help");

  tsl::testing::write_file(prefix.file("share/tessaly/help/index.html"), "<h1>installed</h1>");
  EXPECT_EQ(fs::path(help_dir_for(program)), fs::path(prefix.file("share/tessaly/help")));
}

TEST(help_location, AProgramAtTheRootFallsBackBesideIt) {
  EXPECT_EQ(help_dir_for("/tslwizard"), "/tslwizard.help");
}

}  // namespace
