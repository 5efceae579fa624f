#pragma once
// A fresh data directory with database ORCL and user SCOTT/tiger, and
// helpers that run SQL and show results as text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "embedded/oracle/column_type.h"
#include "embedded/oracle/database.h"
#include "embedded/oracle/date_format.h"
#include "embedded/oracle/oracle_error.h"
#include "embedded/oracle/session.h"
#include "testing/temp_dir.h"

namespace tsl::eora::testing {

class engine_test : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TSL_ORACLE_DATA", dir_.path().c_str(), 1);
    create_database("ORCL", default_port, version());
    create_user("ORCL", "scott", "tiger");
    s_ = session::logon("ORCL", "scott", "tiger");
  }
  void TearDown() override {
    s_.reset();
    unsetenv("TSL_ORACLE_DATA");
  }
  virtual std::string version() const { return "current"; }

  exec_result exec(session& s, const std::string& sql, bool commit = false) {
    stmt_ptr st = s.parse(sql);
    return s.execute(*st, commit);
  }
  exec_result exec(const std::string& sql, bool commit = false) { return exec(*s_, sql, commit); }

  // Rows as "a|b|c" with NULL shown as "(null)".
  std::vector<std::string> rows(session& s, const std::string& sql) {
    stmt_ptr st = s.parse(sql);
    if (st->kind != stmt_kind::select) ADD_FAILURE() << "not a query: " << sql;
    result_set rs = s.query(static_cast<select_stmt&>(*st));
    std::vector<std::string> out;
    for (const row& r : rs.rows) {
      std::string line;
      for (size_t i = 0; i < r.size(); ++i) {
        if (i) line += "|";
        const value& v = r[i];
        if (v.is_null())
          line += "(null)";
        else if (v.kind == vkind::date)
          line += format_date(v.date, "YYYY-MM-DD HH24:MI:SS");
        else if (v.kind == vkind::lob)
          line += s.lob_read(v.lob, 1, 1u << 30);
        else
          line += to_text(v);
      }
      out.push_back(line);
    }
    return out;
  }
  std::vector<std::string> rows(const std::string& sql) { return rows(*s_, sql); }
  std::string one(const std::string& sql) {
    auto r = rows(sql);
    return r.empty() ? "(no rows)" : r.front();
  }

  // The ORA number a statement fails with, or 0.
  int error_of(session& s, const std::string& sql) {
    try {
      stmt_ptr st = s.parse(sql);
      if (st->kind == stmt_kind::select)
        s.query(static_cast<select_stmt&>(*st));
      else
        s.execute(*st, false);
    } catch (const oracle_error& e) {
      last_message_ = e.what();
      return e.code();
    }
    return 0;
  }
  int error_of(const std::string& sql) { return error_of(*s_, sql); }

  tsl::testing::temp_dir dir_;
  std::unique_ptr<session> s_;
  std::string last_message_;
};

}  // namespace tsl::eora::testing
