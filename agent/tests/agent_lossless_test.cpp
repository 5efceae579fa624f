// Nothing is lost: every value of every table of the sample arrives in Oracle
// as it left SQL Server, or differs exactly as Oracle's types require.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "MSS/mss_database.h"
#include "MSS/mss_engine.h"
#include "agent/tests/agent_fixture.h"
#include "agent/tests/lossless_walk.h"

namespace agent_testing {
namespace {

class agent_lossless : public agent_fixture {
 protected:
  table_rows source(const std::string& table) {
    mss_engine engine(0);
    engine.connect(tsl::text::utf8_to_utf16(mssql_dir_));
    auto db = engine.open_db(tsl::text::utf8_to_utf16(db_), 1);
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
  // Compares every value of every table of the source database; the count compared.
  size_t compare_all() {
    std::vector<std::string> all;
    {
      mss_engine engine(0);
      engine.connect(tsl::text::utf8_to_utf16(mssql_dir_));
      auto db = engine.open_db(tsl::text::utf8_to_utf16(db_), 1);
      for (const auto& n : db->table_names()) all.push_back(tsl::text::utf16_to_utf8(n));
    }
    size_t compared = 0;
    for (const std::string& t : all) {
      table_rows s = source(t), d = destination(t);
      EXPECT_EQ(s.size(), d.size()) << t;
      if (s.size() != d.size()) continue;
      for (size_t r = 0; r < s.size(); ++r) {
        EXPECT_EQ(s[r].size(), d[r].size()) << t;
        if (s[r].size() != d[r].size()) continue;
        for (size_t c = 0; c < s[r].size(); ++c, ++compared) {
          std::string why = difference(s[r][c], d[r][c]);
          EXPECT_EQ(why, "") << t << " row " << r << " column " << c << ": '"
                             << s[r][c].text.substr(0, 80) << "' became '"
                             << d[r][c].text.substr(0, 80) << "'";
        }
      }
    }
    return compared;
  }
  std::string db_ = "sample_shop";
};

// Every SQL Server type at its extremes: the least and greatest values, the
// smallest fractions, empty values, NULLs and long values.
const char* const kExtremes =
    "CREATE TABLE extremes (id int PRIMARY KEY, c_bit bit, c_tiny tinyint, c_small smallint, "
    "c_int int, c_big bigint, c_dec decimal(38,10), c_num numeric(18,0), c_frac decimal(5,5), "
    "c_money money, c_smoney smallmoney, c_float float, c_real real, c_datetime datetime, "
    "c_sdt smalldatetime, c_date date, c_time time(7), c_dt2 datetime2(7), "
    "c_char char(10), c_varchar varchar(50), c_vmax varchar(max), c_text text, "
    "c_nchar nchar(10), c_nvarchar nvarchar(50), c_nvmax nvarchar(max), c_ntext ntext, "
    "c_binary binary(4), c_varbinary varbinary(8), c_vbmax varbinary(max), c_image image, "
    "c_guid uniqueidentifier, c_variant sql_variant, c_dto datetimeoffset(7), c_xml xml)\nGO\n"
    "INSERT INTO extremes VALUES (1, 0, 0, -32768, -2147483648, -9223372036854775808, "
    "-9999999999999999999999999999.9999999999, -999999999999999999, -0.99999, "
    "-922337203685477.5808, -214748.3648, -9.99999999999999E+125, -3.4028234E+38, "
    "'1753-01-01 00:00:00', '1900-01-01 00:00', '0001-01-01', '00:00:00', "
    "'0001-01-01 00:00:00', 'a', 'a', 'a', 'a', N'a', N'a', N'a', N'a', 0x00, 0x00, 0x00, 0x00, "
    "'00000000-0000-0000-0000-000000000000', 0, '0001-01-01 00:00:00 -14:00', N'<a/>')\n"
    "INSERT INTO extremes VALUES (2, 1, 255, 32767, 2147483647, 9223372036854775807, "
    "9999999999999999999999999999.9999999999, 999999999999999999, 0.99999, "
    "922337203685477.5807, 214748.3647, 9.99999999999999E+125, 3.4028234E+38, "
    "'9999-12-31 23:59:59.997', '2079-06-06 23:59', '9999-12-31', '23:59:59.9999999', "
    "'9999-12-31 23:59:59.9999999', 'zzzzzzzzzz', REPLICATE('y', 50), REPLICATE('x', 9000), "
    "REPLICATE('t', 9000), N'\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
    "\xc3\xa9\xc3\xa9', REPLICATE(N'\xe2\x82\xac', 50), REPLICATE(N'\xc3\xbc', 9000), "
    "REPLICATE(N'n', 9000), 0xFFFFFFFF, 0xFFFFFFFFFFFFFFFF, 0xFFEEDDCCBBAA99887766554433221100, "
    "0x0102030405060708090A, 'FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF', REPLICATE('v', 8000), "
    "'9999-12-31 23:59:59.9999999 +14:00', REPLICATE(N'<b>x</b>', 2000))\n"
    "INSERT INTO extremes VALUES (3, 1, 1, -1, -1, -1, 0.0000000001, 1, 0.00001, 0.0001, "
    "-0.0001, 1E-130, 1.17549435E-38, '2000-01-01 00:00:00.003', '2000-01-01 00:01', "
    "'2000-02-29', '00:00:00.0000001', '2000-01-01 00:00:00.0000001', 'b', 'b', 'b', 'b', "
    "N'b', N'b', N'b', N'b', 0x01, 0x01, 0x01, 0x01, "
    "'6F9619FF-8B86-D011-B42D-00C04FC964FF', 0.5, '2000-01-01 00:00:00.0000001 +00:00', "
    "N'<c>\xc3\xa9</c>')\n"
    "INSERT INTO extremes VALUES (4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
    "'1900-01-01', '1900-01-01', '1900-01-01', '00:00', '1900-01-01', '', '', '', '', N'', N'', "
    "N'', N'', 0x00000000, 0x, 0x, 0x, '00000000-0000-0000-0000-000000000001', '', "
    "'1900-01-01 00:00:00 +00:00', N'')\n"
    "INSERT INTO extremes (id) VALUES (5)\nGO\n";

TEST_F(agent_lossless, EveryValueOfEveryTable) {
  mssql(std::string("USE sample_shop\nGO\n") + kExtremes);
  outcome o = convert();
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.out.find("Error"), std::string::npos) << o.out;
  std::vector<std::string> all;
  {
    mss_engine engine(0);
    engine.connect(tsl::text::utf8_to_utf16(mssql_dir_));
    auto db = engine.open_db(u"sample_shop", 1);
    for (const auto& n : db->table_names()) all.push_back(tsl::text::utf16_to_utf8(n));
  }
  EXPECT_EQ(all.size(), 5u);
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
  EXPECT_GT(compared, 350u);
  // The large values arrived whole.
  EXPECT_EQ(one("SELECT TO_CHAR(LENGTH(\"manual\")) FROM \"products\" WHERE \"sku\" = 'SKU-BIG'"),
            "140000");
  EXPECT_EQ(one("SELECT TO_CHAR(LENGTH(\"long_note\")) FROM \"orders\" WHERE \"order_id\" = 1002"),
            "70000");
}

TEST_F(agent_lossless, GeneratedScriptLoadsAndConvertsWhole) {
  std::ifstream in(TSL_MSSQL_SAMPLES "/generated_shop.sql");
  std::stringstream script;
  script << in.rdbuf();
  mssql(script.str());
  db_ = "generated_shop";
  outcome o = agent({"--src=generated_shop", "--dest=ORCL", "--oraclu=scott", "--oraclp=tiger"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(tables(), (std::vector<std::string>{"customers", "order_lines", "orders"}));
  EXPECT_EQ(compare_all(), 3u * 5 + 4u * 6 + 4u * 7);
  // Alias types, two-digit years and money literals arrived as SQL Server read them.
  EXPECT_EQ(column("SELECT TO_CHAR(\"since\", 'YYYY-MM-DD') FROM \"customers\" ORDER BY 1"),
            (std::vector<std::string>{"1994-06-01", "1994-06-12", "2049-06-12"}));
  EXPECT_EQ(column("SELECT TO_CHAR(\"unit_price\") FROM \"order_lines\" ORDER BY \"unit_price\""),
            (std::vector<std::string>{"-1.5", "14", "18.6", "34.8"}));
  EXPECT_EQ(one("SELECT \"customer_id\" FROM \"customers\" WHERE \"credit\" = 2500"), "TOMSP");
  // Computed values arrive as values; binary and styled dates as SQL Server reads them.
  EXPECT_EQ(column("SELECT TO_CHAR(\"line_total\") FROM \"order_lines\" ORDER BY \"line_total\""),
            (std::vector<std::string>{"-60", "167.4", "168", "174"}));
  EXPECT_EQ(column("SELECT TO_CHAR(\"ordered\", 'YYYY-MM-DD') || ' ' || "
                   "TO_CHAR(\"shipped\", 'YYYY-MM-DD') FROM \"orders\" WHERE \"order_id\" "
                   "IN (10249, 10250) ORDER BY \"order_id\""),
            (std::vector<std::string>{"1996-07-05 1996-07-10", "1996-07-08 1996-07-12"}));
}

}  // namespace
}  // namespace agent_testing
