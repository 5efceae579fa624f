// The frame and the page base: captions and owners of the message boxes,
// buttons per page, Cancel, help, the timer, and the finish page's report.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <fstream>
#include <memory>

#include "GUI2/gui_finish_page.h"
#include "GUI2/help_window.h"
#include "GUI2/tests/box_answerer.h"
#include "GUI2/wizard_page.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "testing/temp_dir.h"

namespace {

using gui_testing::box_answerer;

struct plain_page : wizard_page {
  plain_page(int id, const char* title, buttons b)
      : wizard_page(id, QString::fromLatin1(title), QString::fromLatin1(title), b, 1010) {}
  int inits = 0;
  int ticks = 0;
  bool page_init() override {
    ++inits;
    return true;
  }
  void on_timer(int id) override {
    if (id == wizard_shell::kTimerId) ++ticks;
  }
};

class shell_test : public ::testing::Test {
 protected:
  void SetUp() override {
    shell = std::make_unique<wizard_shell>(u"Tessaly 3.1 ", 501, 311, 312);
    first = new plain_page(103, "", wizard_page::buttons::next);
    middle = new plain_page(118, "Step 1 of 5", wizard_page::buttons::back_next);
    running = new plain_page(107, "Step 5 of 5", wizard_page::buttons::none);
    shell->add_page(first);
    shell->add_page(middle);
    shell->add_page(running);
    finish = new gui_finish_page(QStringLiteral("All went well."), QStringLiteral("Some failed."),
                                 "tsl", [this](const std::string& p) {
                                   stored = p;
                                   return true;
                                 });
    shell->add_page(finish);
  }
  void TearDown() override { shell.reset(); }
  void show() {
    shell->show();
    QCoreApplication::processEvents();
  }
  bool enabled(QWizard::WizardButton b) {
    QCoreApplication::processEvents();
    return shell->button(b)->isEnabled() && shell->button(b)->isVisible();
  }

  std::unique_ptr<wizard_shell> shell;
  plain_page* first;
  plain_page* middle;
  plain_page* running;
  gui_finish_page* finish;
  std::string stored;
};

TEST_F(shell_test, BoxesBeforeTheFirstPageHaveNoOwnerAndPlainCaptions) {
  box_answerer boxes;
  EXPECT_FALSE(wizard_shell::is_initialized());
  shell->error("Something broke");
  shell->message(u"Note this");
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].caption, "Error");
  EXPECT_EQ(boxes.boxes[0].text, "Something broke");
  EXPECT_EQ(boxes.boxes[1].caption, "Message");
  show();
  EXPECT_TRUE(wizard_shell::is_initialized());
  EXPECT_EQ(shell->windowTitle(), QStringLiteral("Tessaly 3.1 "));
  boxes.press(QMessageBox::Yes);
  EXPECT_TRUE(shell->question("Sure?"));
  shell->error("Again");
  EXPECT_EQ(boxes.boxes[2].caption, "Tessaly 3.1  Question");
  EXPECT_EQ(boxes.boxes[3].caption, "Tessaly 3.1  Error");
}

TEST_F(shell_test, ButtonsFollowThePageAndCancelAsksFirst) {
  show();
  EXPECT_EQ(first->inits, 1);
  EXPECT_TRUE(enabled(QWizard::NextButton));
  EXPECT_FALSE(enabled(QWizard::BackButton));
  shell->next();
  EXPECT_TRUE(enabled(QWizard::NextButton));
  EXPECT_TRUE(enabled(QWizard::BackButton));
  // Back and forth: each activation fills the page again.
  shell->back();
  shell->next();
  EXPECT_EQ(middle->inits, 2);
  shell->next();
  EXPECT_FALSE(enabled(QWizard::NextButton));
  EXPECT_FALSE(enabled(QWizard::BackButton));
  EXPECT_TRUE(enabled(QWizard::CancelButton));

  box_answerer boxes;
  boxes.press(QMessageBox::No);
  shell->button(QWizard::CancelButton)->click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Are you sure you want to exit the wizard?");
  EXPECT_TRUE(shell->isVisible());
  EXPECT_EQ(shell->currentId(), 107);

  shell->select_page(116);
  EXPECT_EQ(shell->currentId(), 116);
  EXPECT_TRUE(enabled(QWizard::FinishButton));
  EXPECT_FALSE(enabled(QWizard::BackButton));
  EXPECT_FALSE(shell->button(QWizard::CancelButton)->isEnabled());
  EXPECT_FALSE(shell->button(QWizard::HelpButton)->isEnabled());
  EXPECT_EQ(finish->control<QLabel>(1314)->text(), QStringLiteral("All went well."));
  EXPECT_FALSE(finish->control<QPlainTextEdit>(1016)->isVisible());

  // Escape does nothing where Cancel is disabled.
  QTest::keyClick(shell.get(), Qt::Key_Escape);
  QTest::qWait(50);
  EXPECT_TRUE(shell->isVisible());
  EXPECT_EQ(boxes.boxes.size(), 1u);
  shell->button(QWizard::FinishButton)->click();
  EXPECT_FALSE(shell->isVisible());
  EXPECT_EQ(shell->result(), QDialog::Accepted);
}

