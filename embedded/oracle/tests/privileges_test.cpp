// System privileges: revoked and granted per user, kept in the database file.
#include <stdexcept>

#include "embedded/oracle/sqlite_db.h"
#include "embedded/oracle/tests/engine_fixture.h"

namespace tsl::eora::testing {
namespace {

using privileges = engine_test;

TEST_F(privileges, RevokedCreateSequenceFailsUntilGrantedAgain) {
  create_user("ORCL", "adams", "wood");
  revoke_privilege("ORCL", "scott", privilege::create_sequence);
  // The session logged on before the revoke loses it too.
  EXPECT_EQ(error_of("create sequence s1"), 1031);
  EXPECT_EQ(last_message_, "ORA-01031: insufficient privileges");
  auto again = session::logon("ORCL", "scott", "tiger");
  EXPECT_EQ(error_of(*again, "create sequence s1"), 1031);
  EXPECT_TRUE(rows("select sequence_name from user_sequences").empty());
  // Tables still work, and other users keep the privilege.
  exec("create table t (a number)");
  auto adams = session::logon("ORCL", "adams", "wood");
  exec(*adams, "create sequence s1");
  // Revoking twice is harmless; one grant gives it back.
  revoke_privilege("ORCL", "SCOTT", privilege::create_sequence);
  grant_privilege("ORCL", "scott", privilege::create_sequence);
  exec("create sequence s1");
  EXPECT_EQ(rows("select sequence_name from user_sequences"), std::vector<std::string>{"S1"});
  grant_privilege("ORCL", "scott", privilege::create_sequence);
}

TEST_F(privileges, UnknownUsersAndPrivilegeNames) {
  try {
    revoke_privilege("ORCL", "nobody", privilege::create_sequence);
    FAIL() << "revoked from a missing user";
  } catch (const oracle_error& e) {
    EXPECT_EQ(e.code(), 1918);
  }
  // Quoted names are exact: "scott" is not SCOTT.
  EXPECT_THROW(grant_privilege("ORCL", "\"scott\"", privilege::create_sequence), oracle_error);
  EXPECT_THROW(grant_privilege("NOPE", "scott", privilege::create_sequence), oracle_error);
  EXPECT_EQ(parse_privilege("create  sequence"), privilege::create_sequence);
  EXPECT_EQ(parse_privilege(" CREATE\tSequence "), privilege::create_sequence);
  EXPECT_THROW(parse_privilege("CREATE TABLE"), std::invalid_argument);
  EXPECT_THROW(parse_privilege("CREATESEQUENCE"), std::invalid_argument);
  EXPECT_THROW(parse_privilege(""), std::invalid_argument);
}

TEST_F(privileges, DatabasesWithoutThePrivilegeTableStillWork) {
  s_.reset();
  {
    sqlite_conn db(find_database("ORCL").path, false);
    db.exec("DROP TABLE revoked_privileges");
  }
  s_ = session::logon("ORCL", "scott", "tiger");
  exec("create sequence s1");
  revoke_privilege("ORCL", "scott", privilege::create_sequence);
  EXPECT_EQ(error_of("create sequence s2"), 1031);
}

}  // namespace
}  // namespace tsl::eora::testing
