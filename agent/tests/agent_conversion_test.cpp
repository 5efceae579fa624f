// TSLAGENT converts the sample database into the embedded Oracle as a user
// runs it: modes, options, table-names files, profiles, queries, errors.
#include <gtest/gtest.h>

#include "agent/tests/agent_fixture.h"

namespace agent_testing {
namespace {

using rows = std::vector<std::vector<std::string>>;
using names = std::vector<std::string>;

class agent_conversion : public agent_fixture {
 protected:
  // A keyless table, so rows can be appended again.
  void add_notes() {
    mssql(
        "USE sample_shop\nGO\nCREATE TABLE notes (n int NULL, t nvarchar(10) NULL)\nGO\n"
        "INSERT INTO notes VALUES (1, N'one'), (2, N'two'), (3, NULL), (4, N'four'), (5, "
        "N'five')\nGO\n");
  }
  std::string notes_count() { return one("SELECT TO_CHAR(count(*)) FROM \"notes\""); }
};

TEST_F(agent_conversion, WholeSampleArrives) {
  outcome o = convert();
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out,
            "Converting database sample_shop(4 tables)\n"
            "Converting table customers(8 records)\n"
            "Converting table order_lines(5 records)\n"
            "Converting table orders(4 records)\n"
            "Converting table products(4 records)\n");
  EXPECT_EQ(tables(), (names{"customers", "order_lines", "orders", "products"}));
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"customers\""), "8");
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"order_lines\""), "5");
  EXPECT_EQ(oracle("SELECT \"customer_id\", \"code\", \"name\", \"city\", \"country\", \"vip\" "
                   "FROM \"customers\" WHERE \"customer_id\" IN (1, 5, 8) ORDER BY 1"),
            (rows{{"1", "C0000001", "Émilie Dubois", "Lyon", "FR", "1"},
                  {"5", "C0000005", "山田 太郎", "Tōkyō", "JP", "1"},
                  {"8", "C0000008", "Default Values Ltd", "Unknown", "FR", "0"}}));
  EXPECT_EQ(oracle("SELECT \"order_id\", \"line_no\", \"product_id\", \"quantity\", "
                   "\"unit_price\" FROM \"order_lines\" ORDER BY 1, 2"),
            (rows{{"1000", "1", "100", "2", "49.99"},
                  {"1000", "2", "110", "1", "199"},
                  {"1001", "1", "120", "10", "0.01"},
                  {"1002", "1", "100", "4", "45"},
                  {"1003", "1", "<null>", "1", "0"}}));
  // Keys and indexes came along; no foreign keys are made.
  EXPECT_EQ(column("SELECT index_name FROM user_indexes WHERE table_name = 'customers' "
                   "ORDER BY 1"),
            (names{"IX_customers_name", "PK_customers", "UQ_customers_code"}));
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM user_constraints WHERE constraint_type = 'R'"), "0");
  // The identity goes on above the copied values, and the N'FR' default of
  // the country came along.
  exec(
      "INSERT INTO \"customers\" (\"code\", \"name\", \"vip\", "
      "\"created\", \"row_guid\") VALUES ('C0000009', 'New', 0, SYSDATE, "
      "'00112233445566778899AABBCCDDEEFF')");
  EXPECT_EQ(one("SELECT max(\"customer_id\") FROM \"customers\""), "9");
  EXPECT_EQ(one("SELECT \"country\" FROM \"customers\" WHERE \"customer_id\" = 9"), "FR");
}

TEST_F(agent_conversion, SecondRunOverwritesAndSilentPrintsNothing) {
  ASSERT_EQ(convert().status, 0);
  exec("DELETE FROM \"orders\" WHERE \"order_id\" = 1000");
  outcome o = convert({"--silent"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out + o.err, "");
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"orders\""), "4");
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"customers\""), "8");
}

