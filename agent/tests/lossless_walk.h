#pragma once
// The value-by-value comparison of a source table with its Oracle copy:
// every value arrives as it left SQL Server, or differs exactly as Oracle's
// types require.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "UDB/udb_recordset.h"
#include "platform/text/utf.h"

namespace agent_testing {

struct value {
  VARTYPE type;
  std::string text;
};
using table_rows = std::vector<std::vector<value>>;

inline table_rows read_all(udb_recordset& t) {
  table_rows out;
  t.reset();
  while (!t.is_eof()) {
    udb_record& r = *t.get_item();
    std::vector<value> row;
    for (size_t i = 0; i < r.size(); ++i) {
      VARTYPE vt = r[i].vartype();
      bool null = vt == VT_NULL || vt == VT_EMPTY;
      row.push_back({vt, null ? "<null>" : tsl::text::utf16_to_utf8(r[i].to_wstring())});
    }
    out.push_back(row);
    t.next();
  }
  return out;
}

inline bool is_number(VARTYPE t) {
  switch (t) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
    case VT_BOOL:
      return true;
    default:
      return false;
  }
}

// The same decimal value written the same way: no trailing zeros after the
// point, no negative zero.
inline std::string canonical(std::string t) {
  if (t.find('.') != std::string::npos && t.find('e') == std::string::npos) {
    while (t.back() == '0') t.pop_back();
    if (t.back() == '.') t.pop_back();
  }
  return t == "-0" ? "0" : t;
}

// Why a destination value differs from its source value, or "" when it
// arrived as it left. The comparison is exact; each difference that Oracle's
// types require is named here.
inline std::string difference(const value& s, const value& d) {
  const bool s_null = s.text == "<null>", d_null = d.text == "<null>";
  if (s_null) return d_null ? "" : "NULL became a value";
  // Oracle keeps no empty texts or byte strings: they are NULL (only a LOB
  // reads back empty).
  if (s.text.empty()) return d_null || d.text.empty() ? "" : "expected NULL or empty";
  if (d_null) return "lost";
  // Numbers of every kind: the exact decimal text of the value. A datetime's
  // milliseconds are not in its text: Oracle's DATE keeps whole seconds.
  if (is_number(s.type)) return canonical(s.text) == canonical(d.text) ? "" : "number differs";
  return s.text == d.text ? "" : "differs";
}

}  // namespace agent_testing
