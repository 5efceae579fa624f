#pragma once
// A worker thread that runs one runnable (a tk_converter) made by a factory.
// Ending it never kills it: stop() asks the runnable to end at its next safe
// point and waits, so no half-written row or held lock is left behind.
#include <atomic>
#include <memory>
#include <thread>

#include "TK/tk_converter.h"

class tk_thread {
 public:
  tk_thread();
  // Stops and waits for a running thread.
  virtual ~tk_thread();
  tk_thread(const tk_thread&) = delete;
  tk_thread& operator=(const tk_thread&) = delete;

  // Starts a new run. A previous thread still running is an internal error;
  // a finished one is released first.
  void start();
  // Forgets a finished thread and deletes an owned runnable; a thread still
  // running is an internal error.
  void release();
  // Asks the runnable to stop and waits for the thread; only while running.
  void stop();
  // Waits for the thread to end, however long the run takes.
  void wait();

  // True from start() until the runnable's run() has returned.
  bool is_running() const { return running_.load(); }
  tk_converter* runnable() const { return runnable_; }

 protected:
  // Makes the runnable of the next start; `owned` says whether the thread
  // deletes it on release.
  virtual tk_converter* make_runnable(bool& owned) = 0;

 private:
  static void entry(tk_thread* self, tk_converter* runnable);

  std::thread thread_;
  std::atomic<bool> running_{false};
  bool owns_runnable_ = false;
  tk_converter* runnable_ = nullptr;
};
