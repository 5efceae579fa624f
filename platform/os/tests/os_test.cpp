#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/os/mail.h"
#include "platform/os/process.h"
#include "platform/os/shared_library.h"
#include "testing/temp_dir.h"

namespace tsl::os {
namespace {

TEST(Process, ProgramPathIsThisTest) {
  std::string p = program_path();
  EXPECT_NE(p.find("platform_os_test"), std::string::npos) << p;
  EXPECT_EQ(p[0], '/');
}

TEST(Process, ErrorText) {
  EXPECT_EQ(error_text(2), "No such file or directory");
}

TEST(SharedLibrary, LoadsAndFindsSymbols) {
  shared_library lib;
  EXPECT_FALSE(lib.load("libdoes-not-exist.so"));
  EXPECT_FALSE(lib.error().empty());
  ASSERT_TRUE(lib.load("libc.so.6"));
  EXPECT_NE(lib.symbol("strlen"), nullptr);
  EXPECT_EQ(lib.symbol("DllGetVersion"), nullptr);
  EXPECT_EQ(known_library_version("libc.so.6"), 0u);
}

TEST(Mail, HeadersCannotBeInjected) {
  tsl::testing::temp_dir dir;
  std::string script = dir.file("sendmail");
  std::string out = dir.file("mail.txt");
  tsl::testing::write_file(script,
                           "#!/bin/sh\n[ \"$1 $2\" = \"-t -i\" ] || exit 3\ncat > '" + out + "'\n");
  chmod(script.c_str(), 0755);
  mail_message m{"Bug report on X\nBcc: evil@example.com", "line 1\n.\nline 3", "2026/12/8 1:5",
                 "Support", "support@example.com"};
  EXPECT_EQ(submit_mail(script, m), 0);
  std::string text = tsl::testing::read_file(out);
  EXPECT_NE(text.find("Subject: Bug report on X Bcc: evil@example.com\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("To: \"Support\" <support@example.com>\n"), std::string::npos);
  EXPECT_NE(text.find("\nline 1\n.\nline 3\n"), std::string::npos);
  EXPECT_EQ(submit_mail(dir.file("nothing-here"), m), 127);
}

}  // namespace
}  // namespace tsl::os
