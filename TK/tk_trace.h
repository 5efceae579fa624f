#pragma once
// Trace calls. A call whose level is below the log's threshold, or made while
// no log is enabled, costs one load and a compare: its arguments are not even
// evaluated, so traces may stay in per-row code.
//
//   tk_trace(level, narrow_format, ...)       %s takes const char*
//   tk_trace_w(level, u"utf16 format", ...)   %s takes const char16_t*
//
// Levels: 1 details, 2 entry into an operation, 3 events a user wants to see.
#include <atomic>
#include <climits>

namespace tk_trace_gate {
// Lowest level that must reach the log object: INT_MAX while there is no
// enabled log; INT_MIN while an enabled log has not yet been emptied in this
// process (every call goes through, so the first one empties it).
extern std::atomic<int> min_level;
inline bool wanted(int level) {
  return level >= min_level.load(std::memory_order_relaxed);
}
}  // namespace tk_trace_gate

void tk_trace_write(int level, const char* format, ...);
void tk_trace_write_w(int level, const char16_t* format, ...);

#define tk_trace(level, ...)                                              \
  do {                                                                    \
    if (tk_trace_gate::wanted(level)) tk_trace_write(level, __VA_ARGS__); \
  } while (0)

#define tk_trace_w(level, ...)                                              \
  do {                                                                      \
    if (tk_trace_gate::wanted(level)) tk_trace_write_w(level, __VA_ARGS__); \
  } while (0)
