// The tool as a user runs it: a database, a user, a script, a table.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "testing/temp_dir.h"

namespace {

struct outcome {
  int status;
  std::string out;
};

outcome run(const std::string& dir, const std::string& args, const std::string& env = "") {
  // bash for its here-strings.
  std::string line = "env -u TSL_ORACLE_PASSWORD " + env + "TSL_ORACLE_DATA='" + dir + "' '" +
                     TSL_ORACLE_TOOL + "' " + args + " 2>&1";
  std::string quoted;
  for (char c : line) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  std::string cmd = "bash -c '" + quoted + "'";
  FILE* p = popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(tool, CreatesDatabaseUserAndPrintsTables) {
  tsl::testing::temp_dir dir;
  EXPECT_EQ(run(dir.path(), "create-db demo --port 1600 --version 7.3").status, 0);
  EXPECT_EQ(run(dir.path(), "create-user demo scott tiger").status, 0);
  tsl::testing::write_file(
      dir.file("s.sql"),
      "create table t (id number(5), name varchar2(10));\n"
      "insert into t values (1, 'one');\ninsert into t values (22, 'twenty-two');\n"
      "select id, name from t order by id;\n");
  outcome o = run(dir.path(), "sql DEMO scott/tiger -f " + dir.file("s.sql"));
  EXPECT_EQ(o.status, 0) << o.out;
  EXPECT_NE(o.out.find("Table created."), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("ID NAME\n-- ----------\n 1 one\n22 twenty-two\n\n2 rows selected."),
            std::string::npos)
      << o.out;
  outcome v =
      run(dir.path(), "sql 127.0.0.1:1600/ANY scott/tiger -e \"select banner from v\\$version\"");
  EXPECT_NE(v.out.find("Oracle7 Server Release 7.3.4.0.0 - Production"), std::string::npos)
      << v.out;
}

TEST(tool, ReportsOracleErrorsAndFailsTheRun) {
  tsl::testing::temp_dir dir;
  run(dir.path(), "create-db orcl");
  run(dir.path(), "create-user orcl scott tiger");
  outcome o = run(dir.path(), "sql orcl scott/tiger -e \"select * from missing\"");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.out.find("ORA-00942: table or view does not exist"), std::string::npos) << o.out;
  outcome bad = run(dir.path(), "sql orcl scott/lion -e \"select 1 from dual\"");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("ORA-01017"), std::string::npos);
  EXPECT_EQ(run(dir.path(), "frob").status, 2);
}

}  // namespace

namespace {

TEST(tool, ScriptsFromStandardInputWithTriggers) {
  tsl::testing::temp_dir dir;
  run(dir.path(), "create-db orcl --port 1700");
  run(dir.path(), "create-user orcl scott tiger");
  tsl::testing::write_file(
      dir.file("in.sql"),
      "create table t (id number(11,0), name varchar2(10));\n"
      "create sequence t_0 nocache;\n"
      "create or replace trigger t__trigger before insert on t for each row\n"
      "when (new.id is null)\nbegin\n  select t_0.nextval into :new.id from dual;\nend;\n/\n"
      "insert into t (name) values ('auto');\n"
      "insert into t (name) values ('second');\n"
      "select id, name from t order by id;\n");
  outcome o = run(dir.path(), "sql orcl scott/tiger < " + dir.file("in.sql"));
  EXPECT_EQ(o.status, 0) << o.out;
  EXPECT_NE(o.out.find("Trigger created."), std::string::npos) << o.out;
  EXPECT_NE(o.out.find(" 1 auto\n 2 second\n"), std::string::npos) << o.out;
  outcome list = run(dir.path(), "list-dbs");
  EXPECT_NE(list.out.find("ORCL port 1700 release 19.3.0.0.0"), std::string::npos) << list.out;
  EXPECT_EQ(run(dir.path(), "create-db orcl").status, 1);
  // Without a password on the line it comes from standard input: none there.
  EXPECT_EQ(run(dir.path(), "sql orcl scott < /dev/null").status, 1);
}

}  // namespace

