#include "TK/tk_exception.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "TK/tk_singleton.h"

namespace {

TEST(TkException, MessagesAndDefaults) {
  EXPECT_STREQ(tk_exception(1).what(), "Unknown exception");
  EXPECT_STREQ(tk_exception("", 0).what(), "Unknown exception");
  EXPECT_STREQ(tk_exception(static_cast<const char*>(nullptr), 0).what(), "Unknown exception");
  EXPECT_STREQ(tk_exception(u"", 0).what(), "");  // a wide text is taken as it is
  tk_exception e(u"caf\u00e9", 0);
  EXPECT_STREQ(e.what(), "caf\xC3\xA9");
  EXPECT_EQ(e.severity(), 0);
  EXPECT_EQ(e.system_error(), 0u);
}

TEST(TkException, CopiesKeepEveryField) {
  try {
    errno = ENOENT;
    throw tk_exception_ex();
  } catch (const tk_exception& e) {
    tk_exception copy = e;
    EXPECT_EQ(copy.severity(), 1);
    EXPECT_EQ(copy.system_error(), static_cast<uint32_t>(ENOENT));
    EXPECT_STREQ(copy.what(), "No such file or directory");
  }
  errno = 0;
  EXPECT_STREQ(tk_exception_ex().what(), "Unknown exception");
}

TEST(TkMailAssertion, EncodesSourceAndLine) {
  tk_mail_assertion a("x.cpp", 7);
  EXPECT_STREQ(a.what(), "Internal error: \ncode=782e6370705c37");
  EXPECT_EQ(a.severity(), 2);
  // "tk_singl\35"
  EXPECT_STREQ(tk_mail_assertion("tk_singl", 35).what(),
               "Internal error: \ncode=746b5f73696e676c5c3335");
}

TEST(TkFinalException, IsNotATkException) {
  try {
    throw tk_final_exception();
  } catch (const tk_exception&) {
    FAIL() << "caught as tk_exception";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), std::exception().what());
  }
}

struct only_one : tk_singleton<only_one> {};

TEST(TkSingleton, TheFourChecks) {
  EXPECT_FALSE(only_one::exists());
  try {
    only_one::instance();
    FAIL();
  } catch (const tk_mail_assertion& a) {
    EXPECT_STREQ(a.what(), tk_mail_assertion("tk_singl", 59).what());
  }
  try {
    only_one::instance_ptr();
    FAIL();
  } catch (const tk_mail_assertion& a) {
    EXPECT_STREQ(a.what(), tk_mail_assertion("tk_singl", 66).what());
  }
  {
    only_one first;
    EXPECT_EQ(&only_one::instance(), &first);
    try {
      only_one second;
      FAIL();
    } catch (const tk_mail_assertion& a) {
      EXPECT_STREQ(a.what(), tk_mail_assertion("tk_singl", 35).what());
    }
    EXPECT_EQ(only_one::instance_ptr(), &first);  // the failed second left it alone
  }
  EXPECT_FALSE(only_one::exists());
}

}  // namespace
