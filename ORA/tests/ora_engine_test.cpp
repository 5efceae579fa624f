// The Oracle session against the embedded Oracle: logon both ways, a second
// logon, the version probe, counts, and Oracle errors through the status
// check and the message table.
#include "ORA/ora_engine.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "ORA/ora_exception.h"
#include "ORA/ora_messages.h"
#include "ORA/ora_stmt.h"
#include "common/tk_error_converter.h"
#include "embedded/oracle/database.h"
#include "testing/temp_dir.h"

namespace {

class ora : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TSL_ORACLE_DATA", dir_.path().c_str(), 1);
    setenv("TSL_ORACLE_CLIENT", "embedded", 1);
    tsl::eora::create_database("ORCL", 1521, "current");
    tsl::eora::create_user("ORCL", "scott", "tiger");
  }
  void TearDown() override {
    unsetenv("TSL_ORACLE_CLIENT");
    unsetenv("TSL_ORACLE_DATA");
  }
  // Runs a statement through the engine's handles.
  void run(ora_engine& e, const std::u16string& sql) {
    ora_stmt s;
    e.check_result(
        e.oci().OCIStmtPrepare(s, e.error(), reinterpret_cast<const OraText*>(sql.data()),
                               static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT));
    e.check_result(
        e.oci().OCIStmtExecute(e.service(), s, e.error(), 1, 0, nullptr, nullptr, OCI_DEFAULT));
  }
  uint32_t failure_code(ora_engine& e, const std::u16string& db, const std::u16string& pw,
                        std::string* text) {
    try {
      e.logon(db, u"scott", pw);
    } catch (const ora_exception& x) {
      *text = x.message();
      return x.system_error();
    }
    return 0;
  }

  tsl::testing::temp_dir dir_;
};

TEST_F(ora, LogonByServiceNameAndByHostAndPort) {
  ora_engine e;
  e.logon(u"orcl", u"scott", u"tiger");
  EXPECT_NE(e.service(), nullptr);
  run(e, u"create table \"T\" (a number)");
  // A second logon logs the first off; the environment is kept.
  OCIEnv* env = e.env();
  e.logon(u"127.0.0.1", u"scott", u"tiger", u"1521");
  EXPECT_EQ(e.env(), env);
  EXPECT_EQ(e.get_records_cnt(u"T"), 0);
  EXPECT_EQ(ora_engine::make_descriptor(u"10.0.0.5", u"1521"),
            u"(DESCRIPTION=(CONNECT_DATA=(SERVICE_NAME=10.0.0.5))(ADDRESS=(PROTOCOL=TCP)(HOST=10.0."
            u"0.5)(PORT=1521)))");
}

TEST_F(ora, CountsTablesExactlyAndQueries) {
  ora_engine e;
  e.logon(u"ORCL", u"scott", u"tiger");
  run(e, u"create table \"Mixed\" (a number)");
  run(e, u"insert into \"Mixed\" values (1)");
  run(e, u"insert into \"Mixed\" values (2)");
  EXPECT_EQ(e.get_records_cnt(u"Mixed"), 2);
  EXPECT_EQ(e.get_records_cnt(u"select a from \"Mixed\" where a > 1 order by a", true), 1);
  EXPECT_THROW(e.get_records_cnt(u"MIXED"), ora_exception);
}

TEST_F(ora, ErrorsCarryCodesAndMapThroughTheMessageTable) {
  tk_error_converter messages(ora_messages_count, ora_messages);
  ora_engine e;
  std::string text;
  EXPECT_EQ(failure_code(e, u"ORCL", u"lion", &text), 0x1003F9u);
  EXPECT_EQ(text, "ORA-01017: invalid username/password; logon denied");
  EXPECT_EQ(messages.convert(0x1003F9), "Invalid user name or password.");
  EXPECT_EQ(failure_code(e, u"NOWHERE", u"tiger", &text), 0x102F7Au);
  EXPECT_EQ(messages.convert(0x102F7A),
            "Oracle data source does not exist. Check to verify the correct name was given.");
  e.logon(u"ORCL", u"scott", u"tiger");
  try {
    run(e, u"select * from nothing");
    FAIL() << "no error";
  } catch (const ora_exception& x) {
    EXPECT_EQ(x.system_error(), 1049518u);
    EXPECT_EQ(x.ora_number(), 942);
    EXPECT_EQ(x.severity(), 0);
    EXPECT_EQ(messages.convert(x.system_error()), "");
  }
  // The connection survives a failed statement.
  run(e, u"create table x (a number)");
}

