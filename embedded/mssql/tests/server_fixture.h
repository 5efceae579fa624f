#pragma once
// A fresh server directory with one database, and helpers to read results.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "embedded/mssql/session.h"
#include "embedded/mssql/sql_error.h"
#include "testing/temp_dir.h"

namespace tsl::mssql::testing {

class server_fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    server::create(dir_.path() + "/srv");
    srv_ = server::open(dir_.path() + "/srv");
    login_request l;
    l.integrated = true;
    s_ = std::make_unique<session>(srv_, l);
    s_->run_script("CREATE DATABASE shop\nGO\nUSE shop\n");
  }

  // All rows of the first result, each value in its text form; NULL as "<null>".
  std::vector<std::vector<std::string>> rows(const std::string& sql) {
    return rows_of(s_->execute(sql));
  }

  static std::vector<std::vector<std::string>> rows_of(std::unique_ptr<result_set> r) {
    std::vector<std::vector<std::string>> out;
    if (!r) return out;
    std::vector<value> row;
    while (r->next(row)) {
      std::vector<std::string> texts;
      for (size_t i = 0; i < row.size(); ++i)
        texts.push_back(row[i].is_null() ? "<null>" : text_form(row[i], r->columns()[i].type));
      out.push_back(texts);
    }
    return out;
  }

  std::string one(const std::string& sql) {
    auto r = rows(sql);
    return r.empty() || r[0].empty() ? "<none>" : r[0][0];
  }

  // The error number a batch fails with, 0 when it succeeds.
  int error_of(const std::string& sql, std::string* message = nullptr) {
    try {
      s_->run_script(sql);
    } catch (const sql_error& e) {
      if (message) *message = e.what();
      return e.number();
    }
    return 0;
  }

  tsl::testing::temp_dir dir_;
  std::shared_ptr<server> srv_;
  std::unique_ptr<session> s_;
};

}  // namespace tsl::mssql::testing
