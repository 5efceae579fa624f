// The driver's runs against the embedded servers, in this process: modes,
// record numbers in messages, identity continuation, names that must be the
// same on every run, queries that could write, and what a run counts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "MSS/mss_messages.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_messages.h"
#include "ORA/ora_query_results.h"
#include "ORA/ora_sql.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"
#include "embedded/mssql/server.h"
#include "embedded/mssql/session.h"
#include "embedded/oracle/database.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"

namespace {

using names = std::vector<std::string>;

// Takes every message; answers "Continue".
class recording_ui : public error_ui {
 public:
  void show_internal_error(const std::string& text) override { messages.push_back(text); }
  void show_message(const std::string& message) override { messages.push_back(message); }
  continue_answer ask_continue(const std::string& message) override {
    messages.push_back(message);
    return {};
  }
  size_t collected_messages() const override { return 0; }
  void collect_message(const std::string&) override {}
  std::vector<std::string> messages;
};

class driver_run : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TSL_MSSQL_DATA", dir_.file("srv").c_str(), 1);
    setenv("TSL_ORACLE_DATA", dir_.file("ora").c_str(), 1);
    setenv("TSL_ORACLE_CLIENT", "embedded", 1);
    tsl::mssql::server::create(dir_.file("srv"));
    mssql("CREATE DATABASE src\nGO\n");
    tsl::eora::create_database("ORCL", 1521, "current");
    tsl::eora::create_user("ORCL", "scott", "tiger");
    errors_ = std::make_unique<error_handler>(ora_messages_count, ora_messages);
    errors_->load_err_map(mss_messages_count, mss_messages);
    errors_->set_ui(&ui_);
    driver_ = std::make_unique<tessaly_convertor>();
    driver_->database_name = u"src";
    driver_->oracle.store_oracle_settings(u"ORCL", u"scott", u"tiger");
    driver_->mssql.windows_authentication = true;
  }
  void TearDown() override {
    driver_.reset();
    errors_.reset();
    unsetenv("TSL_MSSQL_DATA");
    unsetenv("TSL_ORACLE_DATA");
    unsetenv("TSL_ORACLE_CLIENT");
  }

  void mssql(const std::string& sql) {
    tsl::mssql::login_request l;
    l.integrated = true;
    l.initial_catalog = "master";
    tsl::mssql::session s(tsl::mssql::server::open(dir_.file("srv")), l);
    s.run_script(sql);
  }
  void source(const std::string& sql) { mssql("USE src\nGO\n" + sql); }

  // One run of the selected tables, connected afresh as a front-end does.
  void run(std::vector<std::u16string> tables) {
    ui_.messages.clear();
    driver_->selected_tables = std::move(tables);
    driver_->oracle.connect_oracle_server();
    driver_->mssql.connect_mssql_server();
    (*driver_)();
  }

  std::vector<std::string> column(const std::string& sql) {
    std::vector<std::string> out;
    ora_query_results q;
    q.initialize(0, tsl::text::utf8_to_utf16(sql));
    while (!q.is_eof()) out.push_back(tsl::text::utf16_to_utf8((*q.get_item())[0].to_wstring()));
    return out;
  }
  std::string one(const std::string& sql) {
    auto c = column(sql);
    return c.empty() ? "<none>" : c[0];
  }
  void exec(const std::string& sql) {
    ora_execute(tsl::text::utf8_to_utf16(sql), OCI_COMMIT_ON_SUCCESS);
  }
  names tables() { return column("SELECT table_name FROM user_tables ORDER BY 1"); }
  names sequences() { return column("SELECT sequence_name FROM user_sequences ORDER BY 1"); }
  names indexes() { return column("SELECT index_name FROM user_indexes ORDER BY 1"); }

  tsl::testing::temp_dir dir_;
  recording_ui ui_;
  std::unique_ptr<error_handler> errors_;
  std::unique_ptr<tessaly_convertor> driver_;
};

TEST_F(driver_run, ModesOverwriteMergeAndSkip) {
  source("CREATE TABLE notes (n int NOT NULL, t nvarchar(10) NULL)\n"
         "INSERT INTO notes VALUES (1, N'one'), (2, N'two'), (3, NULL)\n");
  run({u"notes"});
  ASSERT_EQ(ui_.messages, names{});
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"notes\""), "3");
  exec("DELETE FROM \"notes\" WHERE \"n\" = 1");

  driver_->conversion_mode = tessaly_convertor::kMerge;
  run({u"notes"});
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"notes\""), "5");

  driver_->conversion_mode = tessaly_convertor::kSkip;
  run({u"notes"});
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"notes\""), "5");
  EXPECT_EQ(driver_->table_index(), 0);  // reset at the end of the run

  driver_->conversion_mode = tessaly_convertor::kOverwrite;
  run({u"notes"});
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"notes\""), "3");
  EXPECT_EQ(driver_->errors(), 0);
  EXPECT_FALSE(driver_->failed());

  // Merging into another structure copies nothing and counts an error.
  exec("DROP TABLE \"notes\"");
  exec("CREATE TABLE \"notes\" (\"other\" VARCHAR2(5))");
  driver_->conversion_mode = tessaly_convertor::kMerge;
  run({u"notes"});
  EXPECT_EQ(ui_.messages, names{"notes: The structure of data source does not conform to the "
                                "destination table."});
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"notes\""), "0");
  EXPECT_EQ(driver_->errors(), 1);

  // A mode out of range neither drops nor passes silently.
  driver_->conversion_mode = 7;
  run({u"notes"});
  EXPECT_EQ(ui_.messages, names{"notes: Invalid merge/overwrite mode"});
  EXPECT_EQ(column("SELECT column_name FROM user_tab_columns WHERE table_name = 'notes'"),
            names{"other"});
  EXPECT_EQ(driver_->errors(), 1);
}

