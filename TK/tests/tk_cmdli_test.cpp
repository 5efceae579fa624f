#include "TK/tk_cmdli.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TK/tk_exception.h"

namespace {

const tk_cmdli_option kTable[] = {{"--dest=", 1}, {"--silent", 12}, {"--mode=", 5}, {"--s", 99}};

struct parsed {
  std::vector<std::pair<int, std::string>> items;
  size_t unrecognised = 0;
};

parsed walk(std::vector<const char*> args) {
  args.insert(args.begin(), "TSLAGENT");
  tk_cmdli it(static_cast<int>(args.size()), args.data(), kTable, std::size(kTable));
  parsed p;
  for (; it.valid(); it.next()) p.items.emplace_back(it.id(), it.id() < 0 ? "" : it.value());
  p.unrecognised = it.unrecognised_count();
  return p;
}

TEST(TkCmdli, FirstPrefixInTableOrderWins) {
  parsed p = walk({"--dest=orcl", "--silentX", "--dest=", "--src=db", "--mode=2"});
  using item = std::pair<int, std::string>;
  EXPECT_EQ(p.items, (std::vector<item>{{1, "orcl"}, {12, "X"}, {1, ""}, {99, "rc=db"}, {5, "2"}}));
  EXPECT_EQ(p.unrecognised, 0u);
}

TEST(TkCmdli, UnrecognisedArgumentsAreCollectedPastTheRoom) {
  std::vector<const char*> args(21, "--nope");
  args.push_back("--dest=x");
  parsed p = walk(args);
  EXPECT_EQ(p.unrecognised, 21u);
  EXPECT_EQ(p.items.back(), std::make_pair(1, std::string("x")));
  EXPECT_EQ(p.items.front().first, -1);
}

TEST(TkCmdli, NoArgumentsAndMisuse) {
  const char* argv[] = {"TSLAGENT"};
  tk_cmdli it(1, argv, kTable, std::size(kTable));
  EXPECT_FALSE(it.valid());
  EXPECT_THROW(it.next(), tk_mail_assertion);
  EXPECT_THROW(it.id(), tk_mail_assertion);
  EXPECT_THROW(it.value(), tk_mail_assertion);
  tk_cmdli none(0, nullptr, kTable, std::size(kTable));
  EXPECT_FALSE(none.valid());
}

}  // namespace
