#include <gtest/gtest.h>

#include <string>

#include "cavra/error.h"
#include "data/number_format.h"
#include "fakes/expect_error.h"

namespace cavra {
namespace {

// Required, optional and grouped digits; literals in place; the decimal
// value rounded half away from zero.
TEST(NumberPicture, FormatsByThePicture) {
  struct Case {
    const char* picture;
    const char* value;
    const char* expected;
  };
  static constexpr Case kCases[] = {
      {"####0.00", "1234.5", "1234.50"},
      {"###,###,####0.00", "1234.5", "1,234.50"},
      {"###,###,####0.00", "-1234567.891", "-1,234,567.89"},
      {"#", "0", ""},
      {"####0", "0", "0"},
      {"000", "7", "007"},
      {"00", "12345", "12345"},  // digits beyond the placeholders are not lost
      {"0#", "5", "05"},
      {"#.##", "5", "5."},  // the point stays, as in VB
      {"#.##", "0", "."},
      {"0.0#", "1", "1.0"},
      {".00", "12.5", "12.50"},
      {".00", "0.5", ".50"},
      {"¥#,##0.00元", "1234.5", "¥1,234.50元"},
      {"##-##", "1234", "12-34"},
      {"(0)", "-5", "-(5)"},
      {"0.0 kg", "2.25", "2.3 kg"},
      {"0.00.0", "1.5", "1.50.0"},  // a second point is a literal
      {"x", "12", "x12"},           // no placeholders: the digits end the integer part
      {"0.00", "1.005", "1.01"},  // 1.00499999... as a double
      {"0.00", "0.125", "0.13"},
      {"0.00", "-0.005", "-0.01"},
      {"0.00", "9.995", "10.00"},
      {"#,##0.00", "999999.999", "1,000,000.00"},
      {"0", "2.5", "3"},
      {"0", "-2.5", "-3"},
      {"#", "-0.4", "-"},  // the sign survives rounding to zero
      {"0", "-0.4", "-0"},
      {"0", "-0", "0"},
      {"0.00", "123456789012345678901234567890.125", "123456789012345678901234567890.13"},
      {"0.00", "1e-30", "0.00"},
      {"0.00", "-1e-30", "-0.00"},
      {"0.00", "1.5E3", "1500.00"},
      {"0.00", "12345e-2", "123.45"},
      {"0.00", "+5e+0", "5.00"},
      {"0.00", ".5", "0.50"},
      {"0.00", " 12 ", "12.00"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.picture) + " on \"" + c.value + "\"");
    EXPECT_EQ(NumberPicture(c.picture).Format(c.value), c.expected);
  }
}

TEST(NumberPicture, TextThatIsNotANumberComesBackUnchanged) {
  static constexpr const char* kValues[] = {"", "  ", "abc", "1,234", "1e", ".", "-", "12a", "0x10", "1.2.3"};
  const NumberPicture picture("#,##0.00");
  for (const char* value : kValues) {
    SCOPED_TRACE(value);
    EXPECT_EQ(picture.Format(value), value);
  }
  EXPECT_EQ(NumberPicture("").Format("1.50"), "1.50");
}

TEST(NumberPicture, ValuesBeyondAnyDoubleOverflow) {
  EXPECT_EQ(NumberPicture("0").Format("1e308").size(), 309u);
  EXPECT_VB_ERROR(NumberPicture("0").Format("1e309"), err::kOverflow);
  EXPECT_EQ(NumberPicture("0").Format("1e-99999999999999999"), "0");
}

TEST(NumberPicture, BuildNumberPicture) {
  struct Case {
    const char* fmt;
    std::int32_t numPoint;
    const char* expected;
  };
  static constexpr Case kCases[] = {
      {"", 2, ""},
      {"#,##0.00", 2, "#,##0.00"},
      {"#,##0.##", 3, "#,##0.###"},
      {"0.0", 4, "0.0000"},
      {"#,###", 2, "#,###.##"},
      {"#,##0", -1, "#,##0"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.fmt) + " with " + std::to_string(c.numPoint));
    EXPECT_EQ(BuildNumberPicture(c.fmt, c.numPoint), c.expected);
  }
}

TEST(NumberFormat, ChoosesThePictureFromDecimalsAndFormatText) {
  struct Case {
    const char* value;
    std::int32_t numPoint;
    const char* fmt;
    const char* expected;
  };
  static constexpr Case kCases[] = {
      {"1234.5", 2, "0", "1234.50"},
      {"1234.5", 2, "1", "1,234.50"},
      {"0", 0, "", "0"},
      {"-0.4", 0, "#,###", ""},  // a lone "-" becomes empty
      {"-0.4", 0, "", "-0"},
      {"1234.567", 2, " ¥#,##0.00 ", "¥1,234.57"},
      {"1.5", 2, "#,###.##", "1.5"},
      {"12", 3, "0.##", "12."},
      {"abc", 2, "1", "abc"},
      {"", 2, "1", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.value) + " / " + std::to_string(c.numPoint) + " / \"" + c.fmt + "\"");
    EXPECT_EQ(NumberFormat(c.numPoint, c.fmt).Apply(c.value), c.expected);
  }
}

}  // namespace
}  // namespace cavra
