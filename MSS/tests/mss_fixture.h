#pragma once
// An embedded server with one database, and the engine connected to it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "MSS/mss_database.h"
#include "MSS/mss_engine.h"
#include "embedded/mssql/server.h"
#include "embedded/mssql/session.h"
#include "platform/com/com_runtime.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"

namespace mss_testing {

class mss_fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = tmp_.path() + "/srv";
    tsl::mssql::server::create(dir_, version_text());
    auto srv = tsl::mssql::server::open(dir_);
    srv->add_login("bob", "pw", "master");
    srv->add_login("sa", "sapw", "master");
    run("CREATE DATABASE src\nGO\nUSE src\nGO\n" + script());
    engine_ = std::make_unique<mss_engine>(0);
  }
  void TearDown() override {
    db_.reset();
    engine_.reset();
  }

  virtual std::string script() { return ""; }
  virtual std::string version_text() { return tsl::mssql::kDefaultVersion; }

  // Runs T-SQL as the server's administrator.
  void run(const std::string& sql) {
    tsl::mssql::login_request l;
    l.integrated = true;
    tsl::mssql::session s(tsl::mssql::server::open(dir_), l);
    s.run_script(sql);
  }

  std::u16string host() const { return tsl::text::utf8_to_utf16(dir_); }

  mss_database& open(bool as_bob = false) {
    if (as_bob)
      engine_->connect(host(), u"bob", u"pw");
    else
      engine_->connect(host());
    db_ = engine_->open_db(u"src", 1);
    return *db_;
  }

  tsl::testing::temp_dir tmp_;
  std::string dir_;
  std::unique_ptr<mss_engine> engine_;
  std::unique_ptr<mss_database> db_;
};

}  // namespace mss_testing
