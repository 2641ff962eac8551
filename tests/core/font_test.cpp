#include <gtest/gtest.h>

#include "cavra/error.h"
#include "cavra/font.h"
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

}  // namespace
}  // namespace cavra
