// Nothing is lost: every value of every table of the sample arrives in Oracle
// as it left SQL Server, or differs exactly as Oracle's types require.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "MSS/mss_database.h"
#include "MSS/mss_engine.h"
#include "agent/tests/agent_fixture.h"

namespace agent_testing {
namespace {

struct value {
  VARTYPE type;
  std::string text;
};
using table_rows = std::vector<std::vector<value>>;

table_rows read_all(udb_recordset& t) {
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

class agent_lossless : public agent_fixture {
 protected:
  table_rows source(const std::string& table) {
    mss_engine engine(0);
    engine.connect(tsl::text::utf8_to_utf16(mssql_dir_));
    auto db = engine.open_db(u"sample_shop", 1);
    auto t = db->get_table(tsl::text::utf8_to_utf16(table), 1);
    return read_all(*t);
  }
  table_rows destination(const std::string& table) {
    ora_engine engine;
    engine.logon(u"ORCL", u"scott", u"tiger");
    ora_query_results q;
    q.initialize(0, tsl::text::utf8_to_utf16("SELECT * FROM \"" + table + "\""));
    return read_all(q);
  }
};

bool is_number(VARTYPE t) {
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

// Exact decimal text without a sign of "+", leading or trailing zeros.
std::string canonical(std::string t) {
  if (t.find('.') != std::string::npos) {
    while (t.back() == '0') t.pop_back();
    if (t.back() == '.') t.pop_back();
  }
  return t == "-0" ? "0" : t;
}

// Why a destination value differs from its source value, or "" when it
// arrived as it left.
std::string difference(const value& s, const value& d) {
  const bool s_null = s.text == "<null>", d_null = d.text == "<null>";
  // Oracle keeps no empty texts or byte strings: they are NULL. (Only a LOB
  // can read back empty.)
  if (s_null) return d_null ? "" : "NULL became a value";
  if (s.text.empty()) return d_null || d.text.empty() ? "" : "expected NULL or empty";
  if (d_null) return "lost";
  if (is_number(s.type)) {
    const std::string& st = s.text;
    if (canonical(st) == canonical(d.text)) return "";
    double a = std::strtod(st.c_str(), nullptr), b = std::strtod(d.text.c_str(), nullptr);
    // A real carries about seven digits, a float fifteen.
    double tolerance = s.type == VT_R4 ? 1e-6 : 1e-15;
    if (std::fabs(a - b) <= tolerance * std::max(std::fabs(a), std::fabs(b))) return "";
    return "number differs";
  }
  return s.text == d.text ? "" : "differs";
}

TEST_F(agent_lossless, EveryValueOfEveryTable) {
  ASSERT_EQ(convert().status, 0);
  std::vector<std::string> all;
  {
    mss_engine engine(0);
    engine.connect(tsl::text::utf8_to_utf16(mssql_dir_));
    auto db = engine.open_db(u"sample_shop", 1);
    for (const auto& n : db->table_names()) all.push_back(tsl::text::utf16_to_utf8(n));
  }
  EXPECT_EQ(all.size(), 4u);
  size_t compared = 0;
  for (const std::string& t : all) {
    table_rows s = source(t), d = destination(t);
    ASSERT_EQ(s.size(), d.size()) << t;
    for (size_t r = 0; r < s.size(); ++r) {
      ASSERT_EQ(s[r].size(), d[r].size()) << t;
      for (size_t c = 0; c < s[r].size(); ++c, ++compared) {
        std::string why = difference(s[r][c], d[r][c]);
        EXPECT_EQ(why, "") << t << " row " << r << " column " << c << ": '"
                           << s[r][c].text.substr(0, 80) << "' became '"
                           << d[r][c].text.substr(0, 80) << "'";
      }
    }
  }
  EXPECT_GT(compared, 200u);
  // The large values arrived whole.
  EXPECT_EQ(one("SELECT TO_CHAR(LENGTH(\"manual\")) FROM \"products\" WHERE \"sku\" = 'SKU-BIG'"),
            "140000");
  EXPECT_EQ(one("SELECT TO_CHAR(LENGTH(\"long_note\")) FROM \"orders\" WHERE \"order_id\" = 1002"),
            "70000");
}

}  // namespace
}  // namespace agent_testing
