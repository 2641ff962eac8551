#include <functional>

#include <gtest/gtest.h>

#include "cavra/error.h"
#include "cavra/string_builder.h"
#include "fakes/expect_error.h"

namespace cavra {
namespace {

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
