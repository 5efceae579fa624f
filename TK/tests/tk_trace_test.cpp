#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "TK/tk_trace.h"
#include "TK/tk_trace_log.h"
#include "testing/temp_dir.h"

namespace {

using tsl::testing::read_file;
using tsl::testing::temp_dir;
using tsl::testing::write_file;

TEST(TkTrace, NothingWithoutALog) {
  EXPECT_FALSE(tk_trace_log::exists());
  tk_trace(3, "no log: %d", 1);  // must simply return
  tk_trace_w(3, u"no log: %s", u"x");
}

TEST(TkTrace, FirstCallEmptiesTheFileEvenWhenFiltered) {
  temp_dir dir;
  std::string file = dir.file("run.log");
  write_file(file, "old run\r\n");
  tk_trace_log log(file.c_str(), false, 3, false);
  EXPECT_EQ(read_file(file), "old run\r\n");  // a disabled log leaves the file alone
  tk_trace(3, "disabled");
  EXPECT_EQ(read_file(file), "old run\r\n");

  log.set_enabled(true);
  tk_trace(2, "below the threshold");
  EXPECT_EQ(read_file(file), "");
  EXPECT_TRUE(log.truncated());
  tk_trace(3, "Converting table %s (%d records)", "T", 12);
  tk_trace(1, "detail");
  tk_trace(3, "Run SQL query: %s\n", "select 1");
  EXPECT_EQ(read_file(file), "Converting table T (12 records)\r\nRun SQL query: select 1\n\r\n");

  // Emptied once per process only.
  log.set_enabled(false);
  log.set_enabled(true);
  tk_trace(3, "again");
  EXPECT_EQ(read_file(file).substr(0, 10), "Converting");
}

TEST(TkTrace, ArgumentsOfFilteredCallsAreNotEvaluated) {
  temp_dir dir;
  tk_trace_log log(dir.file("a.log").c_str(), true, 3, false);
  int evaluated = 0;
  tk_trace(1, "%d", ++evaluated);
  EXPECT_EQ(evaluated, 0);
  tk_trace(3, "%d", ++evaluated);
  EXPECT_EQ(evaluated, 1);
}

TEST(TkTrace, TimeStampsPrefixTheMessage) {
  temp_dir dir;
  std::string file = dir.file("t.log");
  tk_trace_log log(file.c_str(), true, 1, true);
  tk_trace(1, "abc");
  std::string text = read_file(file);
  ASSERT_EQ(text.size(), 9u + 3 + 2);
  EXPECT_EQ(text[2], ':');
  EXPECT_EQ(text[5], ':');
  EXPECT_EQ(text.substr(8), " abc\r\n");
}

TEST(TkTrace, WideMessagesAreUtf8AndCut) {
  temp_dir dir;
  std::string file = dir.file("w.log");
  tk_trace_log log(file.c_str(), true, 1, false);
  tk_trace_w(3, u"Converting table %s", u"\u0414\u00e9\u4e2d");
  EXPECT_EQ(read_file(file), "Converting table \xD0\x94\xC3\xA9\xE4\xB8\xAD\r\n");
  EXPECT_EQ(read_file(file).find('\0'), std::string::npos);

  write_file(file, "");
  std::u16string longer(tk_trace_log::kWideLimit + 50, u'x');
  tk_trace_w(3, u"%s", longer.c_str());
  // Cut to the limit with its NUL, and marked: the log still shows what the
  // message was.
  std::string cut = read_file(file);
  EXPECT_EQ(cut.size(), tk_trace_log::kWideLimit - 1 + 2);
  EXPECT_EQ(cut.substr(0, 100), std::string(100, 'x'));
  EXPECT_EQ(cut.substr(cut.size() - 8), " [...]\r\n");
  // A message of many-byte characters is cut at a character boundary.
  write_file(file, "");
  std::u16string wide(9 * 1300, u'\u00e9');
  tk_trace_w(3, u"INSERT %s", wide.c_str());
  cut = read_file(file);
  EXPECT_LE(cut.size(), tk_trace_log::kWideLimit - 1 + 2);
  EXPECT_GT(cut.size(), tk_trace_log::kWideLimit - 10);
  EXPECT_EQ(cut.substr(0, 9), "INSERT \xC3\xA9");
  EXPECT_EQ(cut.substr(cut.size() - 10), "\xC3\xA9 [...]\r\n");
  write_file(file, "");
  std::u16string fits(tk_trace_log::kWideLimit - 1, u'y');
  tk_trace_w(3, u"%s", fits.c_str());
  EXPECT_EQ(read_file(file).size(), fits.size() + 2);
}

TEST(TkTrace, UnwritableFileIsSilentButRemembered) {
  temp_dir dir;
  tk_trace_log log((dir.path() + "/missing/dir/x.log").c_str(), true, 1, false);
  tk_trace(3, "lost");  // must not raise or crash
  EXPECT_EQ(log.error(), ENOENT);
}

TEST(TkTrace, AFullDeviceIsRemembered) {
  tk_trace_log log("/dev/full", true, 1, false);
  EXPECT_EQ(log.error(), 0);
  tk_trace(3, "no room");
  EXPECT_EQ(log.error(), ENOSPC);
}

TEST(TkTrace, TheFileIsTheOwnersOnly) {
  temp_dir dir;
  std::string file = dir.file("run.log");
  write_file(file, "old");
  chmod(file.c_str(), 0644);
  tk_trace_log log(file.c_str(), true, 1, false);
  tk_trace(3, "value");
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(log.error(), 0);
}

}  // namespace
