// Connection strings, connects, version codes, the database list, the owner
// rule and qualified names, against the embedded server.
#include <algorithm>
#include <string>
#include <vector>

#include "MSS/mss_split_tab_name.h"
#include "MSS/odb_exception.h"
#include "MSS/tests/mss_fixture.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace_log.h"

namespace mss_testing {
namespace {

class mss_engine_test : public mss_fixture {
 protected:
  std::string script() override {
    return "CREATE TABLE orders (id int PRIMARY KEY)\n"
           "CREATE TABLE Customers (id int PRIMARY KEY)\n"
           "CREATE SCHEMA bob\nGO\nCREATE TABLE bob.notes (id int)\n"
           "CREATE SCHEMA hr\nGO\nCREATE TABLE hr.people (id int)\n";
  }
};

TEST_F(mss_engine_test, connection_strings_of_both_grammars) {
  EXPECT_EQ(mss_engine::connect_string(u"srv"),
            u"Provider=sqloledb;Data Source=srv;Integrated Security=SSPI;");
  EXPECT_EQ(mss_engine::connect_string(u""),
            u"Provider=sqloledb;Data Source=;Integrated Security=SSPI;");
  EXPECT_EQ(mss_engine::connect_string(u"srv", u"bob", u"pw"),
            u"Provider=sqloledb;Data Source=srv;User Id=bob;Password=pw;");
  engine_->connect(host(), u"bob", u"pw");
  EXPECT_EQ(engine_->make_conn_string(u"src"),
            u"Provider=sqloledb;Data Source=" + host() +
                u";Initial Catalog=src;User ID=bob;Password=pw;");
  EXPECT_EQ(engine_->make_conn_string(u""),
            u"Provider=sqloledb;Data Source=" + host() + u";User ID=bob;Password=pw;");
  engine_->connect(host());
  EXPECT_EQ(engine_->make_conn_string(u"src"),
            u"Provider=sqloledb;Data Source=" + host() +
                u";Initial Catalog=src;Integrated Security=SSPI;");
}

TEST_F(mss_engine_test, values_that_would_change_the_string_are_quoted) {
  EXPECT_EQ(mss_engine::quote_value(u"plain"), u"plain");
  EXPECT_EQ(mss_engine::quote_value(u"a;b"), u"\"a;b\"");
  EXPECT_EQ(mss_engine::quote_value(u"x;\"y"), u"\"x;\"\"y\"");
  EXPECT_EQ(mss_engine::quote_value(u" lead"), u"\" lead\"");
  EXPECT_EQ(mss_engine::quote_value(u"'q"), u"\"'q\"");
  EXPECT_EQ(mss_engine::connect_string(u"srv", u"bob", u"p;Initial Catalog=x"),
            u"Provider=sqloledb;Data Source=srv;User Id=bob;Password=\"p;Initial Catalog=x\";");
  // Traces never show the password, quoted or not.
  EXPECT_EQ(mss_engine::hide_password(u"Data Source=s;User ID=b;Password=secret;"),
            u"Data Source=s;User ID=b;Password=****;");
  EXPECT_EQ(mss_engine::hide_password(u"Data Source=s;Password=\"a;\"\"b\";X=1"),
            u"Data Source=s;Password=****;X=1");
}

TEST_F(mss_engine_test, password_with_a_semicolon_arrives_as_given) {
  tsl::mssql::server::open(dir_)->add_login("eve", "p;Initial Catalog=nowhere", "master");
  engine_->connect(host(), u"eve", u"p;Initial Catalog=nowhere");
  EXPECT_TRUE(engine_->is_connected());
}

TEST_F(mss_engine_test, passwords_stay_out_of_the_trace) {
  tsl::mssql::server::open(dir_)->add_login("carol", "Sesame-42", "master");
  const std::string file = tmp_.file("trace.log");
  {
    tk_trace_log log(file.c_str(), true, 1, false);
    engine_->connect(host(), u"carol", u"Sesame-42");
    db_ = engine_->open_db(u"src", 1);
    std::vector<std::u16string> names;
    engine_->get_contents(names);
    EXPECT_TRUE(engine_->is_db_exist(u"src"));
    EXPECT_THROW(engine_->connect(host(), u"carol", u"Sesame-43"), odb_exception);
  }
  const std::string text = tsl::testing::read_file(file);
  EXPECT_NE(text.find("mss_engine::open_db"), std::string::npos);
  EXPECT_NE(text.find("carol"), std::string::npos);
  EXPECT_EQ(text.find("Sesame"), std::string::npos);
}

TEST_F(mss_engine_test, connect_stores_settings_only_when_it_succeeds) {
  EXPECT_FALSE(engine_->is_connected());
  EXPECT_EQ(engine_->version(), 0);
  EXPECT_THROW(engine_->open_db(u"src", 1), tk_mail_assertion);
  std::vector<std::u16string> names;
  EXPECT_THROW(engine_->get_contents(names), tk_mail_assertion);
  EXPECT_THROW(engine_->is_db_exist(u"src"), tk_mail_assertion);
  EXPECT_THROW(engine_->make_conn_string(u"src"), tk_mail_assertion);

  engine_->connect(host(), u"bob", u"pw");
  EXPECT_TRUE(engine_->is_connected());
  EXPECT_EQ(engine_->version(), mss_engine::version_2008);
  try {
    engine_->connect(host(), u"bob", u"wrong");
    FAIL() << "a wrong password connected";
  } catch (const odb_exception& e) {
    EXPECT_EQ(e.system_error() & 0x80000, 0x80000u);
  }
  EXPECT_EQ(engine_->user(), u"bob");
  EXPECT_FALSE(engine_->is_windows_auth());
  EXPECT_THROW(engine_->connect(u"/nonexistent/server"), odb_exception);
  EXPECT_EQ(engine_->host(), host());
}

TEST_F(mss_engine_test, second_engine_is_an_internal_error) {
  EXPECT_THROW(mss_engine second(1), tk_mail_assertion);
}

TEST_F(mss_engine_test, version_codes) {
  EXPECT_EQ(mss_engine::version_from_text(
                u"Microsoft SQL Server  2000 - 8.00.760 (Intel X86) Dec 17 2002"),
            mss_engine::version_2000);
  EXPECT_EQ(mss_engine::version_from_text(u"Microsoft SQL Server 2005 - 9.00.1399.06 (Intel X86)"),
            mss_engine::version_2005);
  EXPECT_EQ(mss_engine::version_from_text(u"Microsoft SQL Server 2008 (SP1) - 10.0.2531.0 (X64)"),
            mss_engine::version_2008);
  EXPECT_EQ(mss_engine::version_from_text(u"Microsoft SQL Server  7.00 - 7.00.623 (Intel X86)"),
            mss_engine::version_7);
  EXPECT_EQ(mss_engine::version_from_text(u"Microsoft SQL Server 2012 - 11.0.2100.60 (X64)"),
            mss_engine::version_unknown);
  EXPECT_EQ(mss_engine::version_from_text(u"Microsoft SQL Server 2005 - 9"),
            mss_engine::version_unknown);  // 30 characters
  EXPECT_EQ(mss_engine::version_from_text(u"microsoft SQL Server 2005 - 9.00.1399"),
            mss_engine::version_unknown);
  EXPECT_EQ(mss_engine::version_from_text(u""), mss_engine::version_unknown);
}

class mss_engine_2000_test : public mss_fixture {
 protected:
  std::string version_text() override {
    return "Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) May  3 2005 23:18:38";
  }
};

TEST_F(mss_engine_2000_test, version_comes_from_the_server) {
  engine_->connect(host());
  EXPECT_EQ(engine_->version(), mss_engine::version_2000);
}

TEST_F(mss_engine_test, database_list_in_the_servers_order) {
  engine_->connect(host());
  std::vector<std::u16string> names{u"stale"};
  engine_->get_contents(names);
  std::vector<std::u16string> expected;
  for (const std::string& n : tsl::mssql::server::open(dir_)->database_names())
    expected.push_back(tsl::text::utf8_to_utf16(n));
  EXPECT_EQ(names, expected);
  EXPECT_NE(std::find(names.begin(), names.end(), u"src"), names.end());
  EXPECT_TRUE(engine_->is_db_exist(u"src"));
  EXPECT_FALSE(engine_->is_db_exist(u"nowhere"));
}

TEST_F(mss_engine_test, split_names) {
  std::u16string table = u"keep", owner = u"keep";
  EXPECT_FALSE(mss_split_tab_name(u"[]", table, owner));
  EXPECT_FALSE(mss_split_tab_name(u"o.t", table, owner));
  EXPECT_FALSE(mss_split_tab_name(u"[a", table, owner));
  EXPECT_EQ(table, u"keep");
  EXPECT_TRUE(mss_split_tab_name(u"[a]", table, owner));
  EXPECT_EQ(table, u"a");
  EXPECT_EQ(owner, u"");
  EXPECT_TRUE(mss_split_tab_name(u"[o].[t]", table, owner));
  EXPECT_EQ(owner, u"o");
  EXPECT_EQ(table, u"t");
  EXPECT_TRUE(mss_split_tab_name(u"[o].[t].[u]", table, owner));
  EXPECT_EQ(owner, u"o");
  EXPECT_EQ(table, u"t].[u");
  EXPECT_EQ(mss_bracket_escape(u"a]b]]"), u"a]]b]]]]");
  EXPECT_EQ(mss_bracket_unescape(u"a]]b]]]]"), u"a]b]]");
  EXPECT_EQ(mss_bracket_unescape(u"a]"), u"a]");
}

TEST_F(mss_engine_test, owner_rule_and_qualified_names) {
  engine_->connect(host());
  EXPECT_EQ(engine_->get_safe_tname(u"Orders"), u"[dbo].[Orders]");
  EXPECT_EQ(engine_->get_safe_tname(u"o.t"), u"[dbo].[o.t]");
  EXPECT_EQ(engine_->get_safe_tname(u"[t]"), u"[dbo].[t]");
  EXPECT_EQ(engine_->get_safe_tname(u"[x].[Orders]"), u"[x].[Orders]");
  engine_->connect(host(), u"bob", u"pw");
  EXPECT_EQ(engine_->owner(), u"bob");
  EXPECT_EQ(engine_->get_safe_tname(u"Orders"), u"[bob].[Orders]");
  engine_->set_as_dbo(true);
  EXPECT_EQ(engine_->get_safe_tname(u"Orders"), u"[dbo].[Orders]");
  engine_->set_as_dbo(false);
  engine_->connect(host(), u"SA", u"sapw");
  EXPECT_EQ(engine_->owner(), u"dbo");
  EXPECT_EQ(engine_->get_safe_tname(u"Orders"), u"[dbo].[Orders]");
  engine_->connect(host(), u"bob", u"pw");
  engine_->connect(host());
  EXPECT_EQ(engine_->owner(), u"dbo");
}

TEST_F(mss_engine_test, table_list_holds_the_owners_base_tables) {
  mss_database& db = open();
  EXPECT_EQ(db.name(), u"src");
  EXPECT_EQ(db.mode(), 1);
  std::vector<std::u16string> names = db.table_names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Customers", u"orders"}));
  EXPECT_TRUE(db.is_table_exist(u"customers"));
  db_.reset();
  mss_database& as_bob = open(true);
  EXPECT_EQ(as_bob.table_names(), (std::vector<std::u16string>{u"notes"}));
}

TEST_F(mss_engine_test, queries_through_the_database) {
  mss_database& db = open();
  EXPECT_TRUE(db.test_query(u"SELECT id FROM orders"));
  EXPECT_FALSE(db.test_query(u"SELECT id FROM missing"));
  EXPECT_FALSE(db.test_query(u"SELEC nonsense"));
  run("USE src\nGO\nINSERT INTO orders VALUES (7)\n");
  auto rs = db.query(u"SELECT id FROM orders");
  rs->reset();
  ASSERT_FALSE(rs->is_eof());
  EXPECT_EQ((*rs->get_item())[0].to_wstring(), u"7");
  EXPECT_THROW(db.query(u"SELECT nope FROM orders"), odb_exception);
  EXPECT_THROW(db.create_table(u"x", udb_schema(), udb_indexes()), tk_mail_assertion);
}

}  // namespace
}  // namespace mss_testing
