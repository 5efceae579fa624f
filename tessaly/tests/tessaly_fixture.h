#pragma once
// Runs the tessaly program as a user would, against the embedded servers of
// the agent's tests (the sample database, Oracle user scott).
#include <cstdlib>
#include <string>
#include <vector>

#include "agent/tests/agent_fixture.h"

namespace tessaly_testing {

using agent_testing::outcome;
using agent_testing::quote;

class tessaly_fixture : public agent_testing::agent_fixture {
 protected:
  void SetUp() override {
    agent_fixture::SetUp();
    // Passwords come from the environment, never the command line.
    setenv("TSL_ORACLE_PASSWORD", "tiger", 1);
    unsetenv("TSL_MSSQL_PASSWORD");
  }
  void TearDown() override {
    unsetenv("TSL_ORACLE_PASSWORD");
    agent_fixture::TearDown();
  }

  outcome tessaly(const std::vector<std::string>& args, const std::string& input = "/dev/null") {
    std::string cmd = quote(TSL_TESSALY);
    for (const std::string& a : args) cmd += " " + quote(a);
    std::string out = tmp_.file("t_stdout"), err = tmp_.file("t_stderr");
    cmd += " <" + quote(input) + " >" + quote(out) + " 2>" + quote(err);
    int raw = std::system(cmd.c_str());
    outcome o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1000;
    o.out = tsl::testing::read_file(out);
    o.err = tsl::testing::read_file(err);
    return o;
  }
  // The usual conversion of the sample, with more arguments after it.
  outcome run(const std::string& command, std::vector<std::string> more = {}) {
    std::vector<std::string> args = {command, "--database=sample_shop"};
    if (command == "convert" || command == "verify") {
      args.push_back("--oracle=ORCL");
      args.push_back("--oracle-user=scott");
    }
    args.insert(args.end(), more.begin(), more.end());
    return tessaly(args);
  }
  std::string count(const std::string& table) {
    return one("SELECT TO_CHAR(count(*)) FROM \"" + table + "\"");
  }
};

}  // namespace tessaly_testing
