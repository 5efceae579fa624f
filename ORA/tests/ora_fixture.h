#pragma once
// A logged-on engine over a fresh embedded Oracle, the run's index-name
// validator and the destination database, for the destination's tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_query_results.h"
#include "ORA/ora_sql.h"
#include "UDB/udb_schema.h"
#include "embedded/oracle/database.h"
#include "testing/temp_dir.h"

class ora_fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TSL_ORACLE_DATA", dir_.path().c_str(), 1);
    setenv("TSL_ORACLE_CLIENT", "embedded", 1);
    tsl::eora::create_database("ORCL", 1521, "current");
    tsl::eora::create_user("ORCL", "scott", "tiger");
    engine_ = std::make_unique<ora_engine>();
    engine_->logon(u"ORCL", u"scott", u"tiger");
  }
  void TearDown() override {
    db_.reset();
    indexes_.reset();
    engine_.reset();
    unsetenv("TSL_ORACLE_CLIENT");
    unsetenv("TSL_ORACLE_DATA");
  }
  // The database and validator as a run builds them, after any setup SQL.
  ora_database& open(bool upper_case = false) {
    indexes_ = std::make_unique<ora_in_validator>();
    db_ = std::make_unique<ora_database>(u"ORCL", upper_case);
    return *db_;
  }
  // The first column of every row of a query, as text.
  static std::vector<std::u16string> column(const std::u16string& sql) {
    ora_query_results q;
    q.initialize(0, sql);
    std::vector<std::u16string> out;
    while (!q.is_eof()) out.push_back((*q.get_item())[0].to_wstring());
    return out;
  }
  static int ora_error(const std::u16string& sql) {
    try {
      ora_execute(sql, OCI_DEFAULT);
    } catch (const ora_exception& e) {
      return e.ora_number();
    }
    return 0;
  }
  static t_ftd* field(const char16_t* name, VARTYPE vt, uint32_t size = 0, bool not_null = false,
                      const ole_variant& def = ole_variant(), int32_t reserved = 0,
                      bool identity = false) {
    return new t_ftd(size, name, vt, not_null, identity, def, reserved);
  }

  tsl::testing::temp_dir dir_;
  std::unique_ptr<ora_engine> engine_;
  std::unique_ptr<ora_in_validator> indexes_;
  std::unique_ptr<ora_database> db_;
};
