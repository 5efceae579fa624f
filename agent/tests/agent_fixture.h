#pragma once
// Runs TSLAGENT as a user would, as a child process, against an embedded SQL
// Server holding the sample database and an embedded Oracle with one user,
// and reads the Oracle result back in this process.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ORA/ora_engine.h"
#include "ORA/ora_query_results.h"
#include "ORA/ora_sql.h"
#include "embedded/mssql/server.h"
#include "embedded/mssql/session.h"
#include "embedded/oracle/database.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"

namespace agent_testing {

struct outcome {
  int status = 0;
  std::string out;
  std::string err;
};

inline std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class agent_fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    mssql_dir_ = tmp_.file("srv");
    setenv("TSL_MSSQL_DATA", mssql_dir_.c_str(), 1);
    setenv("TSL_ORACLE_DATA", tmp_.file("ora").c_str(), 1);
    setenv("TSL_ORACLE_CLIENT", "embedded", 1);
    if (with_servers()) {
      tsl::mssql::server::create(mssql_dir_, tsl::mssql::kDefaultVersion);
      auto server = tsl::mssql::server::open(mssql_dir_);
      server->add_login("bob", "pw", "master");
      server->add_login("sa", "sapw", "master");
      std::ifstream in(TSL_MSSQL_SAMPLES "/sample_shop.sql");
      std::stringstream ss;
      ss << in.rdbuf();
      mssql(ss.str());
      tsl::eora::create_database("ORCL", 1521, "current");
      tsl::eora::create_user("ORCL", "scott", "tiger");
    }
  }
  void TearDown() override {
    unsetenv("TSL_MSSQL_DATA");
    unsetenv("TSL_ORACLE_DATA");
    unsetenv("TSL_ORACLE_CLIENT");
  }
  virtual bool with_servers() const { return true; }

  // Runs T-SQL on the source as its administrator.
  void mssql(const std::string& sql) {
    tsl::mssql::login_request l;
    l.integrated = true;
    tsl::mssql::session s(tsl::mssql::server::open(mssql_dir_), l);
    s.run_script(sql);
  }

  outcome agent(const std::vector<std::string>& args) {
    std::string cmd = quote(TSL_AGENT);
    for (const std::string& a : args) cmd += " " + quote(a);
    std::string out = tmp_.file("stdout"), err = tmp_.file("stderr");
    cmd += " >" + quote(out) + " 2>" + quote(err);
    int raw = std::system(cmd.c_str());
    outcome o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1000;
    o.out = tsl::testing::read_file(out);
    o.err = tsl::testing::read_file(err);
    return o;
  }
  // The usual command line for the sample, with more options after it.
  outcome convert(std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"--src=sample_shop", "--dest=ORCL", "--oraclu=scott",
                                     "--oraclp=tiger"};
    args.insert(args.end(), more.begin(), more.end());
    return agent(args);
  }

  // Every row of a query on the Oracle side, values as UTF-8 text ("<null>"
  // for NULL).
  std::vector<std::vector<std::string>> oracle(const std::string& sql) {
    ora_engine engine;
    engine.logon(u"ORCL", u"scott", u"tiger");
    std::vector<std::vector<std::string>> rows;
    {
      ora_query_results q;
      q.initialize(0, tsl::text::utf8_to_utf16(sql));
      while (!q.is_eof()) {
        udb_record& r = *q.get_item();
        std::vector<std::string> row;
        for (size_t i = 0; i < r.size(); ++i)
          row.push_back((r[i].vartype() == VT_NULL || r[i].vartype() == VT_EMPTY)
                            ? "<null>"
                            : tsl::text::utf16_to_utf8(r[i].to_wstring()));
        rows.push_back(row);
      }
    }
    return rows;
  }
  // Runs one statement on the Oracle side; it commits on success.
  void exec(const std::string& sql) {
    ora_engine engine;
    engine.logon(u"ORCL", u"scott", u"tiger");
    ora_execute(tsl::text::utf8_to_utf16(sql), OCI_COMMIT_ON_SUCCESS);
  }
  std::vector<std::string> column(const std::string& sql) {
    std::vector<std::string> out;
    for (auto& r : oracle(sql)) out.push_back(r.at(0));
    return out;
  }
  std::string one(const std::string& sql) {
    auto c = column(sql);
    return c.empty() ? "<none>" : c[0];
  }
  std::vector<std::string> tables() {
    return column("SELECT table_name FROM user_tables ORDER BY table_name");
  }
  std::string write(const std::string& name, const std::string& bytes) {
    std::string path = tmp_.file(name);
    tsl::testing::write_file(path, bytes);
    return path;
  }

  tsl::testing::temp_dir tmp_;
  std::string mssql_dir_;
};

}  // namespace agent_testing