TEST_F(driver_run, RecordErrorsNameTheirRecordAndAreCounted) {
  source("CREATE TABLE notes (n int NULL, t nvarchar(10) NULL)\n"
         "INSERT INTO notes VALUES (1, N'one'), (2, N'two'), (3, N'three'), (4, N'four')\n");
  driver_->oracle.connect_oracle_server();
  exec("CREATE TABLE \"notes\" (\"n\" NUMBER(10,0), \"t\" NVARCHAR2(10))");
  exec("CREATE UNIQUE INDEX \"UX_n\" ON \"notes\" (\"n\")");
  exec("INSERT INTO \"notes\" VALUES (3, 'old')");
  exec("INSERT INTO \"notes\" VALUES (4, 'old')");
  driver_->conversion_mode = tessaly_convertor::kMerge;
  run({u"notes"});
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[0].rfind("notes, record #3: ", 0), 0u) << ui_.messages[0];
  EXPECT_EQ(ui_.messages[1].rfind("notes, record #4: ", 0), 0u) << ui_.messages[1];
  EXPECT_EQ(column("SELECT \"t\" FROM \"notes\" ORDER BY \"n\""),
            (names{"one", "two", "old", "old"}));
  EXPECT_EQ(driver_->errors(), 2);
  EXPECT_FALSE(driver_->failed());
}

TEST_F(driver_run, IdentityGoesOnAboveTheCopiedValuesWithACarry) {
  // 99 + 1 carries into a new digit.
  source("CREATE TABLE items (id int IDENTITY(1,1) NOT NULL PRIMARY KEY, v int NULL)\n"
         "SET IDENTITY_INSERT items ON\n"
         "INSERT INTO items (id, v) VALUES (5, 1), (99, 2), (12, 3)\n"
         "SET IDENTITY_INSERT items OFF\n");
  run({u"items"});
  ASSERT_EQ(ui_.messages, names{});
  exec("INSERT INTO \"items\" (\"v\") VALUES (4)");
  EXPECT_EQ(one("SELECT TO_CHAR(\"id\") FROM \"items\" WHERE \"v\" = 4"), "100");
  EXPECT_EQ(sequences(), names{"items_0"});
}

TEST_F(driver_run, OverwriteRunsMakeTheSameNamesEveryTime) {
  source("CREATE TABLE [Order Details] (id int IDENTITY(1,1) NOT NULL, q int NULL, "
         "CONSTRAINT PK_od PRIMARY KEY (id))\n"
         "CREATE INDEX IX_q ON [Order Details] (q)\n"
         "INSERT INTO [Order Details] (q) VALUES (1), (2)\n"
         "CREATE TABLE customers (id int IDENTITY(1,1) NOT NULL PRIMARY KEY, n int NULL)\n"
         "INSERT INTO customers (n) VALUES (7)\n");
  run({u"Order Details", u"customers"});
  ASSERT_EQ(ui_.messages, names{});
  const names first_tables = tables();
  const names first_indexes = indexes();
  const names first_sequences = sequences();
  EXPECT_EQ(first_tables, (names{"Order_Details", "customers"}));
  EXPECT_EQ(first_sequences, (names{"Order_Details_0", "customers_0"}));
  for (int i = 0; i < 3; ++i) run({u"Order Details", u"customers"});
  EXPECT_EQ(ui_.messages, names{});
  EXPECT_EQ(tables(), first_tables);
  EXPECT_EQ(indexes(), first_indexes);
  EXPECT_EQ(sequences(), first_sequences);
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"Order_Details\""), "2");
  exec("INSERT INTO \"customers\" (\"n\") VALUES (8)");
  EXPECT_EQ(one("SELECT TO_CHAR(\"id\") FROM \"customers\" WHERE \"n\" = 8"), "2");

  // Skip applies to the mapped name as to any other.
  driver_->conversion_mode = tessaly_convertor::kSkip;
  exec("DELETE FROM \"Order_Details\"");
  run({u"Order Details"});
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"Order_Details\""), "0");
  EXPECT_EQ(tables(), first_tables);
}

