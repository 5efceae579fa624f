// Arbitrary T-SQL through a live server: every input either runs or fails
// with a server error; nothing may crash, hang or throw anything else.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "embedded/mssql/session.h"
#include "embedded/mssql/sql_error.h"
#include "testing/temp_dir.h"

namespace {

struct fixture {
  tsl::testing::temp_dir dir;
  std::unique_ptr<tsl::mssql::session> s;
  int runs = 0;

  fixture() { reset(); }
  // A fresh database now and then keeps the catalogue small.
  void reset() {
    using namespace tsl::mssql;
    std::string path = dir.path() + "/srv" + std::to_string(runs);
    server::create(path);
    login_request l;
    l.integrated = true;
    s = std::make_unique<session>(server::open(path), l);
    s->run_script(
        "CREATE DATABASE f\nGO\nUSE f\nGO\n"
        "CREATE TABLE t (id int IDENTITY PRIMARY KEY, a varchar(10) DEFAULT 'x', b decimal(9,2),"
        " c datetime, d nvarchar(max), e varbinary(8), g uniqueidentifier)\n"
        "INSERT INTO t (a, b, c) VALUES ('p', 1.5, '2001-01-01'), (NULL, NULL, NULL)\n"
        "CREATE TABLE u (k char(3) PRIMARY KEY, v money)\nINSERT INTO u VALUES ('a', 1)\n");
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fixture f;
  if (++f.runs % 2000 == 0) f.reset();
  std::string sql(reinterpret_cast<const char*>(data), size);
  try {
    for (auto& r : f.s->run_script(sql)) {
      std::vector<tsl::mssql::value> row;
      for (int i = 0; i < 50 && r->next(row); ++i) {
        for (size_t c = 0; c < row.size(); ++c) tsl::mssql::text_form(row[c], r->columns()[c].type);
      }
    }
  } catch (const tsl::mssql::sql_error& e) {
    // The server's own answer to a bad request; a storage error means the
    // server built SQL that its storage refused, which is a fault.
    if (e.number() == 823) {
      std::fprintf(stderr, "storage refused: %s\n", e.what());
      __builtin_trap();
    }
  }
  for (auto k : {tsl::mssql::schema_kind::tables, tsl::mssql::schema_kind::indexes})
    f.s->schema(k, {});
  return 0;
}

extern "C" const char* const* tsl_fuzz_dictionary() {
  static const char* const words[] = {"SELECT ",
                                      "* ",
                                      "FROM ",
                                      "t ",
                                      "u ",
                                      "WHERE ",
                                      "id ",
                                      "a ",
                                      "b ",
                                      "c ",
                                      "= ",
                                      "1 ",
                                      "'x' ",
                                      "N'y' ",
                                      "0x0F ",
                                      "NULL ",
                                      "( ",
                                      ") ",
                                      ", ",
                                      "AND ",
                                      "OR ",
                                      "NOT ",
                                      "LIKE ",
                                      "IN ",
                                      "IS ",
                                      "BETWEEN ",
                                      "GROUP BY ",
                                      "ORDER BY ",
                                      "DESC ",
                                      "TOP 2 ",
                                      "COUNT(*) ",
                                      "sum(b) ",
                                      "max(a) ",
                                      "JOIN ",
                                      "LEFT JOIN ",
                                      "ON ",
                                      "AS ",
                                      "q ",
                                      "INSERT INTO ",
                                      "VALUES ",
                                      "DEFAULT ",
                                      "CREATE TABLE ",
                                      "x ",
                                      "int ",
                                      "varchar(5) ",
                                      "decimal(5,2) ",
                                      "IDENTITY(1,1) ",
                                      "PRIMARY KEY ",
                                      "UNIQUE ",
                                      "REFERENCES ",
                                      "CONSTRAINT ",
                                      "CREATE INDEX ",
                                      "USE ",
                                      "GO\n",
                                      "EXEC sp_columns ",
                                      "@table_name=",
                                      "[t] ",
                                      "exec sp_databases ",
                                      "SET IDENTITY_INSERT ",
                                      "CAST(",
                                      "CONVERT(",
                                      "CASE WHEN ",
                                      "THEN ",
                                      "ELSE ",
                                      "END ",
                                      "@@VERSION ",
                                      "'2001-02-03' ",
                                      "1.5e3 ",
                                      "-",
                                      "+ ",
                                      "/ ",
                                      "%",
                                      "; ",
                                      "[",
                                      "]",
                                      "\"",
                                      "--",
                                      "/*",
                                      "*/",
                                      "DROP TABLE ",
                                      "CREATE SCHEMA s ",
                                      "UPDATE t SET ",
                                      "DELETE FROM ",
                                      "b = b * 2 ",
                                      "UNION ",
                                      "UNION ALL ",
                                      "EXISTS ",
                                      "s.",
                                      "dbo.",
                                      "datetime ",
                                      "money ",
                                      "nvarchar(max) ",
                                      "99999999999 ",
                                      nullptr};
  return words;
}
