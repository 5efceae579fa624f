// tessaly verify: after a conversion, whether every table in Oracle holds
// the rows the source would give it, value by value, order ignored.
#include <cstdio>
#include <memory>

#include "MSS/mss_database.h"
#include "OLE/ole_type_exception.h"
#include "ORA/ora_database.h"
#include "ORA/ora_table.h"
#include "TK/tk_exception.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"
#include "platform/text/utf.h"
#include "tessaly/commands.h"
#include "tessaly/exit_status.h"
#include "tessaly/session.h"
#include "tessaly/table_checksum.h"

namespace tessaly {
namespace {

std::string utf8(const std::u16string& s) {
  return tsl::text::utf16_to_utf8(s);
}

// The difference of one table in words; empty when there is none.
std::string compare(mss_database& source, ora_database& destination, const planned_entry& e) {
  if (e.sql.empty() && !source.is_table_exist(e.name)) return "not in the source";
  if (!destination.is_table_exist(e.target)) return "missing in Oracle";
  std::unique_ptr<udb_recordset> from =
      e.sql.empty() ? source.get_table(e.name, udb_database::kReadOnly)
                    : source.get_table(e.name, e.sql, udb_database::kReadOnly);
  std::unique_ptr<udb_recordset> to = destination.get_table(e.target, udb_database::kReadOnly);
  if (from->schema().size() != to->schema().size())
    return std::to_string(from->schema().size()) + " columns in the source, " +
           std::to_string(to->schema().size()) + " in Oracle";

  // Each source row as the conversion delivers it: in the column types of
  // the Oracle table.
  table_checksum expected;
  int64_t unconvertible = 0;
  from->reset();
  while (!from->is_eof()) {
    if (udb_record* r = from->get_item()) {
      try {
        to->convert_record(*r);
        expected.add(*r);
      } catch (const ole_type_exception&) {
        // A value the conversion refuses too: its row cannot be in Oracle.
        ++unconvertible;
      }
    }
    from->next();
  }
  table_checksum actual;
  to->reset();
  while (!to->is_eof()) {
    if (udb_record* r = to->get_item()) actual.add(*r);
    to->next();
  }
  if (expected == actual && unconvertible == 0) return std::string();
  std::string what = std::to_string(expected.rows() + unconvertible) + " rows in the source, " +
                     std::to_string(actual.rows()) + " in Oracle";
  if (unconvertible > 0) what += ", " + std::to_string(unconvertible) + " not convertible";
  if (expected.rows() == actual.rows()) what += ", values differ";
  return what;
}

}  // namespace

int run_verify(const cli_options& options) {
  session s(options);
  tessaly_convertor& driver = s.driver();
  std::unique_ptr<mss_database> source = s.open_source();
  s.apply_selection(*source);
  s.connect_destination();
  ora_database& destination = *driver.oracle.database();
  destination.set_upper_case(driver.uppercase);

  int differing = 0;
  int status = kDone;
  for (const planned_entry& e : s.plan(*source)) {
    std::string label = utf8(e.name);
    if (e.target != e.name) label += " -> " + utf8(e.target);
    try {
      const std::string difference = compare(*source, destination, e);
      if (difference.empty()) {
        s.display().print_line("same: " + label);
      } else {
        ++differing;
        std::printf("%s: %s\n", label.c_str(), difference.c_str());
      }
    } catch (const tk_exception& ex) {
      error_handler::instance().set_context(e.name);
      s.display().print_line("error: " + error_handler::instance().build_message(ex), true);
      error_handler::instance().clear_context();
      status = kFatal;
    }
  }
  std::fflush(stdout);
  if (status == kFatal) return status;
  return differing > 0 ? kCompletedWithErrors : kDone;
}

}  // namespace tessaly
