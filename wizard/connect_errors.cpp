#include "wizard/connect_errors.h"

#include "MSS/mss_messages.h"
#include "MSS/odb_exception.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_messages.h"
#include "common/tk_error_converter.h"

std::string mssql_connect_message(const odb_exception& e) {
  // The provider's generic failure: no server there, or no entry.
  if ((e.system_error() & 0xFFFF) == 0x4005) return mss_connect_failure_text;
  static const tk_error_converter known(mss_messages_count, mss_messages);
  std::string text = known.convert(e.system_error());
  return text.empty() ? std::string(e.what()) : text;
}

std::string oracle_connect_message(const ora_exception& e) {
  static const tk_error_converter known(ora_messages_count, ora_messages);
  std::string text = known.convert(e.system_error());
  return text.empty() ? std::string(e.what()) : text;
}

bool is_listener_error(const ora_exception& e) {
  switch (e.ora_number()) {
    case 12500:
    case 12505:
    case 12541:
    case 12545:
      return true;
    default:
      return false;
  }
}
