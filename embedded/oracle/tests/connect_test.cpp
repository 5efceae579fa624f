#include <sys/stat.h>

#include "embedded/oracle/tests/engine_fixture.h"

namespace tsl::eora::testing {
namespace {

using connect = engine_test;

int logon_error(const std::string& connect_string, const std::string& user = "scott",
                const std::string& password = "tiger") {
  try {
    session::logon(connect_string, user, password);
  } catch (const oracle_error& e) {
    return e.code();
  }
  return 0;
}

TEST_F(connect, ServiceNamesEasyConnectAndDescriptors) {
  EXPECT_EQ(logon_error("orcl"), 0);
  EXPECT_EQ(logon_error(" ORCL "), 0);
  EXPECT_EQ(logon_error("localhost:1521/orcl"), 0);
  EXPECT_EQ(logon_error("//127.0.0.1/orcl"), 0);
  EXPECT_EQ(logon_error("(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=localhost)(PORT=1521))(CONNECT_"
                        "DATA=(SID=ORCL)))"),
            0);
  EXPECT_EQ(logon_error(""), 12154);
  EXPECT_EQ(logon_error("other"), 12154);
  EXPECT_EQ(logon_error("no such"), 12154);
  EXPECT_EQ(logon_error("../ORCL"), 12545);
  EXPECT_EQ(logon_error("localhost:1599/orcl"), 12541);
  EXPECT_EQ(logon_error("db.example.invalid:1521/orcl"), 12545);
  EXPECT_EQ(logon_error("orcl", "SCOTT", "TIGER"), 1017);
  EXPECT_EQ(logon_error("orcl", "\"scott\"", "tiger"), 1017);
}

TEST_F(connect, AFileThatCannotBeOpenedSaysSo) {
  // Not a database of ours: no such service.
  tsl::testing::write_file(dir_.file("JUNK.db"), std::string(4096, 'j'));
  EXPECT_EQ(logon_error("junk"), 12154);
  // A database file that cannot be opened is its own error, not a wrong name.
  ASSERT_EQ(mkdir(dir_.file("BROKEN.db").c_str(), 0700), 0);
  EXPECT_EQ(logon_error("broken"), 1157);
}

TEST_F(connect, SeveralDatabasesOnOnePort) {
  create_database("SECOND", default_port, "11.2");
  create_user("SECOND", "scott", "tiger");
  EXPECT_EQ(logon_error("localhost:1521/second"), 0);
  EXPECT_EQ(logon_error("localhost:1521/orcl"), 0);
  // The direct way names no database the listener knows.
  EXPECT_EQ(logon_error("(DESCRIPTION=(CONNECT_DATA=(SERVICE_NAME=127.0.0.1))(ADDRESS=(PROTOCOL="
                        "TCP)(HOST=127.0.0.1)"
                        "(PORT=1521)))"),
            12514);
  auto s = session::logon("second", "scott", "tiger");
  EXPECT_EQ(s->database().version.full, "11.2.0.0.0");
  EXPECT_EQ(list_databases().size(), 2u);
}

TEST_F(connect, CreationRefusesBadNamesAndDuplicates) {
  EXPECT_THROW(create_database("ORCL", default_port, "current"), std::runtime_error);
  EXPECT_THROW(create_database("a/b", default_port, "current"), std::runtime_error);
  EXPECT_THROW(create_database("x", 0, "current"), std::runtime_error);
  EXPECT_THROW(create_database("x", 1521, "6.0"), std::runtime_error);
  EXPECT_THROW(create_user("ORCL", "scott", "again"), oracle_error);
  EXPECT_THROW(create_user("NOPE", "scott", "again"), oracle_error);
  EXPECT_THROW(create_user("ORCL", "empty", ""), oracle_error);
}

TEST_F(connect, FilesAreOwnerOnlyAndHoldNoPassword) {
  std::string path = dir_.file("ORCL.db");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  create_user("ORCL", "carol", "Plain-Text-Secret-42");
  s_.reset();
  std::string bytes = tsl::testing::read_file(path) + tsl::testing::read_file(path + "-wal");
  EXPECT_EQ(bytes.find("Plain-Text-Secret-42"), std::string::npos);
  EXPECT_EQ(logon_error("ORCL", "carol", "Plain-Text-Secret-42"), 0);
}

}  // namespace
}  // namespace tsl::eora::testing
