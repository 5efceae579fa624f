#pragma once
// Frames one run: the start and end stamps in the trace log, COM for the
// run's thread, and the done flag set when the run is over however it ended.
#include <atomic>

class init_conversion {
 public:
  init_conversion(std::atomic<bool>* done, bool com_initialized);
  ~init_conversion();
  init_conversion(const init_conversion&) = delete;
  init_conversion& operator=(const init_conversion&) = delete;

 private:
  std::atomic<bool>* done_;
  bool uninitialize_com_ = false;
};
