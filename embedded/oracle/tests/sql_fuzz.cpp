// Malformed SQL must give an Oracle error, never a crash: every input is
// tokenized and parsed, and what parses is run against a small database.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "embedded/oracle/database.h"
#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/parser.h"
#include "embedded/oracle/session.h"
#include "embedded/oracle/sqlite_db.h"
#include "testing/temp_dir.h"

namespace {

tsl::eora::session& fuzz_session() {
  static tsl::testing::temp_dir dir;
  static std::unique_ptr<tsl::eora::session> s = [] {
    setenv("TSL_ORACLE_DATA", dir.path().c_str(), 1);
    tsl::eora::create_database("FUZZ", 1521, "current");
    tsl::eora::create_user("FUZZ", "u", "p");
    auto s = tsl::eora::session::logon("FUZZ", "u", "p");
    for (const char* sql :
         {"create table t (a number(5,2), b varchar2(10) default 'x' not null, c date, d clob)",
          "create sequence s", "insert into t values (1, 'one', sysdate, empty_clob())"}) {
      auto st = s->parse(sql);
      s->execute(*st, true);
    }
    return s;
  }();
  return *s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string sql(reinterpret_cast<const char*>(data), size);
  tsl::eora::session& s = fuzz_session();
  try {
    tsl::eora::stmt_ptr st = s.parse(sql);
    // Dropping the fixture would only make later inputs dull.
    if (st->kind == tsl::eora::stmt_kind::drop) return 0;
    if (st->kind == tsl::eora::stmt_kind::select)
      s.query(static_cast<tsl::eora::select_stmt&>(*st));
    else
      s.execute(*st, false);
    s.rollback();
  } catch (const tsl::eora::oracle_error& e) {
    if (e.code() <= 0) std::abort();
    s.rollback();
  }
  return 0;
}

extern "C" const char* const* tsl_fuzz_dictionary() {
  static const char* const words[] = {
      "select ",
      "from ",
      "where ",
      "t ",
      "dual ",
      "a",
      "b",
      "c",
      "d",
      "insert into t values (",
      "update t set a = ",
      "delete from t ",
      "create table x (",
      "number(",
      "varchar2(",
      "date",
      "clob",
      "raw(",
      ") ",
      "(",
      ",",
      "'",
      "\"",
      "''",
      "1",
      "1.5e3",
      "-",
      "+",
      "*",
      "/",
      "||",
      "=",
      "<>",
      "<=",
      "and ",
      "or ",
      "not ",
      "null ",
      "is ",
      "like ",
      "in (",
      "between ",
      "order by ",
      "group by ",
      "count(*)",
      "to_date('2010-01-01','YYYY-MM-DD')",
      "s.nextval",
      "rowid",
      "for update",
      "alter table t modify ",
      "add constraint k primary key (a)",
      "unique (b)",
      "create index i on t (",
      "create sequence q ",
      "create or replace trigger g before insert on t for each row ",
      "when (new.a is null) ",
      "begin select s.nextval into :new.a from dual; end;",
      "empty_clob()",
      "returning rowid into :1",
      "user_tables",
      "user_tab_columns",
      "v$version",
      ";",
      ":1",
      "/*+ append */",
      "--",
      "sysdate",
      "upper(",
      "substr(",
      "nvl(",
      "default ",
      "not null",
      "commit",
      "rollback",
      nullptr};
  return words;
}
