// tessaly list: the tables and queries a conversion would take, with their
// row counts and the Oracle names they would get.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "MSS/mss_database.h"
#include "TK/tk_exception.h"
#include "common/error_handler.h"
#include "platform/text/utf.h"
#include "tessaly/commands.h"
#include "tessaly/exit_status.h"
#include "tessaly/session.h"

namespace tessaly {

int run_list(const cli_options& options) {
  session s(options);
  std::unique_ptr<mss_database> source = s.open_source();
  s.apply_selection(*source);
  struct row {
    std::string name, kind, rows, target;
  };
  std::vector<row> rows{{"NAME", "KIND", "ROWS", "ORACLE NAME"}};
  int status = kDone;
  for (const planned_entry& e : s.plan(*source)) {
    row r{tsl::text::utf16_to_utf8(e.name), e.sql.empty() ? "table" : "query", "",
          tsl::text::utf16_to_utf8(e.target)};
    try {
      if (e.sql.empty() && !source->is_table_exist(e.name))
        throw tk_exception("Table " + r.name + " not exists", 0);
      std::unique_ptr<udb_recordset> t =
          e.sql.empty() ? source->get_table(e.name, udb_database::kReadOnly)
                        : source->get_table(e.name, e.sql, udb_database::kReadOnly);
      r.rows = std::to_string(t->record_count());
    } catch (const tk_exception& ex) {
      error_handler::instance().set_context(e.name);
      s.display().print_line("error: " + error_handler::instance().build_message(ex), true);
      error_handler::instance().clear_context();
      r.rows = "-";
      status = kCompletedWithErrors;
    }
    rows.push_back(r);
  }
  size_t w0 = 0, w1 = 0, w2 = 0;
  for (const row& r : rows) {
    w0 = std::max(w0, tsl::text::utf8_to_utf16(r.name).size());
    w1 = std::max(w1, r.kind.size());
    w2 = std::max(w2, r.rows.size());
  }
  for (const row& r : rows) {
    // Padded by characters, so names outside ASCII line up too.
    std::string line = r.name + std::string(w0 - tsl::text::utf8_to_utf16(r.name).size() + 2, ' ');
    line += r.kind + std::string(w1 - r.kind.size() + 2, ' ');
    line += std::string(w2 - r.rows.size(), ' ') + r.rows + "  " + r.target;
    std::printf("%s\n", line.c_str());
  }
  std::fflush(stdout);
  return status;
}

}  // namespace tessaly