TEST_F(ora, MessageTable) {
  ASSERT_EQ(ora_messages_count, 12u);
  for (size_t i = 1; i < ora_messages_count; ++i)
    EXPECT_LT(ora_messages[i - 1].code, ora_messages[i].code);
  tk_error_converter messages(ora_messages_count, ora_messages);
  EXPECT_EQ(messages.convert(0x1030E2).back(), '\n');
  EXPECT_EQ(ora_exception(12154, u"x").system_error(), 1060730u);
  EXPECT_EQ(ora_exception(65536 + 1017, u"x").system_error(), 0x1003F9u);
}

TEST_F(ora, ClientThatCannotStartSaysWhy) {
  auto failure = [] {
    ora_engine e;
    try {
      e.logon(u"ORCL", u"scott", u"tiger");
    } catch (const ora_exception& x) {
      return "ora_exception " + x.message();
    } catch (const tk_exception& x) {
      EXPECT_EQ(x.severity(), 1);
      return x.message();
    }
    return std::string("logged on");
  };
  // Beside the not-found text, the loader's reason.
  setenv("TSL_ORACLE_CLIENT", "/nonexistent/libclntsh.so.19.1", 1);
  std::string text = failure();
  EXPECT_EQ(text.rfind("The Oracle client and networking components were not found.", 0), 0u)
      << text;
  EXPECT_NE(text.find("/nonexistent/libclntsh.so.19.1"), std::string::npos) << text;
  // An environment the client cannot create: the client's own reason.
  setenv("TSL_ORACLE_CLIENT", "embedded", 1);
  setenv("NLS_LANG", "KLINGON_QONOS.NOSUCHSET", 1);
  text = failure();
  unsetenv("NLS_LANG");
  EXPECT_NE(text.find("ORA-12705"), std::string::npos) << text;
  EXPECT_EQ(failure(), "logged on");
}

TEST_F(ora, VersionProbe) {
  EXPECT_EQ(
      ora_engine::parse_version("Oracle Database 10g Enterprise Edition Release 10.2.0.1.0 - Prod"),
      0xA0200);
  EXPECT_EQ(ora_engine::parse_version("Oracle8i Enterprise Edition Release 8.1.7.0.0 - Production"),
            0x80107);
  EXPECT_EQ(ora_engine::parse_version("Oracle Database 19c Enterprise Edition"), 0);
  EXPECT_EQ(ora_engine::parse_version(""), 0);
  tsl::eora::create_database("OLD", 1522, "7.3");
  tsl::eora::create_user("OLD", "scott", "tiger");
  ora_engine e;
  e.logon(u"ORCL", u"scott", u"tiger");
  EXPECT_EQ(e.get_version(), 0x130000);
  e.logon(u"OLD", u"scott", u"tiger");
  EXPECT_EQ(e.get_version(), 0x70304);
  EXPECT_LT(e.get_version(), 0x80000);
}

TEST_F(ora, MissingClientIsASeriousError) {
  setenv("TSL_ORACLE_CLIENT", "/nonexistent/libclntsh.so", 1);
  ora_engine e;
  try {
    e.initialize();
    FAIL() << "loaded";
  } catch (const tk_exception& x) {
    EXPECT_EQ(x.severity(), 1);
    EXPECT_EQ(std::string(x.what()).rfind(
                  "The Oracle client and networking components were not found.\n", 0),
              0u);
  }
  EXPECT_FALSE(e.initialized());
}

TEST_F(ora, SharedClientLoadedByPath) {
  setenv("TSL_ORACLE_CLIENT", TSL_OCI_LIB, 1);
  ora_engine e;
  e.logon(u"ORCL", u"scott", u"tiger");
  run(e, u"create table t (a number)");
  EXPECT_EQ(e.get_records_cnt(u"T"), 0);
  EXPECT_EQ(e.get_version(), 0x130000);
}

TEST_F(ora, SecondInstanceIsAnInternalError) {
  ora_engine e;
  EXPECT_THROW(ora_engine(), tk_mail_assertion);
}

}  // namespace
