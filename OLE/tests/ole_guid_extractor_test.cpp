#include "OLE/ole_guid_extractor.h"

#include <gtest/gtest.h>

TEST(OleGuidExtractor, FindsBracedAndBareForms) {
  ole_guid_extractor g(u"{guid {6F9619FF-8B86-D011-B42D-00C04FC964FF}}");
  ASSERT_TRUE(g.has_guid());
  EXPECT_EQ(g.braced_guid(), u"{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
  EXPECT_EQ(g.bare_guid(), u"6F9619FF8B86D011B42D00C04FC964FF");
  ole_guid_extractor upper(u"(GUID   {6F9619FF-8B86-D011-B42D-00C04FC964FF})");
  EXPECT_TRUE(upper.has_guid());
}

TEST(OleGuidExtractor, RefusesShortOrBrokenTexts) {
  // 44 characters: too short even with the word and a brace.
  ole_guid_extractor short_text(u"guid  {6F9619FF-8B86-D011-B42D-00C04FC964FF}");
  EXPECT_EQ(std::u16string(u"guid  {6F9619FF-8B86-D011-B42D-00C04FC964FF}").size(), 44u);
  EXPECT_FALSE(short_text.has_guid());
  EXPECT_EQ(short_text.braced_guid(), u"");
  EXPECT_EQ(short_text.bare_guid(), u"");
  EXPECT_FALSE(ole_guid_extractor(u"no identifier in this text at all, not one here").has_guid());
  EXPECT_FALSE(ole_guid_extractor(u"guid without any brace at all in the whole text").has_guid());
  // A brace so near the end that no whole GUID follows it.
  EXPECT_FALSE(ole_guid_extractor(u"a long text that ends with the word guid {6F96").has_guid());
}
