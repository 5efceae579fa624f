#include "OLE/ole_guid_extractor.h"

#include <gtest/gtest.h>

TEST(OleGuidExtractor, FindsBracedAndBareForms) {
  ole_guid_extractor g(u"{guid {6F9619FF-8B86-D011-B42D-00C04FC964FF}}");
  ASSERT_TRUE(g.has_guid());
  EXPECT_EQ(g.braced_guid(), u"{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
  EXPECT_EQ(g.bare_guid(), u"6F9619FF8B86D011B42D00C04FC964FF");
  EXPECT_TRUE(ole_guid_extractor(u"{GUID {6f9619ff-8b86-d011-b42d-00c04fc964ff}}").has_guid());
}

TEST(OleGuidExtractor, OrdinaryTextHoldsNoGuid) {
  // 44 characters: too short even with the word and a brace.
  ole_guid_extractor short_text(u"guid  {6F9619FF-8B86-D011-B42D-00C04FC964FF}");
  EXPECT_FALSE(short_text.has_guid());
  EXPECT_EQ(short_text.braced_guid(), u"");
  EXPECT_EQ(short_text.bare_guid(), u"");
  // Text that mentions the word and a brace arrives whole: no part of it is
  // taken for a GUID.
  EXPECT_FALSE(ole_guid_extractor(u"Please read the guid field {see the manual, chapter 7} before "
                                  u"you start")
                   .has_guid());
  EXPECT_FALSE(ole_guid_extractor(u"(GUID   {6F9619FF-8B86-D011-B42D-00C04FC964FF})").has_guid());
  EXPECT_FALSE(ole_guid_extractor(u"{guid {6F9619FF-8B86-D011-B42D-00C04FC964FX}}").has_guid());
  EXPECT_FALSE(ole_guid_extractor(u"{guid {6F9619FF-8B86-D011-B42D-00C04FC964FF}!").has_guid());
  EXPECT_FALSE(ole_guid_extractor(u"x{guid {6F9619FF-8B86-D011-B42D-00C04FC964FF}}").has_guid());
}