TEST_F(agent_conversion, MergeAppendsAndRefusesAnotherStructure) {
  add_notes();
  std::string list = write("list.txt", "notes\n");
  ASSERT_EQ(convert({"--tab_file=" + list}).status, 0);
  outcome o = convert({"--tab_file=" + list, "--mode=1"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(notes_count(), "10");
  EXPECT_EQ(column("SELECT \"t\" FROM \"notes\" WHERE \"n\" = 4"), (names{"four", "four"}));

  exec("DROP TABLE \"notes\"");
  exec("CREATE TABLE \"notes\" (\"other\" VARCHAR2(5))");
  o = convert({"--tab_file=" + list, "--mode=1"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out,
            "Converting database sample_shop(1 tables)\nError:\nnotes: The structure of data "
            "source does not conform to the destination table.\n");
  EXPECT_EQ(notes_count(), "0");
  // Merge without a destination table creates it.
  exec("DROP TABLE \"notes\"");
  ASSERT_EQ(convert({"--tab_file=" + list, "--mode=1"}).status, 0);
  EXPECT_EQ(notes_count(), "5");
}

TEST_F(agent_conversion, SkipLeavesExistingTablesAlone) {
  exec("CREATE TABLE \"orders\" (\"x\" NUMBER)");
  exec("INSERT INTO \"orders\" VALUES (7)");
  outcome o = convert({"--mode=2"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.find("Converting table orders("), std::string::npos);
  EXPECT_EQ(column("SELECT TO_CHAR(\"x\") FROM \"orders\""), (names{"7"}));
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"products\""), "4");
  // A profile's mode out of range leaves existing tables alone too.
  std::string profile = write("p.tsl",
                              "[Generic settings]\nsrc=sample_shop\nmode=7\n"
                              "[Oracle settings]\nhost=ORCL\nuser=scott\npassword=tiger\n"
                              "[MS SQL Server settings]\nwindows authentication=1\n");
  o = agent({"--profile=" + profile});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(column("SELECT TO_CHAR(\"x\") FROM \"orders\""), (names{"7"}));
}

TEST_F(agent_conversion, DefinitionsOnlySkipIndexesUppercase) {
  outcome o = convert({"--tab_def", "--skip_idx", "--uppercase"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(tables(), (names{"CUSTOMERS", "ORDERS", "ORDER_LINES", "PRODUCTS"}));
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"CUSTOMERS\""), "0");
  EXPECT_EQ(column("SELECT index_name FROM user_indexes WHERE table_name = 'CUSTOMERS'"), names{});
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM user_tab_columns WHERE table_name = 'PRODUCTS'"),
            "22");
}

TEST_F(agent_conversion, DirectModeAndSqlServerLogin) {
  outcome o = convert({"--direct", "--dest=localhost", "--mssqlu=sa", "--mssqlp=sapw"});
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(tables().size(), 4u);
  // A wrong port has nothing behind it.
  o = convert({"--direct", "--dest=localhost", "--port=1599"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.out.find("Error:\n"), 0u);
  // --port without --direct changes nothing.
  EXPECT_EQ(convert({"--port=1599", "--silent"}).status, 0);
  // A wrong SQL Server password.
  o = convert({"--mssqlu=bob", "--mssqlp=wrong"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.out.find("Error:\n"), 0u);
}

TEST_F(agent_conversion, TableNamesFiles) {
  std::string list = write("list.txt", "\xEF\xBB\xBFproducts\n\n\nnope\r\norders\n");
  outcome o = convert({"--tab_file=" + list});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "Table nope not exists\n");
  EXPECT_EQ(o.out,
            "Converting database sample_shop(3 tables)\n"
            "Converting table orders(4 records)\n"
            "Converting table products(4 records)\n");
  EXPECT_EQ(tables(), (names{"orders", "products"}));
  // An empty file converts everything.
  EXPECT_EQ(convert({"--tab_file=" + write("empty.txt", "")}).status, 0);
  EXPECT_EQ(tables().size(), 4u);
}

TEST_F(agent_conversion, MissingDatabase) {
  outcome o = agent({"--src=nodb", "--dest=ORCL", "--oraclu=scott", "--oraclp=tiger"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err, "Database 'nodb' does not exist\n");
}

TEST_F(agent_conversion, ProfilesAndQueries) {
  std::string profile =
      write("p.tsl",
            "[Selected Tables]\ncustomers\nbig_orders=SELECT order_id, status FROM orders WHERE "
            "order_id > 1001\n[Generic settings]\nsrc=sample_shop\nmode=0\n"
            "[Oracle settings]\nhost=ORCL\nuser=scott\npassword=tiger\nuse TNS=1\n"
            "[MS SQL Server settings]\nwindows authentication=1\n");
  outcome o = agent({"--profile=" + profile});
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.out,
            "Converting database sample_shop(1 tables)\n"
            "Converting table big_orders(2 records)\n"
            "Converting table customers(8 records)\n");
  EXPECT_EQ(oracle("SELECT * FROM \"big_orders\" ORDER BY 1"),
            (rows{{"1002", "shipped"}, {"1003", "cancelled"}}));

  // With a table-names file, its tables join the profile's.
  std::string list = write("list.txt", "products\n");
  o = agent({"--profile=" + profile, "--tab_file=" + list, "--silent"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(tables(), (names{"big_orders", "customers", "products"}));

  // The later of --src and --profile decides the database.
  o = agent({"--profile=" + profile, "--src=nodb"});
  EXPECT_EQ(o.err, "Database 'nodb' does not exist\n");
  o = agent({"--src=nodb", "--profile=" + profile, "--silent"});
  EXPECT_EQ(o.status, 0);

  // A profile that does not load wants the Oracle options.
  o = agent({"--src=sample_shop", "--profile=" + tmp_.file("missing.tsl")});
  EXPECT_EQ(o.err, "You should enter Oracle database name\n");
  EXPECT_EQ(o.status, 255);
}

TEST_F(agent_conversion, FailingRecordLosesOnlyItself) {
  add_notes();
  exec("CREATE TABLE \"notes\" (\"n\" NUMBER(10,0), \"t\" NVARCHAR2(10))");
  exec("CREATE UNIQUE INDEX \"UX_n\" ON \"notes\" (\"n\")");
  exec("INSERT INTO \"notes\" VALUES (3, 'old')");
  outcome o = convert({"--tab_file=" + write("list.txt", "notes\n"), "--mode=1"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.find("Converting table notes(5 records)\nError:\nnotes, record #3: "),
            o.out.find("Converting table notes"))
      << o.out;
  EXPECT_EQ(oracle("SELECT \"n\", \"t\" FROM \"notes\" ORDER BY 1"),
            (rows{{"1", "one"}, {"2", "two"}, {"3", "old"}, {"4", "four"}, {"5", "five"}}));
}

TEST_F(agent_conversion, LogFileHoldsTheRunButNoPassword) {
  std::string log = tmp_.file("run.log");
  outcome o = convert({"--logfile=" + log});
  EXPECT_EQ(o.status, 0);
  std::string text = tsl::testing::read_file(log);
  EXPECT_NE(text.find("Conversion started on "), std::string::npos);
  EXPECT_NE(text.find("Converting table customers (8 records)"), std::string::npos);
  EXPECT_NE(text.find("Conversion ended on "), std::string::npos);
  EXPECT_EQ(text.find("tiger"), std::string::npos);
}

TEST_F(agent_conversion, EntriesRunInNameOrderAndQueriesWinOverTables) {
  mssql(
      "USE sample_shop\nGO\nCREATE TABLE B (n int)\nGO\nCREATE TABLE a (n int)\nGO\n"
      "CREATE TABLE C (n int)\nGO\n");
  std::string profile = write("p.tsl",
                              "[Selected Tables]\nQ=SELECT 1 AS one\n"
                              "customers=SELECT code FROM customers WHERE customer_id < 3\n"
                              "[Oracle settings]\nhost=ORCL\nuser=scott\npassword=tiger\n"
                              "[MS SQL Server settings]\nwindows authentication=1\n");
  std::string list = write("list.txt", "B\na\nC\ncustomers\n");
  outcome o = convert({"--profile=" + profile, "--tab_file=" + list});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "Converting database sample_shop(4 tables)\n"
            "Converting table B(0 records)\n"
            "Converting table C(0 records)\n"
            "Converting table Q(1 records)\n"
            "Converting table a(0 records)\n"
            "Converting table customers(2 records)\n");
  EXPECT_EQ(column("SELECT column_name FROM user_tab_columns WHERE table_name = 'customers'"),
            names{"code"});
}

}  // namespace
}  // namespace agent_testing
