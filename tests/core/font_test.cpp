#include <gtest/gtest.h>

#include "cavra/error.h"
#include "cavra/font.h"

namespace cavra {
namespace {

TEST(Font, FontStringRoundTrips) {
  EXPECT_EQ(clsFont().FontString(), "Tahoma,9,0,0,1");
  struct Case {
    const char* text;
    bool bold;
    bool italic;
  };
  const Case cases[] = {
      {"宋体,12,255,1,3", true, true},
      {"Arial,10,0,0,2", true, false},
      {"Arial,10,0,0,1", false, false},
      {"Arial,10,0,0,0", false, true},
      {"Arial,-8,16711680,0,1", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    clsFont font;
    font.FontString(c.text);
    EXPECT_EQ(font.FontBold, c.bold);
    EXPECT_EQ(font.FontItalic, c.italic);
    EXPECT_EQ(font.FontString(), c.text);
  }
  clsFont font;
  font.FontString("宋体,12,255,1,3");
  EXPECT_EQ(font.FontName, "宋体");
  EXPECT_EQ(font.FontSize, 12);
  EXPECT_EQ(font.FontColor, 255);
  EXPECT_TRUE(font.FontUnderLine);
}

TEST(Font, LooseTextsChangeWhatTheyCan) {
  struct Case {
    const char* text;
    const char* expected;  // starting from "Old,8,1,1,3"
  };
  const Case cases[] = {
      {"New,10,2,0", "Old,8,1,1,3"},               // fewer than five parts
      {"New,10.5,2,2,7", "New,10,2,1,3"},          // size rounded half to even; style 7 leaves bold/italic
      {"New,11.5,2,0,x", "New,12,2,0,3"},
      {"New,10,2,0,2,extra", "New,10,2,0,2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    clsFont font;
    font.FontString("Old,8,1,1,3");
    font.FontString(c.text);
    EXPECT_EQ(font.FontString(), c.expected);
  }
}

TEST(Font, TextThatIsNotNumericIsRefusedWhole) {
  clsFont font;
  try {
    font.FontString("New,big,0,0,2");
    FAIL();
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), 13);
  }
  EXPECT_EQ(font.FontString(), "Tahoma,9,0,0,1");
}

TEST(Font, SetFontCopiesAStandardFont) {
  clsFont font;
  font.SetFont(nullptr);
  EXPECT_EQ(font.FontString(), "Tahoma,9,0,0,1");
  const StdFont half_even{"黑体", 10.5, true, false, true};
  font.SetFont(&half_even);
  font.SetFontColor(0xFF);
  EXPECT_EQ(font.FontString(), "黑体,10,255,1,0");
  const StdFont up{"Arial", 11.5, false, true, false};
  font.SetFont(&up);
  EXPECT_EQ(font.FontString(), "Arial,12,255,0,2");
}

}  // namespace
}  // namespace cavra
