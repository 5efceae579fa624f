// The progress line's figures, and what each style prints.
#include <gtest/gtest.h>

#include <cstdio>

#include "common/udb_converter.h"
#include "tessaly/progress_display.h"

namespace tessaly {
namespace {

TEST(progress_display, LineShowsRateAndTimeLeft) {
  progress_state s{"orders", 1, 4, 1000, 5000, 2.0};
  EXPECT_EQ(progress_line(s), "[2/4] orders: 1000 of 5000 rows, 500 rows/s, 0:08 left");
  s.rows_done = 5000;
  s.seconds = 4;
  EXPECT_EQ(progress_line(s), "[2/4] orders: 5000 of 5000 rows, 1250 rows/s");
  // Nothing done yet: no rate to divide by.
  s.rows_done = 0;
  EXPECT_EQ(progress_line(s), "[2/4] orders: 0 of 5000 rows");
  s = {"big", 0, 1, 1, 7201, 1.0};
  EXPECT_EQ(progress_line(s), "[1/1] big: 1 of 7201 rows, 1 rows/s, 2:00:00 left");
}

struct idle_driver : udb_converter {
  bool test_query(const std::u16string&) override { return true; }
};

std::string printed(progress_display::style how) {
  idle_driver driver;
  std::FILE* out = std::tmpfile();
  {
    progress_display d(driver, how, out);
    d.table_started(u"odd name!", u"odd_name_", 3);
    d.table_finished(u"odd name!", 3, 2);
    d.warning("default left out");
    d.print_line("error: lost", true);
  }
  std::rewind(out);
  std::string text;
  for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) text += static_cast<char>(c);
  std::fclose(out);
  return text;
}

TEST(progress_display, StylesPrintLinesOrOnlyErrors) {
  const std::string lines = printed(progress_display::style::lines);
  EXPECT_EQ(lines.rfind("odd name! -> odd_name_: 2 of 3 rows written, ", 0), 0u) << lines;
  EXPECT_NE(lines.find(" s\nwarning: default left out\nerror: lost\n"), std::string::npos);
  EXPECT_EQ(printed(progress_display::style::quiet), "error: lost\n");
}

}  // namespace
}  // namespace tessaly