TEST_F(shell_test, CancelAnsweredYesClosesTheWizard) {
  show();
  box_answerer boxes;
  boxes.press(QMessageBox::Yes);
  shell->button(QWizard::CancelButton)->click();
  EXPECT_FALSE(shell->isVisible());
  EXPECT_EQ(shell->result(), QDialog::Rejected);
}

TEST_F(shell_test, TheFinishPageListsTwentyErrorsEachOnOneLine) {
  for (int i = 1; i <= 20; ++i)
    shell->errors().push_back("t" + std::to_string(i) + ": line one\nline two");
  show();
  shell->select_page(116);
  EXPECT_EQ(finish->control<QLabel>(1314)->text(), QStringLiteral("Some failed."));
  auto* list = finish->control<QPlainTextEdit>(1016);
  EXPECT_TRUE(list->isVisible());
  EXPECT_TRUE(list->isReadOnly());
  QString expected;
  for (int i = 1; i <= 20; ++i) expected += QStringLiteral("t%1: line one line two\n\n").arg(i);
  EXPECT_EQ(list->toPlainText(), expected);

  // Save Settings asks for a file and appends the extension.
  tsl::testing::temp_dir dir;
  box_answerer boxes;
  boxes.choose(dir.path() + "/mine");
  finish->control<QAbstractButton>(1116)->click();
  EXPECT_EQ(stored, dir.path() + "/mine.tsl");
}

TEST_F(shell_test, HelpWithoutItsFilesSaysSoForEveryPress) {
  tsl::testing::temp_dir dir;
  shell->set_help_dir(dir.path() + "/nothing");
  show();
  shell->next();
  box_answerer boxes;
  shell->button(QWizard::HelpButton)->click();
  shell->button(QWizard::HelpButton)->click();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  for (const auto& b : boxes.boxes)
    EXPECT_EQ(b.text, "Help file does not exist. Reinstall the program.");
  EXPECT_EQ(shell->help(), nullptr);

  // With the pages in place, the page's own topic is shown.
  std::ofstream(dir.path() + "/index.html") << "<h1>Tessaly</h1>";
  std::ofstream(dir.path() + "/1010.html") << "<h1>Connect</h1>";
  shell->set_help_dir(dir.path());
  shell->button(QWizard::HelpButton)->click();
  ASSERT_NE(shell->help(), nullptr);
  EXPECT_TRUE(shell->help()->page().endsWith(QStringLiteral("/1010.html")));
  shell->display_help(4242);
  EXPECT_TRUE(shell->help()->page().endsWith(QStringLiteral("/index.html")));
  EXPECT_EQ(boxes.boxes.size(), 2u);
}

TEST_F(shell_test, TheTimerTicksTheCurrentPageAndCannotStartTwice) {
  show();
  shell->start_timer(10);
  EXPECT_THROW(shell->start_timer(10), tk_mail_assertion);
  EXPECT_TRUE(QTest::qWaitFor([this] { return first->ticks >= 2; }, 5000));
  shell->stop_timer();
  EXPECT_FALSE(shell->timer_running());
}

TEST_F(shell_test, OneShellAtATime) {
  EXPECT_THROW(wizard_shell(u"x", 501, 311, 312), tk_mail_assertion);
  EXPECT_THROW(first->invert_chbox(1202), tk_mail_assertion);
}

}  // namespace
