// The error dialogs, the error policy's window side across threads, and the
// "Please wait" box.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "GUI2/animation.h"
#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"
#include "GUI2/gui_error_ui.h"
#include "GUI2/tests/box_answerer.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "common/error_handler.h"
#include "common/tk_error_converter.h"

namespace {

using gui_testing::box_answerer;

TEST(ErrorContinue, TheCheckBoxPressedTwiceLeavesTheFlagOff) {
  dlg_error_continue box(u"t: broken");
  auto* check = box.findChild<QCheckBox*>(QStringLiteral("1222"));
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(box.windowTitle(), QStringLiteral("Error"));
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_TRUE(box.do_not_show());
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_FALSE(box.do_not_show());
  box_answerer boxes;
  boxes.click(dlg_error_continue::kAbort);
  EXPECT_EQ(box.exec(), dlg_error_continue::kAbort);
  boxes.click(dlg_error_continue::kContinue);
  EXPECT_EQ(box.exec(), dlg_error_continue::kContinue);
}

TEST(ErrorEx, CopyPutsTheMessageOnTheClipboard) {
  dlg_error_ex box(u"Internal error 1A2B: contact us");
  box_answerer boxes;
  boxes.click(dlg_error_ex::kCopy);
  EXPECT_EQ(box.exec(), dlg_error_ex::kCopy);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Internal error 1A2B: contact us"));
  boxes.click(dlg_error_ex::kOk);
  EXPECT_EQ(box.exec(), dlg_error_ex::kOk);
  EXPECT_EQ(boxes.boxes.at(0).caption, "Error");
  EXPECT_EQ(boxes.boxes.at(0).text, "Internal error 1A2B: contact us");
}

// The policy judges errors on the worker; the windows open on this thread.
TEST(GuiErrorUi, ThePolicyAsksFromAWorkerAndTheWindowThreadAnswers) {
  const tk_error_entry none[] = {{1, "one"}};
  error_handler policy(1, none);
  wizard_shell shell(u"Tessaly 3.1 ", 501, 311, 312);
  std::atomic<bool> leaving{false};
  gui_error_ui ui([&] { return leaving.load(); });
  policy.set_ui(&ui);

  box_answerer boxes;
  // Continue with the box ticked: later errors pass silently.
  boxes.then([](QWidget* w) {
    w->findChild<QAbstractButton*>(QStringLiteral("1222"))->click();
    w->findChild<QAbstractButton*>(QStringLiteral("2"))->click();
  });
  std::atomic<int> stage{0};
  bool stopped = false;
  std::thread worker([&] {
    policy.set_context(u"orders", 5);
    policy.handle(tk_exception("duplicate key", 0), error_handler::kCanGoOn);
    policy.handle(tk_exception("second", 0), error_handler::kCanGoOn);
    stage = 1;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return stage.load() == 1; }, 10000));
  worker.join();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, "dlg_error_continue");
  EXPECT_EQ(boxes.boxes[0].text, "orders, record #5: duplicate key");
  EXPECT_TRUE(policy.silent());
  EXPECT_EQ(shell.errors().size(), 2u);

  // Once the user is leaving, a recoverable error stops the run unasked.
  policy.set_silent(false);
  leaving = true;
  std::thread second([&] {
    try {
      policy.handle(tk_exception("third", 0), error_handler::kCanGoOn);
    } catch (const tk_final_exception&) {
      stopped = true;
    }
    stage = 2;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return stage.load() == 2; }, 10000));
  second.join();
  EXPECT_TRUE(stopped);
  EXPECT_EQ(boxes.boxes.size(), 1u);
  policy.set_ui(nullptr);
}

TEST(Animation, TurnsItsIconWhileTheWorkRunsAndClosesWhenItEnds) {
  std::atomic<bool> ran{false};
  std::thread::id worker_id;
  int frames_seen = 0;
  QTimer spy;
  QObject::connect(&spy, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<animation*>(w)) frames_seen = std::max(frames_seen, box->frame());
  });
  spy.start(50);
  animation::run(
      QStringLiteral("Connecting to MS SQL server.\nPlease wait..."),
      [&] {
        worker_id = std::this_thread::get_id();
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        ran = true;
      },
      nullptr);
  EXPECT_TRUE(ran);
  EXPECT_NE(worker_id, std::this_thread::get_id());
  EXPECT_GE(frames_seen, 2);
  // Work that ends at once still closes the box.
  animation::run(QStringLiteral("quick"), [] {}, nullptr);
}

}  // namespace