namespace {

TEST(tool, RevokesAndGrantsCreateSequence) {
  tsl::testing::temp_dir dir;
  run(dir.path(), "create-db orcl");
  run(dir.path(), "create-user orcl scott tiger");
  outcome revoked = run(dir.path(), "revoke orcl scott \"create sequence\"");
  EXPECT_EQ(revoked.status, 0) << revoked.out;
  EXPECT_EQ(revoked.out, "Revoke succeeded.\n");
  outcome denied = run(dir.path(), "sql orcl scott/tiger -e \"create sequence s\"");
  EXPECT_EQ(denied.status, 1);
  EXPECT_NE(denied.out.find("ORA-01031: insufficient privileges"), std::string::npos) << denied.out;
  EXPECT_EQ(run(dir.path(), "grant orcl scott \"CREATE SEQUENCE\"").out, "Grant succeeded.\n");
  EXPECT_EQ(run(dir.path(), "sql orcl scott/tiger -e \"create sequence s\"").status, 0);
  // Wrong names: a usage error for the privilege, ORA-01918 for the user.
  outcome unknown = run(dir.path(), "revoke orcl scott \"CREATE TABLE\"");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.out.find("unknown privilege 'CREATE TABLE'"), std::string::npos) << unknown.out;
  outcome nobody = run(dir.path(), "grant orcl nobody \"CREATE SEQUENCE\"");
  EXPECT_EQ(nobody.status, 1);
  EXPECT_NE(nobody.out.find("ORA-01918: user 'NOBODY' does not exist"), std::string::npos)
      << nobody.out;
  EXPECT_EQ(run(dir.path(), "revoke orcl scott").status, 2);
}

}  // namespace

namespace {

TEST(tool, PasswordsFromTheEnvironmentOrStandardInput) {
  tsl::testing::temp_dir dir;
  run(dir.path(), "create-db orcl");
  EXPECT_EQ(run(dir.path(), "create-user orcl bob <<< 'b0b pw'").status, 0);
  outcome o = run(dir.path(), "sql orcl bob -e \"select 'in' from dual\" <<< 'b0b pw'");
  EXPECT_EQ(o.status, 0) << o.out;
  // Statements follow the password on standard input.
  o = run(dir.path(), "sql orcl bob <<< $'b0b pw\\nselect 7 from dual;'");
  EXPECT_EQ(o.status, 0) << o.out;
  EXPECT_NE(o.out.find("7"), std::string::npos) << o.out;
  o = run(dir.path(), "sql orcl bob -e \"select 1 from dual\" < /dev/null");
  EXPECT_NE(o.out.find("ORA-01017"), std::string::npos) << o.out;
  std::string env = "TSL_ORACLE_PASSWORD='s3 cret' ";
  EXPECT_EQ(run(dir.path(), "create-user orcl dora", env).status, 0);
  EXPECT_EQ(run(dir.path(), "sql orcl dora -e \"select 1 from dual\"", env).status, 0);
  o = run(dir.path(), "--help");
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("TSL_ORACLE_PASSWORD"), std::string::npos) << o.out;
}

TEST(tool, DeepNestingIsRefusedNotACrash) {
  tsl::testing::temp_dir dir;
  run(dir.path(), "create-db orcl");
  run(dir.path(), "create-user orcl scott tiger");
  tsl::testing::write_file(dir.file("parens.sql"), "select " + std::string(10000, '(') + "1" +
                                                       std::string(10000, ')') + " from dual;\n");
  std::string nots;
  for (int i = 0; i < 100000; ++i) nots += "NOT ";
  tsl::testing::write_file(dir.file("nots.sql"), "select 1 from dual where " + nots + "1 = 1;\n");
  for (const char* file : {"parens.sql", "nots.sql"}) {
    outcome o = run(dir.path(), std::string("sql orcl scott/tiger -f ") + dir.file(file));
    EXPECT_EQ(o.status, 1) << file;
    EXPECT_NE(o.out.find("ORA-01778"), std::string::npos) << o.out.substr(0, 200);
  }
  // Ordinary nesting still works.
  outcome o = run(dir.path(), "sql orcl scott/tiger -e \"select ((((1)))) from dual\"");
  EXPECT_EQ(o.status, 0) << o.out;
}

}  // namespace
