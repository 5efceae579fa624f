// How values compare and which types a release accepts: where the embedded
// engine must be as strict as a real Oracle.
#include <gtest/gtest.h>

#include "embedded/oracle/tests/engine_fixture.h"

namespace tsl::eora::testing {
namespace {

class char_semantics : public engine_test {};

TEST_F(char_semantics, FixedLengthTextComparesBlankPadded) {
  exec("CREATE TABLE t (code CHAR(10 CHAR), name VARCHAR2(10 CHAR), n NCHAR(4))");
  exec("INSERT INTO t VALUES ('Boston', 'Boston', 'ab')");
  exec("INSERT INTO t VALUES ('Bost', 'Bost  ', NULL)", true);
  // CHAR against a literal: both padded, so trailing blanks do not count.
  EXPECT_EQ(one("SELECT name FROM t WHERE code = 'Boston'"), "Boston");
  EXPECT_EQ(one("SELECT name FROM t WHERE code = 'Boston   '"), "Boston");
  EXPECT_EQ(one("SELECT code FROM t WHERE n = 'ab'"), "Boston    ");
  EXPECT_EQ(rows("SELECT name FROM t WHERE code IN ('Bost', 'x')"),
            (std::vector<std::string>{"Bost  "}));
  EXPECT_EQ(rows("SELECT name FROM t WHERE code BETWEEN 'Bost' AND 'Bost'"),
            (std::vector<std::string>{"Bost  "}));
  // VARCHAR2 keeps nonpadded semantics: its blanks are part of the value.
  EXPECT_EQ(one("SELECT code FROM t WHERE name = 'Bost'"), "(no rows)");
  EXPECT_EQ(one("SELECT code FROM t WHERE name = 'Bost  '"), "Bost      ");
  // CHAR against VARCHAR2 is nonpadded too.
  EXPECT_EQ(one("SELECT name FROM t WHERE code = name"), "(no rows)");
  // Blank padding orders a shorter value as if blanks followed it.
  EXPECT_EQ(one("SELECT name FROM t WHERE code < 'Bost!'"), "Bost  ");
}

TEST_F(char_semantics, FunctionsTheDestinationUses) {
  exec("CREATE TABLE f (id NUMBER, who VARCHAR2(30) DEFAULT USER, g RAW(16) DEFAULT SYS_GUID(), "
       "d DATE DEFAULT TRUNC(SYSDATE), s VARCHAR2(10) DEFAULT TO_CHAR(SYSDATE, 'YYYY-MM-DD'))");
  exec("INSERT INTO f (id) VALUES (1)");
  exec("INSERT INTO f (id) VALUES (2)", true);
  EXPECT_EQ(one("SELECT who FROM f WHERE id = 1"), "SCOTT");
  EXPECT_EQ(one("SELECT COUNT(DISTINCT g) FROM f"), "2");
  EXPECT_EQ(one("SELECT LENGTH(g) FROM f WHERE id = 1"), "32");
  EXPECT_EQ(one("SELECT TO_CHAR(d, 'HH24:MI:SS') FROM f WHERE id = 1"), "00:00:00");
  EXPECT_EQ(one("SELECT LENGTH(s) FROM f WHERE id = 2"), "10");
  // CHR joins characters a literal cannot hold.
  EXPECT_EQ(one("SELECT LENGTH('a' || CHR(0) || 'b') FROM dual"), "3");
  EXPECT_EQ(one("SELECT CHR(65) || CHR(233) FROM dual"), "A\xc3\xa9");
  EXPECT_EQ(error_of("SELECT CHR(-1) FROM dual"), 1722);
}

class release_8 : public engine_test {
  std::string version() const override { return "8.1"; }
};

TEST_F(release_8, RefusesCharacterLengthSemantics) {
  EXPECT_EQ(error_of("CREATE TABLE t (a VARCHAR2(10 CHAR))"), 907);
  EXPECT_EQ(error_of("CREATE TABLE t (a CHAR(10 CHAR))"), 907);
  EXPECT_EQ(error_of("CREATE TABLE t (a VARCHAR2(10 BYTE))"), 0);
  EXPECT_EQ(error_of("CREATE TABLE u (a NVARCHAR2(2000), b NCHAR(1000), c CLOB, d RAW(2000))"), 0);
  EXPECT_EQ(error_of("ALTER TABLE t ADD (b VARCHAR2(5 CHAR))"), 907);
  EXPECT_EQ(error_of("ALTER TABLE t MODIFY (a VARCHAR2(20 CHAR))"), 907);
}

class release_7 : public engine_test {
  std::string version() const override { return "7.3"; }
};

TEST_F(release_7, RefusesNationalTypesLobsAndLongLengths) {
  for (const char* type : {"NVARCHAR2(10)", "NCHAR(10)", "CLOB", "BLOB", "NCLOB"})
    EXPECT_EQ(error_of(std::string("CREATE TABLE t (a ") + type + ")"), 902) << type;
  EXPECT_EQ(error_of("CREATE TABLE t (a VARCHAR2(2001))"), 910);
  EXPECT_EQ(error_of("CREATE TABLE t (a CHAR(256))"), 910);
  EXPECT_EQ(error_of("CREATE TABLE t (a RAW(256))"), 910);
  EXPECT_EQ(error_of("CREATE TABLE t (a VARCHAR2(2000), b CHAR(255), c RAW(255), d LONG)"), 0);
  EXPECT_EQ(error_of("ALTER TABLE t ADD (e CLOB)"), 902);
}

}  // namespace
}  // namespace tsl::eora::testing