TEST_F(driver_run, SequencesLeaveTheirNamesToTablesOfTheRun) {
  source("CREATE TABLE orders (id int IDENTITY(1,1) NOT NULL, v int NULL)\n"
         "INSERT INTO orders (v) VALUES (1)\n"
         "CREATE TABLE orders_0 (x int NULL)\nINSERT INTO orders_0 VALUES (5)\n");
  run({u"orders", u"orders_0"});
  EXPECT_EQ(ui_.messages, names{});
  EXPECT_EQ(tables(), (names{"orders", "orders_0"}));
  EXPECT_EQ(sequences(), names{"orders_1"});
  EXPECT_EQ(one("SELECT TO_CHAR(\"x\") FROM \"orders_0\""), "5");
}

TEST_F(driver_run, NamesFitOraclesThirtyBytes) {
  // 18 characters, 35 bytes in UTF-8.
  source("CREATE TABLE [Заказы_покупателей] ([" + std::string(64, 'e') + "] int NULL, "
         "[Сумма_заказа_покупателя_итого] int NULL)\n"
         "INSERT INTO [Заказы_покупателей] VALUES (1, 2)\n");
  // A column of 64 "é" (128 bytes).
  std::string e_acute;
  for (int i = 0; i < 64; ++i) e_acute += "\xC3\xA9";
  source("CREATE TABLE accents ([" + e_acute + "] int NULL)\nINSERT INTO accents VALUES (3)\n");
  run({u"Заказы_покупателей", u"accents"});
  EXPECT_EQ(ui_.messages, names{});
  EXPECT_EQ(driver_->errors(), 0);
  for (const std::string& t : tables()) EXPECT_LE(t.size(), 30u) << t;
  for (const std::string& c : column("SELECT column_name FROM user_tab_columns"))
    EXPECT_LE(c.size(), 30u) << c;
  EXPECT_EQ(tables(), (names{"accents", "Заказы_покупате"}));
  // Cut on a character boundary: 14 "é" are 28 bytes.
  std::string fourteen;
  for (int i = 0; i < 14; ++i) fourteen += "\xC3\xA9";
  EXPECT_EQ(one("SELECT column_name FROM user_tab_columns WHERE table_name = 'accents'"),
            fourteen);
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"Заказы_покупате\""), "1");
}

TEST_F(driver_run, QueriesThatCouldWriteStopTheRunBeforeAnythingRuns) {
  source("CREATE TABLE victim (n int NULL)\nINSERT INTO victim VALUES (1)\n"
         "CREATE TABLE keep (n int NULL)\n");
  for (const char16_t* sql : {u"DROP TABLE victim", u"DELETE FROM victim",
                              u"SELECT n FROM victim; DELETE FROM victim",
                              u"UPDATE victim SET n = 2", u"INSERT INTO victim VALUES (9)"}) {
    driver_->selected_entries = {{u"q", sql}};
    run({u"keep"});
    EXPECT_TRUE(driver_->failed());
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].rfind("q: The query must ", 0), 0u) << ui_.messages[0];
    EXPECT_EQ(tables(), names{});
  }
  driver_->selected_entries = {{u"q", u"SELECT n FROM victim"}};
  run({});
  EXPECT_FALSE(driver_->failed());
  EXPECT_EQ(column("SELECT TO_CHAR(\"n\") FROM \"q\""), names{"1"});
}

TEST_F(driver_run, AMultiLineQueryKeepsItsMeaningThroughAProfile) {
  source("CREATE TABLE t (a int NULL, b nvarchar(10) NULL)\n"
         "INSERT INTO t VALUES (1, N'x'), (2, N'y'), (3, N'z'), "
         "(4, N'li\r\nne')\n");
  driver_->selected_entries = {
      {u"q", u"SELECT a, b -- both columns\r\nFROM t\r\nWHERE a > 1 -- not the first\r\n"
             u"AND b <> 'it''s -- no comment' AND b <> N'li\r\nne'"}};
  std::string path = dir_.file("p.tsl");
  ASSERT_TRUE(driver_->store_profile(path));
  driver_->selected_entries.clear();
  ASSERT_TRUE(driver_->load_profile(path));
  run({});
  EXPECT_EQ(ui_.messages, names{});
  EXPECT_EQ(column("SELECT TO_CHAR(\"a\") FROM \"q\" ORDER BY 1"), (names{"2", "3"}));
}

TEST_F(driver_run, MissingTablesAndEmptySourcesAreErrors) {
  driver_->set_agent(true);
  driver_->set_silent(true);
  run({});
  EXPECT_EQ(driver_->errors(), 1);
  EXPECT_EQ(ui_.messages, names{"Database 'src' has no tables this login can read."});
  source("CREATE TABLE here (n int NULL)\n");
  run({u"here", u"gone"});
  EXPECT_EQ(driver_->errors(), 1);
  EXPECT_EQ(tables(), names{"here"});
}

TEST_F(driver_run, RunLevelErrorsFailTheRun) {
  driver_->database_name = u"nodb";
  run({u"t"});
  EXPECT_TRUE(driver_->failed());
  EXPECT_EQ(ui_.messages.size(), 1u);
}

}  // namespace
