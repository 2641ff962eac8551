#include <gtest/gtest.h>

#include "platform/vbstring.h"

namespace cavra::vb {
namespace {

TEST(VbText, LengthsAndPositionsCountCharacters) {
  EXPECT_EQ(Len("数量abc"), 5);
  EXPECT_EQ(Left("数量abc", 2), "数量");
  EXPECT_EQ(Mid("数量abc", 3, 2), "ab");
  EXPECT_EQ(Mid("数量abc", 2), "量abc");
  EXPECT_EQ(Right("数量abc", 4), "量abc");
  EXPECT_EQ(InStr("数量abc", "b"), 4);
  EXPECT_EQ(InStr(5, "abcabc", "b"), 5);
  EXPECT_EQ(InStr("abc", "C", Compare::Text), 3);
  EXPECT_EQ(InStr("abc", "C"), 0);
  EXPECT_EQ(InStr("abc", ""), 1);
}

TEST(VbText, TrimRemovesBlanksOnly) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\ta\n"), "\ta\n");
  EXPECT_EQ(Trim("   "), "");
}

TEST(VbText, SplitOfEmptyTextGivesNoPieces) {
  EXPECT_TRUE(Split("", ",").empty());
  EXPECT_EQ(Split("a", ",").size(), 1u);
  EXPECT_EQ(Split("a{##}b{##}", "{##}"), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(Split(",", ","), (std::vector<std::string>{"", ""}));
}

TEST(VbText, ReplaceAndCase) {
  EXPECT_EQ(Replace("a&b&", "&", "&amp;"), "a&amp;b&amp;");
  EXPECT_EQ(Replace("xAx", "a", "-", Compare::Text), "x-x");
  EXPECT_EQ(UCase("ccode数"), "CCODE数");
  EXPECT_EQ(LCase("ÄB"), "Äb");
}

}  // namespace
}  // namespace cavra::vb
