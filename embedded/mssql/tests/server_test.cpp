// Logins, server directories and durability across reopening.
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql::testing {
namespace {

class server_test : public server_fixture {};

TEST_F(server_test, SqlLoginsCheckHashedPasswords) {
  srv_->add_login("bob", "s3cret;x", "shop");
  login_request l;
  l.user = "bob";
  l.password = "s3cret;x";
  session bob(srv_, l);
  EXPECT_EQ(bob.current().name(), "shop");
  EXPECT_FALSE(bob.is_dbo());
  l.password = "wrong";
  try {
    session bad(srv_, l);
    FAIL();
  } catch (const sql_error& e) {
    EXPECT_EQ(e.number(), 18456);
    EXPECT_EQ(e.hresult(), 0x80040E4Du);
    EXPECT_STREQ(e.what(), "Login failed for user 'bob'.");
  }
  std::string logins = tsl::testing::read_file(srv_->dir() + "/logins");
  EXPECT_EQ(logins.find("s3cret"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(stat((srv_->dir() + "/logins").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // A database's file holds its rows: the owner's alone.
  ASSERT_EQ(stat((srv_->dir() + "/data/shop.sqlite").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(server_test, SaWorksAsDboAndOthersUseTheirSchema) {
  srv_->add_login("sa", "pw");
  srv_->add_login("ann", "pw");
  s_->run_script("CREATE SCHEMA ann\nGO\nCREATE TABLE dbo.t (a int)\nCREATE TABLE ann.t (b int)");
  login_request l;
  l.user = "SA";
  l.password = "pw";
  l.initial_catalog = "shop";
  session sa(srv_, l);
  EXPECT_TRUE(sa.is_dbo());
  EXPECT_EQ(sa.execute("SELECT * FROM t")->columns()[0].name, "a");
  l.user = "ann";
  session ann(srv_, l);
  EXPECT_EQ(ann.execute("SELECT * FROM t")->columns()[0].name, "b");
  EXPECT_THROW(ann.execute("CREATE DATABASE other"), sql_error);
}

TEST_F(server_test, MissingInitialCatalogGivesTwoRecords) {
  login_request l;
  l.integrated = true;
  l.initial_catalog = "nodb";
  try {
    session s(srv_, l);
    FAIL();
  } catch (const sql_error& e) {
    ASSERT_EQ(e.records().size(), 2u);
    EXPECT_EQ(e.records()[0].number, 4060);
    EXPECT_EQ(e.records()[1].number, 18456);
    EXPECT_EQ(e.hresult(), 0x80004005u);
  }
}

TEST_F(server_test, EverythingSurvivesReopening) {
  s_->run_script(
      "CREATE TABLE keep (id int IDENTITY(10,5) PRIMARY KEY, v nvarchar(10) DEFAULT N'x')\n"
      "CREATE UNIQUE INDEX ux ON keep (v)\n"
      "INSERT INTO keep (v) VALUES (N'a'), (N'b')");
  std::string dir = srv_->dir();
  s_.reset();
  srv_.reset();
  auto srv = server::open(dir);
  login_request l;
  l.integrated = true;
  l.initial_catalog = "shop";
  session s(srv, l);
  s.execute("INSERT INTO keep DEFAULT VALUES");
  auto r = rows_of(s.execute("SELECT id, v FROM keep ORDER BY id"));
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[2], (std::vector<std::string>{"20", "x"}));
  try {
    s.execute("INSERT INTO keep (v) VALUES (N'a')");
    FAIL();
  } catch (const sql_error& e) {
    EXPECT_EQ(e.number(), 2601);
  }
  auto cols = rows_of(s.execute("EXEC sp_columns keep"));
  EXPECT_EQ(cols[1][12], "(N'x')");
}

TEST_F(server_test, CreateRefusesAnExistingServer) {
  EXPECT_THROW(server::create(srv_->dir()), std::runtime_error);
  EXPECT_THROW(server::open(dir_.path() + "/none"), std::runtime_error);
}

}  // namespace
}  // namespace tsl::mssql::testing

namespace tsl::mssql::testing {
namespace {

class threads_test : public server_fixture {};

// Sessions on several threads create, fill and read tables of one database
// at the same time; every statement sees a consistent catalogue.
TEST_F(threads_test, SessionsOnSeveralThreads) {
  s_->execute("CREATE TABLE shared (n int)");
  std::vector<std::thread> workers;
  std::atomic<int> failures{0};
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([&, w] {
      try {
        login_request l;
        l.integrated = true;
        l.initial_catalog = "shop";
        session s(srv_, l);
        s.execute("CREATE TABLE own" + std::to_string(w) + " (n int)");
        for (int i = 0; i < 50; ++i) {
          s.execute("INSERT INTO shared VALUES (" + std::to_string(i) + ")");
          s.execute("INSERT INTO own" + std::to_string(w) + " VALUES (" + std::to_string(i) + ")");
          auto r = s.execute("SELECT count(*) FROM shared");
          std::vector<value> row;
          if (!r->next(row)) ++failures;
        }
      } catch (const std::exception&) {
        ++failures;
      }
    });
  }
  for (auto& t : workers) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(one("SELECT count(*) FROM shared"), "200");
  EXPECT_EQ(one("SELECT count(*) FROM own3"), "50");
}

}  // namespace
}  // namespace tsl::mssql::testing
