// Leaving the wizard: Cancel answered No changes nothing; answered Yes
// during a conversion stops it at a record boundary, and every row it had
// copied stays in Oracle. Runs that end with errors, or with nothing to do.
#include <gtest/gtest.h>

#include <QLabel>

#include "wizard/tests/wizard_fixture.h"

namespace wizard_testing {
namespace {

using names = std::vector<std::string>;

class wizard_cancel : public wizard_fixture {
 protected:
  // A keyed table of `rows` rows named `name`.
  void add_table(const std::string& name, int rows) {
    std::string sql = "USE sample_shop\nGO\nCREATE TABLE " + name +
                      " (n int NOT NULL PRIMARY KEY, t nvarchar(40) NULL)\nGO\n";
    for (int first = 1; first <= rows; first += 500) {
      sql += "INSERT INTO " + name + " VALUES ";
      for (int n = first; n < first + 500 && n <= rows; ++n)
        sql += (n == first ? "" : ", ") + std::string("(") + std::to_string(n) + ", N'row " +
               std::to_string(n) + "')";
      sql += "\nGO\n";
    }
    mssql(sql);
  }
};

TEST_F(wizard_cancel, YesDuringAConversionStopsItAndKeepsWhatWasCopied) {
  // Far more rows than the run can copy while Cancel is asked and answered,
  // however fast the machine.
  const int total = 40000;
  add_table("big", total);
  // Batches of two rows: a stop also stores the queued one, and the run stays
  // slow enough to be stopped in the middle.
  setenv("TSL_BATCH_ROWS", "2", 1);
  start();
  to_tables_page();
  {
    box_answerer boxes;
    boxes.press(QMessageBox::No);
    shell().button(QWizard::CancelButton)->click();
    EXPECT_EQ(boxes.texts(), names{"Are you sure you want to exit the wizard?"});
    EXPECT_TRUE(shell().isVisible());
    EXPECT_EQ(page(), 127);
  }
  pick(1317, "big");
  click(1101);
  next();
  ASSERT_EQ(page(), 107);
  EXPECT_FALSE(shell().button(QWizard::NextButton)->isEnabled());
  EXPECT_FALSE(shell().button(QWizard::BackButton)->isEnabled());
  EXPECT_TRUE(shell().button(QWizard::CancelButton)->isEnabled());
  // The timer has shown where the run is.
  EXPECT_TRUE(QTest::qWaitFor(
      [this] { return find<QLabel>(1323)->text() == QStringLiteral("Processing table 'big'"); },
      60000));
  ASSERT_TRUE(QTest::qWaitFor([this] { return driver().record_index() >= 20; }, 60000));
  {
    box_answerer boxes;
    boxes.press(QMessageBox::Yes);
    shell().button(QWizard::CancelButton)->click();
  }
  EXPECT_FALSE(shell().isVisible());
  EXPECT_TRUE(driver().done());
  const int copied = driver().record_index();
  unsetenv("TSL_BATCH_ROWS");
  EXPECT_LT(copied, total) << "the run ended before it could be stopped";
  stop();
  // Every row the run had inserted is there, whole, and no other.
  EXPECT_EQ(oracle_one("SELECT TO_CHAR(count(*)) FROM \"big\""), std::to_string(copied));
  EXPECT_EQ(oracle_one("SELECT TO_CHAR(max(\"n\")) FROM \"big\""), std::to_string(copied));
  EXPECT_EQ(oracle_one("SELECT \"t\" FROM \"big\" WHERE \"n\" = 1"), "row 1");
}

TEST_F(wizard_cancel, TwentyFiveErrorsListTheFirstTwenty) {
  add_table("dup", 25);
  // The first run copies the rows; the second merges them again, and every
  // row breaks the primary key.
  for (int run = 0; run < 2; ++run) {
    start();
    to_tables_page(1);
    pick(1317, "dup");
    click(1101);
    box_answerer boxes;
    // The first error: do not ask again, and go on.
    boxes.then([](QWidget* w) {
      w->findChild<QAbstractButton*>(QStringLiteral("1222"))->click();
      w->findChild<QAbstractButton*>(QStringLiteral("2"))->click();
    });
    next();
    ASSERT_TRUE(wait_for_finish());
    if (run == 0) {
      EXPECT_EQ(boxes.boxes.size(), 0u);
      stop();
      continue;
    }
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].kind, "dlg_error_continue");
    EXPECT_EQ(boxes.boxes[0].text.find("dup, record #1: "), 0u) << boxes.boxes[0].text;
    EXPECT_EQ(find<QLabel>(1314)->text().toStdString(),
              "There were some errors while converting the database.\nClick 'Finish' to exit "
              "the wizard.");
    const std::string list = find<QPlainTextEdit>(1016)->toPlainText().toStdString();
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = list.find("\n\n", from)) != std::string::npos; from = at + 2)
      lines.push_back(list.substr(from, at - from));
    EXPECT_EQ(from, list.size());
    ASSERT_EQ(lines.size(), 20u);
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].find("dup, record #" + std::to_string(i + 1) + ": "), 0u) << lines[i];
      EXPECT_EQ(lines[i].find('\n'), std::string::npos);
    }
    stop();
  }
  EXPECT_EQ(oracle_one("SELECT TO_CHAR(count(*)) FROM \"dup\""), "25");
}

TEST_F(wizard_cancel, ARunWithoutTablesEndsWithSuccess) {
  start();
  to_tables_page();
  box_answerer boxes;
  boxes.press(QMessageBox::No).press(QMessageBox::Yes);
  next();
  EXPECT_EQ(page(), 127);
  next();
  EXPECT_EQ(boxes.texts(), (names{"There are no tables selected. Continue anyway?",
                                  "There are no tables selected. Continue anyway?"}));
  ASSERT_TRUE(wait_for_finish());
  EXPECT_EQ(find<QLabel>(1314)->text().toStdString(),
            "Wizard has migrated your MS SQL database to\nOracle server successfully.\n\n"
            "Click 'Finish' to exit the wizard.");
  stop();
  EXPECT_EQ(oracle_column("SELECT table_name FROM user_tables"), names{});
}

}  // namespace
}  // namespace wizard_testing
