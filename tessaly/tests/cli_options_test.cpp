// The command line: both long forms, short forms, table names anywhere,
// options checked against their subcommand, bad values refused.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "tessaly/cli_options.h"

namespace tessaly {
namespace {

cli_options parse(std::initializer_list<const char*> args) {
  std::vector<const char*> argv{"tessaly"};
  argv.insert(argv.end(), args.begin(), args.end());
  return parse_cli(static_cast<int>(argv.size()), argv.data());
}

std::string refusal(std::initializer_list<const char*> args) {
  try {
    parse(args);
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.severity(), 1);
    std::string m = e.what();
    return m.substr(0, m.find('\n'));
  }
  return "accepted";
}

TEST(cli_options, LongShortAndPositionalFormsMix) {
  cli_options o =
      parse({"convert", "--database=shop", "orders", "--oracle", "ORCL", "-u", "scott", "-j2",
             "--include=cust*", "-x", "*_old", "--mode=merge", "--report", "r.json", "customers"});
  EXPECT_EQ(o.cmd, command::convert);
  EXPECT_EQ(o.database, "shop");
  EXPECT_EQ(o.oracle, "ORCL");
  EXPECT_EQ(o.oracle_user, "scott");
  EXPECT_EQ(o.jobs, 2);
  EXPECT_EQ(o.mode, 1);
  EXPECT_EQ(o.report, "r.json");
  EXPECT_EQ(o.include, std::vector<std::string>{"cust*"});
  EXPECT_EQ(o.exclude, std::vector<std::string>{"*_old"});
  EXPECT_EQ(o.tables, (std::vector<std::string>{"orders", "customers"}));
  // "--" ends the options: a table may begin with a dash.
  EXPECT_EQ(parse({"ddl", "-d", "shop", "--", "-odd"}).tables, std::vector<std::string>{"-odd"});
  // A second parse starts afresh.
  EXPECT_TRUE(parse({"list", "-d", "x"}).tables.empty());
}

TEST(cli_options, HelpAndVersionWinOverTheRest) {
  EXPECT_TRUE(parse({"--help"}).help);
  cli_options o = parse({"verify", "-h", "--bogus"});
  EXPECT_TRUE(o.help);
  EXPECT_EQ(o.cmd, command::verify);
  EXPECT_TRUE(parse({"--version"}).version);
  // Each subcommand's help lists only its own options.
  EXPECT_NE(help_text(command::convert).find("--jobs=N"), std::string::npos);
  EXPECT_EQ(help_text(command::ddl).find("--jobs"), std::string::npos);
  EXPECT_NE(help_text(command::ddl).find("--oracle-release"), std::string::npos);
  EXPECT_EQ(help_text(command::list).find("--report"), std::string::npos);
}

TEST(cli_options, RefusesWhatItCannotUse) {
  EXPECT_EQ(refusal({}), "no command given");
  EXPECT_EQ(refusal({"copy"}), "unknown command 'copy'");
  EXPECT_EQ(refusal({"convert", "--bogus"}), "unknown option '--bogus'");
  EXPECT_EQ(refusal({"convert", "-Z"}), "unknown option '-Z'");
  EXPECT_EQ(refusal({"convert", "--database"}), "option '--database' needs a value");
  EXPECT_EQ(refusal({"ddl", "--jobs=2"}), "option --jobs does not apply to ddl");
  EXPECT_EQ(refusal({"list", "--oracle=X"}), "option --oracle does not apply to list");
  EXPECT_EQ(refusal({"--database=x"}), "option --database needs a command");
  EXPECT_EQ(refusal({"convert", "--jobs=0"}), "invalid value '0' for --jobs");
  EXPECT_EQ(refusal({"convert", "--jobs=2x"}), "invalid value '2x' for --jobs");
  EXPECT_EQ(refusal({"convert", "--oracle-port=70000"}), "invalid value '70000' for --oracle-port");
  EXPECT_EQ(refusal({"convert", "--mode=append"}),
            "invalid mode 'append': use overwrite, merge or skip");
  EXPECT_EQ(refusal({"list", "orders"}), "list takes no table names: use --include");
  // No option takes a password.
  EXPECT_EQ(refusal({"convert", "--password=x"}), "unknown option '--password=x'");
}

}  // namespace
}  // namespace tessaly
