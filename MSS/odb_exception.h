#pragma once
// A failed OLE DB call: a compact code from the call's result, the
// provider's description as the message and its source name; the full error
// records go to the trace log.
#include <string>

#include "TK/tk_exception.h"
#include "platform/com/error_info.h"

class odb_exception : public tk_exception {
 public:
  // Must run on the failing call's thread right after it: reads that
  // thread's current error object.
  explicit odb_exception(HRESULT result);

  const std::u16string& source() const { return source_; }
  // Whether a record says the connection to the server failed (SQLSTATE
  // class 08): nothing more can be read over it.
  bool connection_failed() const { return connection_failed_; }
  // The server's own number of the error that gave the message, or 0.
  long native_error() const { return native_error_; }

  // Source and description of one error object.
  class error_info_dispatcher {
   public:
    explicit error_info_dispatcher(IErrorInfo* info);
    std::u16string source;
    std::u16string description;
  };

 private:
  void extract_from_records(IErrorRecords* records);
  void take(const error_info_dispatcher& d);

  std::u16string source_;
  bool connection_failed_ = false;
  long native_error_ = 0;
};
