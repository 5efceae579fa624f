#include "TK/tk_thread.h"

#include <chrono>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

tk_thread::tk_thread() {
  tk_trace(2, "tk_thread::ctor");
}

tk_thread::~tk_thread() {
  tk_trace(2, "tk_thread::dtor");
  if (running_.load() && runnable_) runnable_->request_stop();
  if (thread_.joinable()) thread_.join();
  running_.store(false);
  if (owns_runnable_) delete runnable_;
}

void tk_thread::start() {
  tk_trace(2, "tk_thread::start");
  if (running_.load()) {
    // Give a thread that is just ending a moment, as a short wait would.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (running_.load()) throw tk_mail_assertion("tk_threa", 92);
  }
  release();
  if (runnable_) throw tk_mail_assertion("tk_threa", 100);
  bool owned = false;
  tk_converter* runnable = make_runnable(owned);
  if (!runnable) throw tk_mail_assertion("tk_threa", 105);
  runnable_ = runnable;
  owns_runnable_ = owned;
  running_.store(true);
  thread_ = std::thread(&tk_thread::entry, this, runnable);
}

void tk_thread::entry(tk_thread* self, tk_converter* runnable) {
  runnable->run();
  self->running_.store(false);
}

void tk_thread::release() {
  tk_trace(2, "tk_thread::release");
  if (running_.load()) throw tk_mail_assertion("tk_threa", 71);
  if (thread_.joinable()) thread_.join();
  if (owns_runnable_) delete runnable_;
  runnable_ = nullptr;
  owns_runnable_ = false;
}

void tk_thread::stop() {
  tk_trace(2, "tk_thread::stop");
  if (!running_.load()) throw tk_mail_assertion("tk_threa", 55);
  runnable_->request_stop();
  wait();
  release();
}

void tk_thread::wait() {
  if (thread_.joinable()) thread_.join();
}
