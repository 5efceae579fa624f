#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TK/tk_bug_report.h"
#include "TK/tk_dll_version.h"
#include "TK/tk_exception.h"
#include "TK/tk_file_name.h"
#include "TK/tk_file_probe.h"
#include "TK/tk_program_path.h"
#include "platform/os/process.h"
#include "testing/temp_dir.h"

namespace {

using tsl::testing::temp_dir;
using tsl::testing::write_file;

TEST(TkFileName, SplitsAndJoins) {
  tk_file_name n;
  n.initialize("/var/log/tessaly.run.log");
  EXPECT_EQ(n.drive(), "");
  EXPECT_EQ(n.directory(), "/var/log/");
  EXPECT_EQ(n.name(), "tessaly.run");
  EXPECT_EQ(n.extension(), ".log");
  n.set_extension(".chm");
  EXPECT_EQ(n.path(), "/var/log/tessaly.run.chm");

  n.initialize("/a/b/../c/./noext");
  EXPECT_EQ(n.directory(), "/a/c/");
  EXPECT_EQ(n.name(), "noext");
  EXPECT_EQ(n.extension(), "");

  std::string cwd = tsl::os::current_directory();
  n.initialize("rel.txt");
  EXPECT_EQ(n.path(), cwd + "/rel.txt");

  tk_file_wname w;
  w.initialize(u"/tmp/\u00e9t\u00e9.profile");
  EXPECT_EQ(w.name(), u"\u00e9t\u00e9");
  EXPECT_EQ(w.extension(), u".profile");
}

TEST(TkFileName, EmptyMeansTheProgramWithoutItsName) {
  tk_file_name n;
  n.initialize("");
  tk_file_name program;
  program.initialize(tk_get_program_path().c_str());
  EXPECT_EQ(n.directory(), program.directory());
  EXPECT_EQ(n.name(), "");
  EXPECT_EQ(n.extension(), program.extension());
  EXPECT_THROW(n.initialize(nullptr), tk_mail_assertion);
  tk_file_wname w;
  try {
    w.initialize(nullptr);
    FAIL();
  } catch (const tk_mail_assertion& a) {
    EXPECT_STREQ(a.what(), tk_mail_assertion("tk_fname", 75).what());
  }
}

TEST(TkFileProbe, ExistenceAndWritability) {
  temp_dir dir;
  std::string rw = dir.file("rw.txt"), ro = dir.file("ro.txt");
  write_file(rw, "x");
  write_file(ro, "x");
  chmod(ro.c_str(), 0444);
  EXPECT_TRUE(tk_is_file_exist(rw.c_str(), 0));
  EXPECT_TRUE(tk_is_file_exist(rw.c_str(), 1));
  EXPECT_TRUE(tk_is_file_exist(ro.c_str(), 0));
  EXPECT_FALSE(tk_is_file_exist(ro.c_str(), 1));  // even as root
  EXPECT_FALSE(tk_is_file_exist(dir.file("none").c_str(), 0));
  EXPECT_FALSE(tk_is_file_exist(dir.path().c_str(), 0));  // a directory is no file
  EXPECT_FALSE(tk_is_file_exist(static_cast<const char*>(nullptr), 0));
  EXPECT_TRUE(tk_is_file_exist(std::u16string(rw.begin(), rw.end()).c_str(), 1));
}

TEST(TkFileProbe, PathProbeKeepsTheCurrentDirectory) {
  temp_dir dir;
  std::string before = tsl::os::current_directory();
  EXPECT_TRUE(tk_is_path_exist(dir.path().c_str()));
  EXPECT_FALSE(tk_is_path_exist((dir.path() + "/missing").c_str()));
  EXPECT_FALSE(tk_is_path_exist(""));
  EXPECT_EQ(tsl::os::current_directory(), before);
  {
    tk_current_dir_keeper keeper(dir.path().c_str());
    EXPECT_TRUE(keeper.succeeded());
    EXPECT_EQ(tsl::os::current_directory(), dir.path());
  }
  EXPECT_EQ(tsl::os::current_directory(), before);
  {
    tk_current_dir_keeper keeper("");
    tk_file_name program;
    program.initialize(tk_get_program_path().c_str());
    EXPECT_EQ(tsl::os::current_directory() + "/", program.directory());
  }
  EXPECT_EQ(tsl::os::current_directory(), before);
}

TEST(TkDllVersion, UnknownOrVersionlessLibrariesAnswerZero) {
  EXPECT_EQ(get_dll_version("libno-such-library.so"), 0u);
  EXPECT_EQ(get_dll_version("libc.so.6"), 0u);  // has no DllGetVersion
  EXPECT_LT(get_dll_version("comctl32.dll"), (5u << 16) | 80u);
}

TEST(TkBugReport, WithoutAMailProgramNothingHappens) {
  std::string before = tsl::os::current_directory();
  setenv("TSL_SENDMAIL", "", 1);
  tk_send_bug_report("Tessaly", "body");
  EXPECT_EQ(tsl::os::current_directory(), before);
  unsetenv("TSL_SENDMAIL");
}

TEST(TkBugReport, HandsTheMailToTheSubmissionProgram) {
  temp_dir dir;
  std::string script = dir.file("sendmail"), out = dir.file("mail");
  write_file(script, "#!/bin/sh\ncd /\ncat > '" + out + "'\n");
  chmod(script.c_str(), 0755);
  setenv("TSL_SENDMAIL", script.c_str(), 1);
  std::string before = tsl::os::current_directory();
  tk_send_bug_report("Tessaly Wizard", "Internal error: \ncode=782e6370705c37");
  unsetenv("TSL_SENDMAIL");
  EXPECT_EQ(tsl::os::current_directory(), before);
  std::string mail = tsl::testing::read_file(out);
  EXPECT_NE(mail.find("Subject: Bug report on Tessaly Wizard\n"), std::string::npos) << mail;
  EXPECT_NE(mail.find(std::string("To: \"Vendrel\" <") + kSupportAddress + ">"), std::string::npos);
  EXPECT_NE(mail.find("code=782e6370705c37"), std::string::npos);
}

}  // namespace
