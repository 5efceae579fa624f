// The agent's command line, usage text, table-names file and exit status,
// where no conversion is reached.
#include <gtest/gtest.h>

#include "agent/agent.h"
#include "agent/tests/agent_fixture.h"

namespace agent_testing {
namespace {

class agent_cmdline : public agent_fixture {
 protected:
  bool with_servers() const override { return false; }
};

TEST_F(agent_cmdline, UsageEndsWithMinusOne) {
  const std::string usage = usage_text();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"--help"},
           {"--src=db", "--dest=orcl", "--help"},
           {"--src=db", "--dest=orcl", "--bogus"},
           {"--Src=db"},
       }) {
    outcome o = agent(args);
    EXPECT_EQ(o.status, 255) << args.size();
    EXPECT_EQ(o.err, usage + "\n");
    EXPECT_EQ(o.out, "");
  }
  // Twenty-one unknown arguments fail like one.
  std::vector<std::string> many(21, "--unknown");
  many.push_back("--src=db");
  many.push_back("--dest=orcl");
  outcome o = agent(many);
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err, usage + "\n");
}

TEST_F(agent_cmdline, UsageTextLayout) {
  const std::string usage = usage_text();
  EXPECT_EQ(usage.find("TSLAGENT v3.1, "), 0u);
  EXPECT_NE(usage.find("\nUsage: TSLAGENT.EXE OPTIONS\n\n   --dest=...     Oracle service name"),
            std::string::npos);
  EXPECT_NE(usage.find("\n   --tab_file=... file containing the list of tables to convert\n"
                       "                  (one table name per line)\n"),
            std::string::npos);
  EXPECT_NE(usage.find("\n   --direct       connect to Oracle server via IP + port\n"),
            std::string::npos);
  EXPECT_NE(usage.find("'--mode' parameter\n   4) If you omit 'tab_file' parameter, all database "
                       "tables will be converted.\n"),
            std::string::npos);
  EXPECT_EQ(usage.back(), '\n');
}

TEST_F(agent_cmdline, SilentOrderDecidesWhatIsPrinted) {
  outcome quiet = agent({"--silent", "--help"});
  EXPECT_EQ(quiet.status, 255);
  EXPECT_EQ(quiet.err, "");
  outcome loud = agent({"--help", "--silent"});
  EXPECT_EQ(loud.status, 255);
  EXPECT_EQ(loud.err, usage_text() + "\n");
}

TEST_F(agent_cmdline, OptionErrors) {
  for (const char* mode :
       {"--mode=02", "--mode=3", "--mode=", "--mode=-1", "--mode=1 ", "--mode=+1"}) {
    outcome o = agent({"--src=db", "--dest=orcl", mode});
    EXPECT_EQ(o.status, 255) << mode;
    EXPECT_EQ(o.err, "Invalid merge/overwrite mode\n") << mode;
  }
  outcome o = agent({"--dest=orcl"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err, "You should enter MS SQL database name\n");
  o = agent({"--src=db", "--dest="});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err, "You should enter Oracle database name\n");
  o = agent({"--src=db", "--dest=orcl", "--tab_file=" + tmp_.file("missing.txt")});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err,
            "Table names file does not exist.\nPlease verify the correct path/name was given.\n");
  o = agent({"--src=db", "--dest=orcl", "--tab_file=" + tmp_.path()});
  EXPECT_EQ(o.status, 255);
  o = agent({"--src=db", "--dest=orcl", "--logfile=" + tmp_.file("no/such/dir/x.log")});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.out,
            "Error:\nLogfile path does not exist. Please verify the correct path was given.\n");
  o = agent({"--silent", "--src=db", "--dest=orcl", "--mode=9"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err, "");
}

TEST_F(agent_cmdline, ConnectionFailureIsReported) {
  // No Oracle database exists: the logon error goes through the policy.
  outcome o = agent({"--src=db", "--dest=nowhere", "--oraclu=a", "--oraclp=b"});
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out.find("Error:\n"), 0u) << o.out;
  EXPECT_EQ(o.status, 255);
}

TEST(read_tab_names, LinesMarkAndBlanks) {
  EXPECT_EQ(read_tab_names(""), std::vector<std::u16string>{});
  EXPECT_EQ(read_tab_names("a\n\n b\r\nc"), (std::vector<std::u16string>{u"a", u" b", u"c"}));
  EXPECT_EQ(read_tab_names("\n\xEF\xBB\xBF"
                           "caf\xC3\xA9\n\xE5\xB1\xB1\n"),
            (std::vector<std::u16string>{u"café", u"山"}));
  EXPECT_EQ(read_tab_names("a\na\n"), (std::vector<std::u16string>{u"a", u"a"}));
  // A mark alone on its line names nothing.
  EXPECT_EQ(read_tab_names("\xEF\xBB\xBF\nx\n"), (std::vector<std::u16string>{u"x"}));
  // A line longer than its room goes on as the next name; nothing is lost.
  std::string longer(300, 'n');
  auto names = read_tab_names(longer + "\nlast\n");
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0].size() + names[1].size(), 300u);
  EXPECT_EQ(names[2], u"last");
}

}  // namespace
}  // namespace agent_testing
