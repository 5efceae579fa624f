#include "TK/tk_converter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "TK/tk_trace_log.h"
#include "testing/temp_dir.h"

namespace {

using tsl::testing::read_file;
using tsl::testing::temp_dir;
using tsl::testing::write_file;

// The agent's log: default name, off, threshold 3, no time stamps.
struct agent_log {
  tk_trace_log log{nullptr, false, 3, false};
};

TEST(TkConverter, EmptyNameChangesNothing) {
  agent_log a;
  std::string before = a.log.file_name();
  tk_converter c;
  c.set_logfile("");
  EXPECT_EQ(a.log.file_name(), before);
  EXPECT_FALSE(a.log.enabled());
  EXPECT_NE(before.find(".log"), std::string::npos);
}

TEST(TkConverter, LogFileIsInstalledAndEnabled) {
  agent_log a;
  temp_dir dir;
  std::string file = dir.file("conv.log");
  write_file(file, "previous run");
  tk_converter c;
  c.set_logfile(file);
  EXPECT_EQ(c.logfile(), file);
  EXPECT_TRUE(a.log.enabled());
  tk_trace(2, "not at level 2");
  tk_trace(3, "Converting database %s (%d tables)", "shop", 4);
  EXPECT_EQ(read_file(file), "Converting database shop (4 tables)\r\n");
}

TEST(TkConverter, RefusesReadOnlyFilesAndMissingDirectories) {
  agent_log a;
  temp_dir dir;
  std::string ro = dir.file("ro.log");
  write_file(ro, "keep");
  chmod(ro.c_str(), 0444);
  tk_converter c;
  try {
    c.set_logfile(ro);
    FAIL();
  } catch (const tk_exception& e) {
    EXPECT_STREQ(e.what(), "Logfile name specifies an existing read-only file.");
    EXPECT_EQ(e.severity(), 1);
  }
  EXPECT_EQ(c.logfile(), "");
  EXPECT_FALSE(a.log.enabled());
  try {
    c.set_logfile(dir.path() + "/no/such/dir/x.log");
    FAIL();
  } catch (const tk_exception& e) {
    EXPECT_STREQ(e.what(),
                 "Logfile path does not exist.\nPlease verify the correct path was given.");
  }
  EXPECT_EQ(read_file(ro), "keep");
  // A directory and a name too long are refused before anything is stored.
  for (const std::string& bad : {dir.path(), dir.file(std::string(300, 'n'))}) {
    try {
      c.set_logfile(bad);
      FAIL() << bad;
    } catch (const tk_exception& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Cannot open logfile " + bad + ": ", 0), 0u);
      EXPECT_EQ(e.severity(), 1);
    }
  }
  EXPECT_EQ(c.logfile(), "");
  EXPECT_FALSE(a.log.enabled());
}

struct counting : tk_converter {
  int idles = 0;
  bool is_done() override { return idles == 3; }
  void idle() override { ++idles; }
  int finish() override { return 42; }
};

TEST(TkConverter, RunIdlesUntilDone) {
  counting c;
  EXPECT_EQ(c.run(), 42);
  EXPECT_EQ(c.idles, 3);
}

}  // namespace
