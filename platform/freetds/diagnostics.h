#pragma once
// What the client library reports while a call runs: the server's messages
// and the library's own failures. The library reports through process-wide
// handlers; they write into the calling thread's diagnostics.
#include <string>
#include <vector>

#include "platform/oledb/server_error.h"

namespace tsl::freetds {

struct server_message {
  int number = 0;
  int severity = 0;
  int state = 0;
  std::string text;
};

struct client_failure {
  int number = 0;  // the library's error code (SYBECONN ...)
  int os_error = 0;
  std::string text;
  std::string os_text;
};

struct diagnostics {
  std::vector<server_message> messages;  // errors only (severity above 10)
  std::vector<client_failure> failures;
  void clear() {
    messages.clear();
    failures.clear();
  }
  bool empty() const { return messages.empty() && failures.empty(); }
};

// Initialises the library and installs the handlers, once per process.
void init_client_library();
// The calling thread's diagnostics.
diagnostics& thread_diagnostics();

// The server's messages as error records, with the SQLSTATE SQL Server's
// providers give for the number. Empty when the server sent none.
std::vector<oledb::error_record> server_records(const diagnostics& d);

// True when the library lost the connection (read, write, end of file).
bool connection_lost(const diagnostics& d);
// True when a wait for the server ran out of time.
bool timed_out(const diagnostics& d);

// The record a client gives for a connection lost in the middle of a request.
oledb::server_error link_failure(const diagnostics& d);
// The failure of a request: the server's records with the result for the
// first one's number, or the library's failure.
oledb::server_error request_failure(const diagnostics& d, uint32_t hresult);

}  // namespace tsl::freetds
