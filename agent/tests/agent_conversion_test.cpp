// TSLAGENT converts the sample database into the embedded Oracle as a user
// runs it: modes, options, table-names files, profiles, queries, errors.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "ORA/ora_messages.h"
#include "TK/tk_trace_log.h"
#include "agent/agent.h"
#include "agent/tests/agent_fixture.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"

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
  EXPECT_EQ(o.status, kCompletedWithErrors);
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
  // A profile's mode out of range is refused as the option's is.
  std::string profile = write("p.tsl",
                              "[Generic settings]\nsrc=sample_shop\nmode=7\n"
                              "[Oracle settings]\nhost=ORCL\nuser=scott\npassword=tiger\n"
                              "[MS SQL Server settings]\nwindows authentication=1\n");
  o = agent({"--profile=" + profile});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err, "Invalid merge/overwrite mode\n");
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
  EXPECT_EQ(o.status, kCompletedWithErrors);
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

TEST_F(agent_conversion, ADamagedSourceDatabaseIsNotCalledMissing) {
  {
    std::fstream f(mssql_dir_ + "/data/sample_shop.sqlite",
                   std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(f.is_open());
    f.write(std::string(200, '\xff').data(), 200);
  }
  outcome o = agent({"--src=sample_shop", "--dest=ORCL", "--oraclu=scott", "--oraclp=tiger"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err.find("does not exist"), std::string::npos) << o.err;
  EXPECT_NE((o.out + o.err).find("Database 'sample_shop' cannot be opened"), std::string::npos)
      << o.out << o.err;
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

  // A profile that was named must load; the command line does not stand in.
  o = convert({"--profile=" + tmp_.file("missing.tsl")});
  EXPECT_EQ(o.err, "Cannot read profile " + tmp_.file("missing.tsl") +
                       ": No such file or directory\n");
  EXPECT_EQ(o.status, 255);
  o = convert({"--profile=" + tmp_.path()});
  EXPECT_EQ(o.err, "Cannot read profile " + tmp_.path() + ": Is a directory\n");
  EXPECT_EQ(o.status, 255);
  o = convert({"--profile=" + write("bad.tsl", "src=x\n[Generic settings]\n")});
  EXPECT_EQ(o.status, 255);
  EXPECT_NE(o.err.find("is not a profile"), std::string::npos) << o.err;
  // Saved with a byte order mark, it loads all the same.
  o = agent({"--profile=" + write("bom.tsl",
                                   "\xEF\xBB\xBF[Generic settings]\nsrc=sample_shop\n"
                                   "[Oracle settings]\nhost=ORCL\nuser=scott\npassword=tiger\n"
                                   "[MS SQL Server settings]\nwindows authentication=1\n"),
             "--silent"});
  EXPECT_EQ(o.status, 0) << o.err;
  // Without an Oracle section the profile says what it lacks.
  o = agent({"--profile=" + write("no_oracle.tsl", "[Generic settings]\nsrc=sample_shop\n")});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err, "You should enter Oracle database name in the profile's [Oracle settings]\n");
}

TEST_F(agent_conversion, FailingRecordLosesOnlyItself) {
  add_notes();
  exec("CREATE TABLE \"notes\" (\"n\" NUMBER(10,0), \"t\" NVARCHAR2(10))");
  exec("CREATE UNIQUE INDEX \"UX_n\" ON \"notes\" (\"n\")");
  exec("INSERT INTO \"notes\" VALUES (3, 'old')");
  outcome o = convert({"--tab_file=" + write("list.txt", "notes\n"), "--mode=1"});
  EXPECT_EQ(o.status, kCompletedWithErrors);
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
  // It holds the values of every row: its owner's only, even if it was there.
  struct stat st {};
  ASSERT_EQ(stat(log.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  chmod(log.c_str(), 0644);
  EXPECT_EQ(convert({"--logfile=" + log, "--silent"}).status, 0);
  ASSERT_EQ(stat(log.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(agent_conversion, LogFilesThatCannotBeWrittenAreErrors) {
  outcome o = convert({"--logfile=" + tmp_.path()});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.out, "Error:\nCannot open logfile " + tmp_.path() + ": Is a directory\n");
  std::string too_long = tmp_.file(std::string(300, 'l'));
  o = convert({"--logfile=" + too_long});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.out, "Error:\nCannot open logfile " + too_long + ": File name too long\n");
  o = convert({"--logfile=/dev/full"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.out, "Error:\nCannot write logfile /dev/full: No space left on device\n");
  EXPECT_EQ(tables(), names{});
}

TEST_F(agent_conversion, PasswordsFromTheEnvironment) {
  setenv("TSL_ORACLE_PASSWORD", "tiger", 1);
  setenv("TSL_MSSQL_PASSWORD", "sapw", 1);
  outcome o = agent({"--src=sample_shop", "--dest=ORCL", "--oraclu=scott", "--mssqlu=sa"});
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  // The command line wins.
  o = agent({"--src=sample_shop", "--dest=ORCL", "--oraclu=scott", "--oraclp=lion"});
  EXPECT_EQ(o.status, 255);
  // A profile without passwords takes them too.
  std::string profile = write("p.tsl",
                              "[Generic settings]\nsrc=sample_shop\n"
                              "[Oracle settings]\nhost=ORCL\nuser=scott\n"
                              "[MS SQL Server settings]\nlogin=sa\nwindows authentication=0\n");
  o = agent({"--profile=" + profile, "--silent"});
  EXPECT_EQ(o.status, 0);
  unsetenv("TSL_MSSQL_PASSWORD");
  o = agent({"--profile=" + profile, "--silent"});
  EXPECT_EQ(o.status, 255);
  unsetenv("TSL_ORACLE_PASSWORD");
}

TEST_F(agent_conversion, QueriesThatWouldWriteAreRefused) {
  std::string profile = write("p.tsl",
                              "[Selected Tables]\nq=DROP TABLE customers\n"
                              "[Generic settings]\nsrc=sample_shop\n"
                              "[Oracle settings]\nhost=ORCL\nuser=scott\npassword=tiger\n"
                              "[MS SQL Server settings]\nwindows authentication=1\n");
  outcome o = agent({"--profile=" + profile});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.out, "Error:\nq: The query must start with SELECT.\n");
  EXPECT_EQ(tables(), names{});
  // The source still has its table.
  EXPECT_EQ(convert({"--silent"}).status, 0);
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"customers\""), "8");
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

namespace agent_testing {
namespace {

TEST_F(agent_conversion, FullDestinationEndsTheRunAtOnce) {
  // Rows enough to pass the file-size limit below.
  std::string rows;
  for (int i = 0; i < 40; ++i) rows += (i ? ", (" : "(") + std::to_string(i) + ", REPLICATE(N'x', 3000))";
  mssql("USE sample_shop\nGO\nCREATE TABLE bulk (n int NOT NULL, t nvarchar(4000) NULL)\nGO\n");
  for (int k = 0; k < 10; ++k)
    mssql("USE sample_shop\nGO\nINSERT INTO bulk VALUES " + rows + "\nGO\n");
  struct stat st {};
  std::string db = tmp_.file("ora") + "/ORCL.db";
  ASSERT_EQ(stat(db.c_str(), &st), 0);
  std::string limit = std::to_string(st.st_size + 400 * 1024);
  std::string list = write("list.txt", "bulk\n");
  // Batches small enough that some are committed before the limit.
  std::string cmd =
      "TSL_BATCH_ROWS=${TSL_BATCH_ROWS:-20} prlimit --fsize=" + limit + " " + quote(TSL_AGENT);
  for (const char* a : {"--src=sample_shop", "--dest=ORCL", "--oraclu=scott", "--oraclp=tiger"})
    cmd += std::string(" ") + a;
  cmd += " --tab_file=" + quote(list) + " >" + quote(tmp_.file("out")) + " 2>&1";
  int raw = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
  EXPECT_EQ(WEXITSTATUS(raw), 255);
  std::string out = tsl::testing::read_file(tmp_.file("out"));
  // One message, naming the table and record where it stopped.
  EXPECT_EQ(out.find("Error:"), out.rfind("Error:")) << out;
  EXPECT_NE(out.find("Error:\nbulk, record #"), std::string::npos) << out;
  // What was committed stays.
  int copied = std::stoi(one("SELECT TO_CHAR(count(*)) FROM \"bulk\""));
  EXPECT_GT(copied, 0);
  EXPECT_LT(copied, 400);
}

}  // namespace
}  // namespace agent_testing

namespace agent_testing {
namespace {

// The options and the connections traced at the most verbose level, in this
// process: every line is written, and none may hold a password.
TEST_F(agent_conversion, NoPasswordInTheMostVerboseLog) {
  std::string path = tmp_.file("verbose.log");
  {
    tk_trace_log log(path.c_str(), true, 1, false);
    error_handler errors(ora_messages_count, ora_messages);
    tessaly_convertor driver;
    driver.set_agent(true);
    setenv("TSL_ORACLE_PASSWORD", "tiger", 1);
    const char* argv[] = {"TSLAGENT",          "--src=sample_shop", "--dest=ORCL",
                          "--oraclu=scott",    "--mssqlu=sa",       "--mssqlp=sapw",
                          "--silent",          "--tab_file=" };
    std::string list = write("list.txt", "products\n");
    std::string tab_file = "--tab_file=" + list;
    argv[7] = tab_file.c_str();
    ASSERT_TRUE(parse_cmd_line(8, argv));
    unsetenv("TSL_ORACLE_PASSWORD");
    driver.oracle.connect_oracle_server();
    driver.mssql.connect_mssql_server();
    driver();
    EXPECT_FALSE(driver.failed());
    EXPECT_EQ(driver.errors(), 0);
  }
  std::string text = tsl::testing::read_file(path);
  EXPECT_NE(text.find("parameter #5: --mssqlp=***"), std::string::npos);
  EXPECT_NE(text.find("Converting 3 record"), std::string::npos);
  EXPECT_EQ(text.find("tiger"), std::string::npos);
  EXPECT_EQ(text.find("sapw"), std::string::npos);
}

}  // namespace
}  // namespace agent_testing

namespace agent_testing {
namespace {

TEST_F(agent_conversion, ALoginThatSeesNoTablesIsNotASuccess) {
  outcome o = convert({"--mssqlu=bob", "--mssqlp=pw"});
  EXPECT_EQ(o.status, kCompletedWithErrors);
  EXPECT_EQ(o.out,
            "Converting database sample_shop(0 tables)\nError:\nDatabase 'sample_shop' has no "
            "tables this login can read.\n");
  // --silent prints nothing but keeps the status.
  o = convert({"--mssqlu=bob", "--mssqlp=pw", "--silent"});
  EXPECT_EQ(o.status, kCompletedWithErrors);
  EXPECT_EQ(o.out + o.err, "");
}

}  // namespace
}  // namespace agent_testing
