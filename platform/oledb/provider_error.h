#pragma once
// Turns failures inside the provider into the result of the failing call and
// error records for the thread, as the SQL Server provider reports them.
#include <string>

#include "platform/com/hresult.h"

namespace tsl::oledb {

extern const char16_t kProviderSource[];  // "Microsoft OLE DB Provider for SQL Server"

// Runs body; an exception becomes error records and its result. Clears the
// thread's error object on success.
template <typename F>
HRESULT guarded(F&& body);

// The current exception as error records; returns the result to give back.
HRESULT report_current_exception();
// One record with no SQL information.
HRESULT report(HRESULT hr, const std::string& description);

template <typename F>
HRESULT guarded(F&& body) {
  try {
    return body();
  } catch (...) {
    return report_current_exception();
  }
}

}  // namespace tsl::oledb
