#include "platform/freetds/diagnostics.h"

#include <sybdb.h>

#include <mutex>

namespace tsl::freetds {
namespace {

thread_local diagnostics current;

int on_error(DBPROCESS*, int, int dberr, int oserr, char* dberrstr, char* oserrstr) {
  // The server's own messages come through on_message with their numbers.
  if (dberr != SYBESMSG) {
    client_failure f;
    f.number = dberr;
    f.os_error = oserr;
    if (dberrstr) f.text = dberrstr;
    if (oserrstr && oserr != 0) f.os_text = oserrstr;
    current.failures.push_back(std::move(f));
  }
  // Never INT_EXIT: the library would end the process. A time-out cancels
  // the request and closes the connection.
  return INT_CANCEL;
}

int on_message(DBPROCESS*, DBINT number, int state, int severity, char* text, char*, char*, int) {
  // Severity 10 and below are information (database changed, language ...).
  if (severity > 10)
    current.messages.push_back(server_message{static_cast<int>(number), severity, state,
                                              text ? std::string(text) : std::string()});
  return 0;
}

std::string sqlstate_of(int number) {
  switch (number) {
    case 208:
      return "42S02";
    case 207:
      return "42S22";
    case 515:
    case 547:
    case 2601:
    case 2627:
      return "23000";
    case 8152:
      return "22001";
    case 8115:
      return "22003";
    case 241:
    case 242:
      return "22007";
    case 245:
    case 8169:
      return "22018";
    case 8134:
      return "22012";
    default:
      return "42000";
  }
}

}  // namespace

void init_client_library() {
  static std::once_flag once;
  std::call_once(once, [] {
    dbinit();
    dberrhandle(on_error);
    dbmsghandle(on_message);
  });
}

diagnostics& thread_diagnostics() {
  return current;
}

std::vector<oledb::error_record> server_records(const diagnostics& d) {
  std::vector<oledb::error_record> out;
  for (const auto& m : d.messages)
    out.push_back({m.number, m.severity, m.state, sqlstate_of(m.number), m.text});
  return out;
}

bool connection_lost(const diagnostics& d) {
  for (const auto& f : d.failures)
    if (f.number == SYBEREAD || f.number == SYBEWRIT || f.number == SYBESEOF ||
        f.number == SYBECONN || f.number == SYBEFCON)
      return true;
  return false;
}

bool timed_out(const diagnostics& d) {
  for (const auto& f : d.failures)
    if (f.number == SYBETIME) return true;
  return false;
}

oledb::server_error link_failure(const diagnostics& d) {
  // The library closes a connection whose request timed out.
  if (timed_out(d))
    return oledb::server_error(oledb::results::kFail,
                               oledb::error_record{0, 16, 1, "HYT00", "Query timeout expired"})
        .also(oledb::error_record{11, 16, 1, "08S01",
                                  "The connection was closed after the time-out."});
  std::string detail;
  for (const auto& f : d.failures)
    if (!f.os_text.empty()) detail = " (" + f.os_text + ")";
  return oledb::server_error(
      oledb::results::kFail,
      oledb::error_record{11, 16, 1, "08S01",
                          "[DBNETLIB][ConnectionRead (recv()).]General network error. Check your "
                          "network documentation." +
                              detail});
}

oledb::server_error request_failure(const diagnostics& d, uint32_t hresult) {
  auto records = server_records(d);
  if (!records.empty()) {
    // The provider's results for the errors consumers tell apart.
    switch (records.front().number) {
      case 208:
        hresult = oledb::results::kNoTable;
        break;
      case 515:
      case 547:
      case 2601:
      case 2627:
        hresult = oledb::results::kIntegrity;
        break;
      default:
        break;
    }
    return oledb::server_error(hresult, std::move(records));
  }
  if (connection_lost(d) || timed_out(d) || !d.failures.empty()) {
    if (connection_lost(d) || timed_out(d)) return link_failure(d);
    return oledb::server_error(oledb::results::kFail,
                               oledb::error_record{0, 16, 1, "HY000", d.failures.front().text});
  }
  return oledb::server_error(oledb::results::kFail,
                             oledb::error_record{0, 16, 1, "HY000", "The request failed."});
}

}  // namespace tsl::freetds
