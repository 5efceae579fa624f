// The worker thread: one run at a time, and stopping waits for the runnable
// to end by itself instead of killing it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TK/tk_exception.h"
#include "TK/tk_thread.h"

namespace {

// Counts its steps until asked to stop or until `limit` steps.
struct stepping : tk_converter {
  std::atomic<int> steps{0};
  int limit = 1000000;
  std::atomic<bool> finished{false};
  bool is_done() override { return steps.load() >= limit; }
  void idle() override {
    ++steps;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  int finish() override {
    finished = true;
    return 0;
  }
};

struct worker : tk_thread {
  stepping* next = nullptr;
  bool own = false;
  tk_converter* make_runnable(bool& owned) override {
    owned = own;
    return next;
  }
};

TEST(TkThread, RunsTheRunnableAndCanStartAgainOnceFinished) {
  stepping s;
  s.limit = 3;
  worker w;
  w.next = &s;
  w.start();
  w.wait();
  EXPECT_FALSE(w.is_running());
  EXPECT_TRUE(s.finished);
  EXPECT_EQ(s.steps, 3);
  s.limit = 6;
  w.start();
  w.wait();
  EXPECT_EQ(s.steps, 6);
}

TEST(TkThread, StopAsksTheRunnableAndWaitsForIt) {
  stepping s;
  worker w;
  w.next = &s;
  w.start();
  while (s.steps < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  w.stop();
  EXPECT_FALSE(w.is_running());
  // The run ended its own way: its finish step ran.
  EXPECT_TRUE(s.finished);
  EXPECT_LT(s.steps, 1000000);
  EXPECT_EQ(w.runnable(), nullptr);
}

TEST(TkThread, MisuseIsAnInternalError) {
  worker w;
  // Nothing made, nothing running.
  EXPECT_THROW(w.start(), tk_mail_assertion);
  EXPECT_THROW(w.stop(), tk_mail_assertion);
  stepping s;
  w.next = &s;
  w.start();
  EXPECT_THROW(w.start(), tk_mail_assertion);
  EXPECT_THROW(w.release(), tk_mail_assertion);
  w.stop();
}

TEST(TkThread, DestructionStopsARunAndDeletesAnOwnedRunnable) {
  auto* s = new stepping;
  {
    worker w;
    w.next = s;
    w.own = true;
    w.start();
    while (s->steps < 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // Deleted with the thread; the sanitizer build reports a leak otherwise.
  SUCCEED();
}

}  // namespace
