#include <functional>

#include <gtest/gtest.h>

#include "cavra/error.h"
#include "cavra/string_builder.h"

namespace cavra {
namespace {

std::string Repeat(std::string_view unit, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s.append(unit);
  return s;
}

template <class F>
std::int32_t ErrorNumber(F&& f) {
  try {
    f();
  } catch (const VbError& e) {
    return e.number();
  }
  return 0;
}

TEST(StringBuilder, StartsEmpty) {
  StringBuilder sb;
  EXPECT_EQ(sb.Length(), 0);
  EXPECT_EQ(sb.Capacity(), 0);
  EXPECT_EQ(sb.ChunkSize(), 8192);
  EXPECT_EQ(sb.ToString(), "");
}

TEST(StringBuilder, CapacityGrowsInWholeChunks) {
  struct Case {
    const char* name;
    std::function<void(StringBuilder&)> build;
    std::int32_t length;
    std::int32_t capacity;
  };
  const Case cases[] = {
      {"append 10000", [](StringBuilder& sb) { sb.Append(std::string(10000, 'a')); }, 10000, 16384},
      {"and one more",
       [](StringBuilder& sb) {
         sb.Append(std::string(10000, 'a'));
         sb.AppendByVal("b");
       },
       10001, 16384},
      {"append exactly a chunk", [](StringBuilder& sb) { sb.Append(std::string(8192, 'a')); }, 8192, 16384},
      {"characters, not bytes", [](StringBuilder& sb) { sb.Append(Repeat("汉", 10000)); }, 10000, 16384},
      {"small appends", [](StringBuilder& sb) { for (int i = 0; i < 9000; ++i) sb.Append("x"); }, 9000, 16384},
      {"set text: one chunk at a time", [](StringBuilder& sb) { sb.TheString(std::string(8192, 'a')); }, 8192,
       8192},
      {"set text keeps a larger capacity",
       [](StringBuilder& sb) {
         sb.Append(std::string(20000, 'a'));
         sb.TheString("x");
       },
       1, 24576},
      {"set empty text",
       [](StringBuilder& sb) {
         sb.Append("abc");
         sb.TheString("");
       },
       0, 0},
      {"own chunk size",
       [](StringBuilder& sb) {
         sb.ChunkSize(100);
         sb.Append(std::string(250, 'a'));
       },
       250, 300},
      {"insert grows like append",
       [](StringBuilder& sb) {
         sb.ChunkSize(10);
         sb.Append("abc");
         sb.Insert(1, std::string(12, 'x'));
       },
       15, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StringBuilder sb;
    c.build(sb);
    EXPECT_EQ(sb.Length(), c.length);
    EXPECT_EQ(sb.Capacity(), c.capacity);
  }
}

TEST(StringBuilder, InsertAndRemoveCheckTheirRange) {
  struct Case {
    const char* name;
    std::function<void(StringBuilder&)> edit;
    const char* expected;  // nullptr: error 9 and the text unchanged
  };
  const Case cases[] = {
      {"insert at 0", [](StringBuilder& sb) { sb.Insert(0, "x"); }, "xabcdefg"},
      {"insert at Length appends", [](StringBuilder& sb) { sb.InsertByVal(7, "x"); }, "abcdefgx"},
      {"insert past Length", [](StringBuilder& sb) { sb.Insert(8, "x"); }, nullptr},
      {"insert before 0", [](StringBuilder& sb) { sb.Insert(-1, "x"); }, nullptr},
      {"remove inside", [](StringBuilder& sb) { sb.Remove(2, 3); }, "abfg"},
      {"remove to the end", [](StringBuilder& sb) { sb.Remove(4, 3); }, "abcd"},
      {"remove nothing", [](StringBuilder& sb) { sb.Remove(7, 0); }, "abcdefg"},
      {"remove past the end", [](StringBuilder& sb) { sb.Remove(5, 3); }, nullptr},
      {"remove a negative count", [](StringBuilder& sb) { sb.Remove(1, -1); }, nullptr},
      {"remove from before 0", [](StringBuilder& sb) { sb.Remove(-1, 1); }, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StringBuilder sb;
    sb.TheString("abcdefg");
    const std::int32_t number = ErrorNumber([&] { c.edit(sb); });
    EXPECT_EQ(number, c.expected ? 0 : 9);
    EXPECT_EQ(sb.ToString(), c.expected ? c.expected : "abcdefg");
    EXPECT_EQ(sb.Length(), static_cast<std::int32_t>(sb.ToString().size()));
  }
}

TEST(StringBuilder, PositionsCountCharacters) {
  StringBuilder sb;
  sb.Append("汉字ab");
  sb.Insert(1, "和");
  EXPECT_EQ(sb.ToString(), "汉和字ab");
  sb.Remove(2, 2);
  EXPECT_EQ(sb.ToString(), "汉和b");
  EXPECT_EQ(sb.Length(), 3);
  EXPECT_EQ(sb.Find("b"), 3);
  EXPECT_EQ(ErrorNumber([&] { sb.Remove(1, 3); }), 9);
}

TEST(StringBuilder, FindSearchesTheUsedText) {
  struct Case {
    const char* find;
    std::int32_t start;
    std::int32_t compare;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"C", 1, 1, 3},  {"c", 1, 0, 3}, {"C", 1, 0, 0}, {"z", 1, 1, 0}, {"a", 0, 1, 1},
      {"a", -5, 1, 1}, {"ab", 2, 1, 4}, {"a", 5, 1, 0}, {"", 2, 1, 2},  {"", 6, 1, 0},
  };
  StringBuilder sb;
  sb.Append("abcab");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.find) + " from " + std::to_string(c.start));
    EXPECT_EQ(sb.Find(c.find, c.start, c.compare), c.expected);
  }
  EXPECT_EQ(sb.Find("B"), 2);  // text comparison is the default
  EXPECT_EQ(ErrorNumber([&] { sb.Find("a", 1, 2); }), 5);
  sb.Remove(3, 2);  // what was removed is not found any more
  EXPECT_EQ(sb.Find("b", 3), 0);
}

TEST(StringBuilder, HeapMinimizeKeepsAtMostOneSpareChunk) {
  StringBuilder sb;
  for (int i = 0; i < 400; ++i) sb.Append(std::string(100, 'x'));
  EXPECT_EQ(sb.Capacity(), 40960);
  sb.TheString("x");
  sb.HeapMinimize();
  EXPECT_EQ(sb.Capacity(), 8192);
  EXPECT_EQ(sb.ToString(), "x");

  sb.ChunkSize(3000);  // capacity 8192 - 1 spare: 3000 comes off twice
  sb.HeapMinimize();
  EXPECT_EQ(sb.Capacity(), 2192);
}

TEST(StringBuilder, ChunkSizeBelowOneIsRefused) {
  StringBuilder sb;
  EXPECT_EQ(ErrorNumber([&] { sb.ChunkSize(0); }), 5);
  EXPECT_EQ(sb.ChunkSize(), 8192);
}

}  // namespace
}  // namespace cavra
