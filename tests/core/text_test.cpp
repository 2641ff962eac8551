#include <gtest/gtest.h>

#include <functional>

#include "cavra/error.h"
#include "cavra/font.h"
#include "cavra/string_builder.h"
#include "fakes/expect_error.h"

namespace cavra {
namespace {

TEST(Font, FontStringRoundTripsEveryStyle) {
  EXPECT_EQ(clsFont().FontString(), "Tahoma,9,0,0,1");
  for (const char* text : {"宋体,12,255,1,3", "Arial,10,0,0,2", "Arial,10,0,0,0", "A,-8,16711680,0,1"}) {
    clsFont font;
    font.FontString(text);
    EXPECT_EQ(font.FontString(), text);
  }
  clsFont font;
  font.FontString("宋体,12,255,1,3");
  EXPECT_TRUE(font.FontName == "宋体" && font.FontSize == 12 && font.FontColor == 255 && font.FontUnderLine);
}

TEST(Font, LooseTextsChangeWhatTheyCan) {
  const std::pair<const char*, const char*> cases[] = {
      {"New,10,2,0", "Old,8,1,1,3"},       // fewer than five parts
      {"New,10.5,2,2,7", "New,10,2,1,3"},  // half to even; an unknown style keeps bold and italic
      {"New,11.5,2,0,x", "New,12,2,0,3"},
      {"New,10,2,0,2,extra", "New,10,2,0,2"}};
  for (const auto& [text, expected] : cases) {
    clsFont font;
    font.FontString("Old,8,1,1,3");
    font.FontString(text);
    EXPECT_EQ(font.FontString(), expected) << text;
  }
  clsFont font;
  EXPECT_VB_ERROR(font.FontString("New,big,0,0,2"), err::kTypeMismatch);
  EXPECT_EQ(font.FontString(), "Tahoma,9,0,0,1");  // refused whole
}

TEST(Font, SetFontCopiesAStandardFont) {
  clsFont font;
  font.SetFont(nullptr);
  const StdFont half_even{"黑体", 10.5, true, false, true};
  font.SetFont(&half_even);
  font.SetFontColor(0xFF);
  EXPECT_EQ(font.FontString(), "黑体,10,255,1,0");
  const StdFont up{"Arial", 11.5, false, true, false};
  font.SetFont(&up);
  EXPECT_EQ(font.FontString(), "Arial,12,255,0,2");
}

TEST(StringBuilder, CapacityGrowsInWholeChunks) {
  StringBuilder fresh;
  EXPECT_EQ(fresh.Length() + fresh.Capacity(), 0);
  EXPECT_EQ(fresh.ChunkSize(), 8192);

  using Build = std::function<void(StringBuilder&)>;
  const std::tuple<const char*, Build, std::int32_t> cases[] = {
      {"append 10000", [](auto& sb) { sb.Append(std::string(10000, 'a')); }, 16384},
      {"append one chunk", [](auto& sb) { sb.Append(std::string(8192, 'a')); }, 16384},
      {"set one chunk", [](auto& sb) { sb.TheString(std::string(8192, 'a')); }, 8192},
      {"characters, not bytes", [](auto& sb) { for (int i = 0; i < 9000; ++i) sb.Append("汉"); }, 16384},
      {"set keeps more", [](auto& sb) { sb.Append(std::string(20000, 'a')), sb.TheString("x"); }, 24576},
      {"set empty", [](auto& sb) { sb.Append("abc"), sb.TheString(""); }, 0},
      {"insert grows like append",
       [](auto& sb) { sb.ChunkSize(10), sb.Append("abc"), sb.Insert(1, "0123456789ab"); }, 30},
  };
  for (const auto& [name, build, capacity] : cases) {
    SCOPED_TRACE(name);
    StringBuilder sb;
    build(sb);
    EXPECT_EQ(sb.Capacity(), capacity);
  }
  EXPECT_VB_ERROR(fresh.ChunkSize(0), err::kInvalidCall);
}

TEST(StringBuilder, InsertAndRemoveRaiseError9OutsideTheText) {
  using Edit = std::function<void(StringBuilder&)>;
  const std::pair<Edit, const char*> cases[] = {
      {[](auto& sb) { sb.Insert(0, "x"); }, "xabcdefg"}, {[](auto& sb) { sb.Insert(7, "x"); }, "abcdefgx"},
      {[](auto& sb) { sb.Insert(8, "x"); }, nullptr},    {[](auto& sb) { sb.Insert(-1, "x"); }, nullptr},
      {[](auto& sb) { sb.Remove(2, 3); }, "abfg"},       {[](auto& sb) { sb.Remove(7, 0); }, "abcdefg"},
      {[](auto& sb) { sb.Remove(5, 3); }, nullptr},      {[](auto& sb) { sb.Remove(1, -1); }, nullptr},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    StringBuilder sb;
    sb.TheString("abcdefg");
    if (cases[i].second)
      EXPECT_NO_THROW(cases[i].first(sb));
    else
      EXPECT_VB_ERROR(cases[i].first(sb), err::kSubscript);
    EXPECT_EQ(sb.ToString(), cases[i].second ? cases[i].second : "abcdefg");
    EXPECT_EQ(sb.Length(), static_cast<std::int32_t>(sb.ToString().size()));
  }
  StringBuilder wide;  // positions count characters
  wide.Append("汉字ab");
  wide.Insert(1, "和");
  wide.Remove(2, 2);
  EXPECT_EQ(wide.ToString(), "汉和b");
}

TEST(StringBuilder, FindSearchesTheUsedText) {
  StringBuilder sb;
  sb.Append("abcab");
  const std::tuple<const char*, std::int32_t, std::int32_t, std::int32_t> cases[] = {
      {"C", 1, 1, 3}, {"c", 1, 0, 3}, {"C", 1, 0, 0}, {"z", 1, 1, 0},
      {"a", 0, 1, 1}, {"ab", 2, 1, 4}, {"", 6, 1, 0}};
  for (const auto& [find, start, compare, expected] : cases)
    EXPECT_EQ(sb.Find(find, start, compare), expected) << find << " from " << start;
  EXPECT_EQ(sb.Find("B"), 2);  // text comparison by default
  EXPECT_VB_ERROR(sb.Find("a", 1, 2), err::kInvalidCall);
  sb.Remove(3, 2);
  EXPECT_EQ(sb.Find("b", 3), 0);
}

TEST(StringBuilder, HeapMinimizeKeepsAtMostOneSpareChunk) {
  StringBuilder sb;
  for (int i = 0; i < 400; ++i) sb.Append(std::string(100, 'x'));
  sb.TheString("x");
  sb.HeapMinimize();
  EXPECT_EQ(sb.Capacity(), 8192);
  sb.ChunkSize(3000);
  sb.HeapMinimize();
  EXPECT_EQ(sb.Capacity(), 2192);
  EXPECT_EQ(sb.ToString(), "x");
}

}  // namespace
}  // namespace cavra
