// The pages' own rules: the progress arithmetic and the SELECT test of
// the query dialog.
#include <gtest/gtest.h>

#include "wizard/progress_page.h"
#include "wizard/set_query_dlg.h"

namespace {

TEST(ProgressPercent, FinishedTablesPlusTheShareOfTheCurrentOne) {
  // 4 tables, the second half done: 25 + 12.
  EXPECT_EQ(progress_percent(1, 4, 500, 1000), 37);
  EXPECT_EQ(progress_percent(0, 4, 0, 0), 0);
  EXPECT_EQ(progress_percent(3, 4, 999, 1000), 99);
  EXPECT_EQ(progress_percent(4, 4, 0, 0), 100);
  // No tables at all (queries only, or nothing selected).
  EXPECT_EQ(progress_percent(0, 0, 10, 20), 0);
  EXPECT_EQ(progress_percent(2, 0, 0, 0), 0);
  // Large tables do not overflow the arithmetic.
  EXPECT_EQ(progress_percent(0, 1, 2000000000, 2100000000), 95);
}

TEST(SelectTest, LeadingBlanksAndAnyCase) {
  EXPECT_TRUE(passes_select_test(u"  select name FROM t"));
  EXPECT_TRUE(passes_select_test(u"\t\r\nSeLeCt 1"));
  EXPECT_TRUE(passes_select_test(u"SELECT"));
  // An empty text passes here; OK refuses it on its own.
  EXPECT_TRUE(passes_select_test(u""));
  EXPECT_TRUE(passes_select_test(u" \n "));
  EXPECT_FALSE(passes_select_test(u"exec sp_who"));
  EXPECT_FALSE(passes_select_test(u"SELEC"));
  EXPECT_FALSE(passes_select_test(u"\vselect 1"));
  EXPECT_FALSE(passes_select_test(u"update t set a = 1"));
}

}  // namespace
