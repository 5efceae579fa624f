#include "common/init_conversion.h"

#include <ctime>

#include "TK/tk_trace.h"
#include "platform/com/com_runtime.h"

namespace {
void stamp(const char* format) {
  std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  tk_trace(3, format, t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
}
}  // namespace

init_conversion::init_conversion(std::atomic<bool>* done, bool com_initialized) : done_(done) {
  tk_trace(2, "init_conversion::ctor");
  stamp("Conversion started on %02d/%02d/%04d at %02d:%02d:%02d\n");
  if (!com_initialized)
    uninitialize_com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

init_conversion::~init_conversion() {
  tk_trace(2, "init_conversion::dtor");
  if (uninitialize_com_) CoUninitialize();
  stamp("Conversion ended on %02d/%02d/%04d at %02d:%02d:%02d\n");
  if (done_) done_->store(true);
}
