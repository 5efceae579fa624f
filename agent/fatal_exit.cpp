#include <cstdio>
#include <cstdlib>

#include "TK/tk_trace.h"
#include "agent/agent.h"
#include "common/tessaly_convertor.h"

void fatal_exit(const std::string& message) {
  tk_trace(3, "%s", message.c_str());
  tessaly_convertor* driver = tessaly_convertor::peek();
  if (!driver || !driver->silent()) {
    std::fputs(message.c_str(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
  }
  std::fflush(stdout);
  std::exit(-1);
}
