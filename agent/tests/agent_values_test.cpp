// Value by value through the agent: what SQL Server holds arrives in Oracle
// unchanged, or its record is reported; never a silent change.
#include <gtest/gtest.h>

#include "agent/tests/agent_fixture.h"

namespace agent_testing {
namespace {

using rows_t = std::vector<std::vector<std::string>>;

class agent_values : public agent_fixture {
 protected:
  // Creates the tables in the sample database and converts only them.
  outcome convert_tables(const std::string& script, const std::string& names,
                         std::vector<std::string> more = {}) {
    mssql("USE sample_shop\nGO\n" + script);
    more.push_back("--tab_file=" + write("list.txt", names));
    return convert(more);
  }
  std::string type_of(const std::string& table, const std::string& column) {
    return one("SELECT data_type || '(' || TO_CHAR(data_length) || ')' FROM user_tab_columns "
               "WHERE table_name = '" +
               table + "' AND column_name = '" + column + "'");
  }
  std::string default_of(const std::string& table, const std::string& column) {
    std::string d = one("SELECT NVL(data_default, '<none>') FROM user_tab_columns WHERE "
                        "table_name = '" +
                        table + "' AND column_name = '" + column + "'");
    // Oracle keeps the blanks that followed the default in the statement.
    while (!d.empty() && d.back() == ' ') d.pop_back();
    return d;
  }
};

TEST_F(agent_values, MoneyAndFloatsArriveExact) {
  outcome o = convert_tables(
      "CREATE TABLE m (id int PRIMARY KEY, price money, small smallmoney, f float, r real)\nGO\n"
      "INSERT INTO m VALUES (1, 9.80, 66.29, 0.1, 0.15)\n"
      "INSERT INTO m VALUES (2, 922337203685477.5807, 214748.3647, 0.30000000000000004, "
      "16777216)\n"
      "INSERT INTO m VALUES (3, -922337203685477.5808, -214748.3648, 123456789.12345678, 0.1)\n"
      "INSERT INTO m VALUES (4, 0.0001, -0.0001, 2.5E-100, 3.4E+38)\n"
      "GO\n",
      "m\n");
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(type_of("m", "price"), "NUMBER(22)");
  EXPECT_EQ(one("SELECT data_precision || ',' || data_scale FROM user_tab_columns WHERE "
                "table_name = 'm' AND column_name = 'small'"),
            "10,4");
  EXPECT_EQ(oracle("SELECT \"price\", \"small\", \"f\", \"r\" FROM \"m\" ORDER BY \"id\""),
            (rows_t{{"9.8", "66.29", "0.1", "0.15"},
                    {"922337203685477.5807", "214748.3647", "0.30000000000000004", "16777216"},
                    {"-922337203685477.5808", "-214748.3648", "123456789.12345678", "0.1"},
                    {"0.0001", "-0.0001", "2.5e-100", "3.4e+38"}}));
  // The value is found by the literal a user would write.
  EXPECT_EQ(one("SELECT TO_CHAR(\"id\") FROM \"m\" WHERE \"price\" = 9.8"), "1");
  EXPECT_EQ(one("SELECT TO_CHAR(\"id\") FROM \"m\" WHERE \"r\" = 0.15"), "1");
}

TEST_F(agent_values, FloatsOutOfOraclesRangeAreRecordErrors) {
  outcome o = convert_tables(
      "CREATE TABLE fl (id int PRIMARY KEY, f float NOT NULL DEFAULT 7)\nGO\n"
      "INSERT INTO fl VALUES (1, 1.5), (2, 1E+200), (3, -1E+300), (4, 1.7976931348623157E+308), "
      "(5, 1E-300), (6, -2.5)\nGO\n",
      "fl\n");
  for (const char* bad : {"#2: Column f: the value 1e+200", "#3: Column f: the value -1e+300",
                          "#4: Column f: the value 1.7976931348623157e+308",
                          "#5: Column f: the value 1e-300"})
    EXPECT_NE(o.out.find(std::string("fl, record ") + bad), std::string::npos) << o.out;
  // Nothing stands in for them: neither NULL nor the default.
  EXPECT_EQ(oracle("SELECT \"id\", \"f\" FROM \"fl\" ORDER BY \"id\""),
            (rows_t{{"1", "1.5"}, {"6", "-2.5"}}));
}

TEST_F(agent_values, DatesKeepTheirDayAndTextsArriveWhole) {
  const std::string prose =
      "Please read the guid field {see the manual, chapter 7} before you start";
  outcome o = convert_tables(
      "CREATE TABLE d (id int PRIMARY KEY, at datetime, note nvarchar(200) DEFAULT N'" + prose +
          "', v sql_variant)\nGO\n"
          "INSERT INTO d VALUES (1, '2020-12-31 23:59:59.997', N'" +
          prose +
          "', REPLICATE('v', 300))\n"
          "INSERT INTO d VALUES (2, '9999-12-31 23:59:59.997', N'guid {x}', 'short')\n"
          "INSERT INTO d VALUES (3, '1753-01-01 00:00:00.000', NULL, NULL)\nGO\n",
      "d\n");
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(column("SELECT TO_CHAR(\"at\", 'YYYY-MM-DD HH24:MI:SS') FROM \"d\" ORDER BY \"id\""),
            (std::vector<std::string>{"2020-12-31 23:59:59", "9999-12-31 23:59:59",
                                      "1753-01-01 00:00:00"}));
  EXPECT_EQ(one("SELECT \"note\" FROM \"d\" WHERE \"id\" = 1"), prose);
  EXPECT_EQ(default_of("d", "note"), "'" + prose + "'");
  EXPECT_EQ(one("SELECT TO_CHAR(LENGTH(\"v\")) FROM \"d\" WHERE \"id\" = 1"), "300");
}

TEST_F(agent_values, FixedTextAndBinaryKeepTheirKindKeysAndBytes) {
  outcome o = convert_tables(
      "CREATE TABLE g (id uniqueidentifier NOT NULL PRIMARY KEY, code char(10) NOT NULL, "
      "n nchar(3), b binary(4) NOT NULL, vb varbinary(16) NULL, img image NULL)\nGO\n"
      "CREATE UNIQUE INDEX ux_g ON g (b)\nGO\nCREATE INDEX ix_g ON g (vb)\nGO\n"
      "INSERT INTO g VALUES ('6F9619FF-8B86-D011-B42D-00C04FC964FF', 'Boston', N'ab', 0x00FF10AB, "
      "0x0102, 0xDEAD)\n"
      "INSERT INTO g VALUES ('00000000-0000-0000-0000-000000000001', 'Rome', N'xyz', 0x00000000, "
      "0x, NULL)\nGO\n",
      "g\n");
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(type_of("g", "id"), "RAW(16)");
  EXPECT_EQ(type_of("g", "code"), "CHAR(40)");
  EXPECT_EQ(type_of("g", "n"), "CHAR(12)");
  EXPECT_EQ(type_of("g", "b"), "RAW(4)");
  EXPECT_EQ(type_of("g", "vb"), "RAW(16)");
  EXPECT_EQ(type_of("g", "img"), "BLOB(4000)");
  // Keys, unique constraints, indexes and NOT NULL are all kept.
  EXPECT_EQ(column("SELECT constraint_type FROM user_constraints WHERE table_name = 'g' AND "
                   "constraint_type IN ('P', 'U') ORDER BY constraint_type"),
            (std::vector<std::string>{"P", "U"}));
  EXPECT_EQ(one("SELECT index_name FROM user_indexes WHERE table_name = 'g' AND index_name = "
                "'ix_g'"),
            "ix_g");
  EXPECT_EQ(column("SELECT nullable FROM user_tab_columns WHERE table_name = 'g' ORDER BY "
                   "column_id"),
            (std::vector<std::string>{"N", "N", "Y", "N", "Y", "Y"}));
  EXPECT_EQ(oracle("SELECT \"id\", \"b\", \"vb\" FROM \"g\" ORDER BY \"code\""),
            (rows_t{{"0x6F9619FF8B86D011B42D00C04FC964FF", "0x00FF10AB", "0x0102"},
                    {"0x00000000000000000000000000000001", "0x00000000", "<null>"}}));
  // Fixed-length text compares as in SQL Server.
  EXPECT_EQ(one("SELECT TO_CHAR(COUNT(*)) FROM \"g\" WHERE \"code\" = 'Boston'"), "1");
  EXPECT_EQ(one("SELECT TO_CHAR(COUNT(*)) FROM \"g\" WHERE \"n\" = 'ab'"), "1");
}

TEST_F(agent_values, DefaultsAreReproducedOrLeftOutWithAWarning) {
  outcome o = convert_tables(
      "CREATE TABLE df (id int PRIMARY KEY, a varchar(10) DEFAULT NULL, b int DEFAULT NULL, "
      "c varchar(30) DEFAULT getdate(), d datetime2 DEFAULT sysdatetime(), "
      "e datetime NOT NULL DEFAULT getdate(), f bigint DEFAULT 5, g uniqueidentifier DEFAULT "
      "newid(), h int DEFAULT ((1)+(2)), i int DEFAULT (((2)*(3))-(1)), "
      "j datetime DEFAULT '2009-12-31 12:30 AM', k float DEFAULT 1.5E+200, "
      "l nvarchar(128) DEFAULT suser_sname(), m decimal(9,2) DEFAULT -2.5)\nGO\n",
      "df\n");
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(default_of("df", "a"), "<none>");
  EXPECT_EQ(default_of("df", "b"), "<none>");
  EXPECT_EQ(default_of("df", "c"), "<none>");
  EXPECT_EQ(default_of("df", "d"), "<none>");
  EXPECT_EQ(default_of("df", "e"), "SYSDATE");
  EXPECT_EQ(default_of("df", "f"), "5");
  EXPECT_EQ(default_of("df", "g"), "SYS_GUID()");
  EXPECT_EQ(default_of("df", "h"), "<none>");
  EXPECT_EQ(default_of("df", "i"), "<none>");
  EXPECT_EQ(default_of("df", "j"),
            "to_date('2009-12-31 00:30:00', 'YYYY-MM-DD HH24:MI:SS')");
  EXPECT_EQ(default_of("df", "k"), "<none>");
  EXPECT_EQ(default_of("df", "l"), "USER");
  EXPECT_EQ(default_of("df", "m"), "-2.5");
  for (const char* left_out : {"default getdate() of column c", "default sysdatetime() of column d",
                               "default (1)+(2) of column h", "default 1.5e+200 of column k"})
    EXPECT_NE(o.out.find(std::string("Warning: The ") + left_out + " of table df has no Oracle "
                                                                    "equivalent: left out."),
              std::string::npos)
        << left_out << "\n"
        << o.out;
  // A row that relies on the defaults goes in.
  exec("INSERT INTO \"df\" (\"id\") VALUES (1)");
  EXPECT_EQ(oracle("SELECT \"a\", \"b\", \"f\", \"l\" FROM \"df\""),
            (rows_t{{"<null>", "<null>", "5", "SCOTT"}}));
}

TEST_F(agent_values, EmptyKeysAreRecordErrorsAndKeysKeepNotNull) {
  outcome o = convert_tables(
      "CREATE TABLE k1 (id varchar(10) NOT NULL PRIMARY KEY, v int)\nGO\n"
      "INSERT INTO k1 VALUES ('a', 1), ('', 2), ('c', 3)\nGO\n"
      "CREATE TABLE k2 (id int PRIMARY KEY, u varchar(10) NOT NULL UNIQUE, w varchar(5) NOT NULL)\n"
      "GO\nINSERT INTO k2 VALUES (1, 'x', ''), (2, '', 'y'), (3, 'z', 'q')\nGO\n",
      "k1\nk2\n");
  EXPECT_NE(o.out.find("k1, record #1: Column id belongs to a key"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("k2, record #2: Column u belongs to a key"), std::string::npos) << o.out;
  EXPECT_EQ(o.out.find("ORA-01451"), std::string::npos) << o.out;
  EXPECT_EQ(column("SELECT \"id\" FROM \"k1\" ORDER BY \"id\""),
            (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(column("SELECT nullable FROM user_tab_columns WHERE table_name = 'k2' ORDER BY "
                   "column_id"),
            (std::vector<std::string>{"N", "N", "Y"}));
  EXPECT_EQ(column("SELECT TO_CHAR(\"id\") FROM \"k2\" ORDER BY \"id\""),
            (std::vector<std::string>{"1", "3"}));
}

TEST_F(agent_values, WideDecimalsAndMergedIntegersArriveExactly) {
  exec("CREATE TABLE \"mi\" (\"id\" NUMBER(9,0), \"f\" NUMBER(12,0), \"m\" NUMBER(12,0), "
       "\"d\" NUMBER(12,0), \"big\" NUMBER(18,0))");
  outcome o = convert_tables(
      "CREATE TABLE wd (id int PRIMARY KEY, a decimal(15,0), b decimal(16,0), c decimal(18,0))\n"
      "GO\nINSERT INTO wd VALUES (1, 999999999999999, 9999999999999999, 999999999999999999), "
      "(2, -999999999999999, -9999999999999999, -999999999999999999), "
      "(3, 922337203685478, 922337203685477, 1)\nGO\n"
      "CREATE TABLE mi (id int, f float, m money, d decimal(10,5), big decimal(18,0))\nGO\n"
      "INSERT INTO mi VALUES (1, 2.7, 2.7, 2.49999, 123456789012345678), "
      "(2, -2.7, -2.7, -2.5, -123456789012345678), (3, 2.5, -2.5, 2.5, 0)\nGO\n",
      "wd\nmi\n", {"--mode=1"});
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.out.find("Error"), std::string::npos) << o.out;
  EXPECT_EQ(oracle("SELECT TO_CHAR(\"a\"), TO_CHAR(\"b\"), TO_CHAR(\"c\") FROM \"wd\" ORDER BY "
                   "\"id\""),
            (rows_t{{"999999999999999", "9999999999999999", "999999999999999999"},
                    {"-999999999999999", "-9999999999999999", "-999999999999999999"},
                    {"922337203685478", "922337203685477", "1"}}));
  // Into integer columns: rounded once, half away from zero, as Oracle does.
  EXPECT_EQ(oracle("SELECT TO_CHAR(\"f\"), TO_CHAR(\"m\"), TO_CHAR(\"d\"), TO_CHAR(\"big\") "
                   "FROM \"mi\" ORDER BY \"id\""),
            (rows_t{{"3", "3", "2", "123456789012345678"},
                    {"-3", "-3", "-3", "-123456789012345678"},
                    {"3", "-3", "3", "0"}}));
}

TEST_F(agent_values, ValuesAnExistingColumnCannotHoldAreRecordErrors) {
  exec("CREATE TABLE \"ov\" (\"id\" NUMBER(9,0), \"n\" NUMBER(18,0))");
  outcome o = convert_tables(
      "CREATE TABLE ov (id int, n decimal(20,0))\nGO\n"
      "INSERT INTO ov VALUES (1, 5), (2, 12345678901234567890), (3, 7)\nGO\n",
      "ov\n", {"--mode=1"});
  EXPECT_NE(o.out.find("ov, record #2: Column n: Value 12345678901234567890 does not fit"),
            std::string::npos)
      << o.out;
  EXPECT_EQ(column("SELECT TO_CHAR(\"n\") FROM \"ov\" ORDER BY \"id\""),
            (std::vector<std::string>{"5", "7"}));
}

}  // namespace
}  // namespace agent_testing

namespace agent_testing {
namespace {

// The destination chooses the types the connected release accepts; the
// embedded Oracle of an older release refuses what that release refused.
class agent_old_release : public agent_values {
 protected:
  outcome convert_to(const std::string& release) {
    tsl::eora::create_database("OLD", 1522, release);
    tsl::eora::create_user("OLD", "scott", "tiger");
    return agent({"--src=sample_shop", "--dest=OLD", "--oraclu=scott", "--oraclp=tiger",
                  "--tab_file=" + write("list.txt", "customers\n")});
  }
  std::string old_type(const std::string& column) {
    ora_engine engine;
    engine.logon(u"OLD", u"scott", u"tiger");
    ora_query_results q;
    q.initialize(0, tsl::text::utf8_to_utf16(
                        "SELECT data_type FROM user_tab_columns WHERE table_name = 'customers' "
                        "AND column_name = '" +
                        column + "'"));
    return q.is_eof() ? "<none>" : tsl::text::utf16_to_utf8((*q.get_item())[0].to_wstring());
  }
};

TEST_F(agent_old_release, Oracle8GetsNationalTypes) {
  outcome o = convert_to("8.1");
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.out.find("Error"), std::string::npos) << o.out;
  EXPECT_EQ(old_type("code"), "NCHAR");
  EXPECT_EQ(old_type("name"), "NVARCHAR2");
  EXPECT_EQ(old_type("row_guid"), "RAW");
}

TEST_F(agent_old_release, Oracle7GetsByteLengths) {
  outcome o = convert_to("7.3");
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.out.find("Error"), std::string::npos) << o.out;
  EXPECT_EQ(old_type("code"), "CHAR");
  EXPECT_EQ(old_type("name"), "VARCHAR2");
}

}  // namespace
}  // namespace agent_testing
