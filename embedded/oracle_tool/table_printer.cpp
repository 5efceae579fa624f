#include "embedded/oracle_tool/table_printer.h"

#include <algorithm>

#include "embedded/oracle/column_type.h"
#include "embedded/oracle/date_format.h"
#include "embedded/oracle/session.h"

namespace tsl::eora {

namespace {

std::string shown(session& s, const value& v) {
  switch (v.kind) {
    case vkind::null:
      return {};
    case vkind::date:
      return format_date(v.date, "YYYY-MM-DD HH24:MI:SS");
    case vkind::lob: {
      std::string content = s.lob_read(v.lob, 1, UINT32_MAX);
      return v.lob.binary ? hex_encode(content) : content;
    }
    default:
      return to_text(v);
  }
}

}  // namespace

void print_table(std::ostream& out, session& s, const result_set& rs) {
  size_t n = rs.columns.size();
  std::vector<std::vector<std::string>> cells;
  std::vector<size_t> width(n);
  for (size_t i = 0; i < n; ++i) width[i] = utf8_length(rs.columns[i].name);
  for (const row& r : rs.rows) {
    std::vector<std::string> line;
    for (size_t i = 0; i < n; ++i) {
      line.push_back(shown(s, r[i]));
      // Only the first line of a multi-line value sets the width.
      std::string first = line.back().substr(0, line.back().find('\n'));
      width[i] = std::max(width[i], utf8_length(first));
    }
    cells.push_back(std::move(line));
  }
  auto pad = [&](const std::string& text, size_t w, bool right) {
    size_t len = utf8_length(text);
    std::string fill(w > len ? w - len : 0, ' ');
    return right ? fill + text : text + fill;
  };
  auto numeric = [&](size_t i) {
    type_code c = rs.columns[i].type.code;
    return c == type_code::number || c == type_code::float_ || c == type_code::binary_float ||
           c == type_code::binary_double;
  };
  std::string header;
  for (size_t i = 0; i < n; ++i)
    header += (i ? " " : "") + pad(rs.columns[i].name, width[i], numeric(i));
  header.erase(header.find_last_not_of(' ') + 1);
  out << header << "\n";
  for (size_t i = 0; i < n; ++i) out << (i ? " " : "") << std::string(width[i], '-');
  out << "\n";
  for (const auto& line : cells) {
    std::string text;
    for (size_t i = 0; i < n; ++i) text += (i ? " " : "") + pad(line[i], width[i], numeric(i));
    text.erase(text.find_last_not_of(' ') + 1);
    out << text << "\n";
  }
  out << "\n" << rs.rows.size() << (rs.rows.size() == 1 ? " row selected.\n" : " rows selected.\n");
}

}  // namespace tsl::eora
