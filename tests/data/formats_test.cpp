#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cavra/error.h"
#include "data/date_format.h"
#include "data/decimal.h"
#include "data/field_format.h"
#include "data/number_format.h"
#include "fakes/expect_error.h"

namespace cavra {
namespace {

struct Case {
  const char* format;
  const char* value;
  const char* expected;
};

TEST(DatePicture, RendersStoredDatesAndTimes) {
  static constexpr Case kCases[] = {
      {"YYYY-MM-DD", "2024-03-05T14:07:09", "2024-03-05"},
      {"YYYY-MM-DD HH:mm:ss", "2024-03-05T14:07:09", "2024-03-05 14:07:09"},
      {"yyyy/MM/dd", "2024-03-05", "2024/03/05"},
      {"YY年MM月DD日", "2024-03-05", "24年03月05日"},
      {"HH:mm", "2024-03-05 08:30:00.123", "08:30"},
      {"DD.MM.YYYY hh:mm", " 2024/3/5 8:5 ", "05.03.2024 08:05"},
      {"YYYY-MM-DD HH:mm:ss", "2024-02-29", "2024-02-29 00:00:00"},
      {"mm/MM", "2024-03-05t14:07:09", "07/03"},
      {"Y-M-D", "2024-03-05", "Y-M-D"},  // single letters are literals
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.format) + " on " + c.value);
    EXPECT_EQ(DatePicture(c.format).Format(c.value), c.expected);
  }
}

TEST(DatePicture, TextThatIsNotADateComesBackUnchanged) {
  static constexpr const char* kValues[] = {
      "",           "abc",        "2023-02-29",          "2024-13-01",          "2024-04-31",
      "24-03-05",   "20240-03-05", "2024-03/05",         "2024-03-05x",         "2024-03-05T14",
      "2024-03-05T24:00:00", "2024-03-05T14:60", "2024-03-05T14:07:09.", "2024-03-05T14:07:09Z",
  };
  const DatePicture picture("YYYY-MM-DD");
  for (const char* value : kValues) {
    SCOPED_TRACE(value);
    EXPECT_EQ(picture.Format(value), value);
  }
  EXPECT_EQ(DatePicture("").Format("2024-03-05"), "2024-03-05");
}

TEST(DateTextFormat, CutsRatherThanRenders) {
  static constexpr Case kCases[] = {
      {"YYYY-MM-DD", "2024-03-05T14:07:09", "2024-03-05"},
      {"YYYY-MM-DD HH:mm:ss", "2024-03-05T14:07:09", "2024-03-05 14:07:09"},
      {"YYYY-MM-DD", "", ""},
      {"YYYY-MM-DD", "2024/3/5T1:2", "2024/3/5 1"},  // not re-rendered
      {"YY", "2024-03-05T14:07:09", "2024-03-05T14:07:09"},
      {"", "2024-03-05T14:07:09", "2024-03-05T14:07:09"},
      {"YYYY年MM月DD", "2024年03月05日T", "2024年03月05"},  // lengths count characters
      {"YYYY-MM-DD HH:mm:ss", "2024-03-05t14:07:09", "2024-03-05t14:07:09"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.format) + " on " + c.value);
    EXPECT_EQ(DateTextFormat(c.format).Apply(c.value), c.expected);
  }
}

TEST(FieldFormat, FollowsTheFieldTypeDecimalsAndFormatText) {
  struct Case {
    const char* name;
    std::int32_t fieldType;
    std::int32_t numPoint;
    const char* formatText;
    bool thousands;
    const char* value;
    const char* expected;
  };
  static constexpr Case kCases[] = {
      {"plain number", 2, 2, "", false, "1234.5", "1234.50"},
      {"grouped", 2, 2, "1", true, "1234.5", "1,234.50"},
      {"format only with thousands", 2, 2, "1", false, "1234.5", "1234.50"},
      {"picture", 4, 2, "#,##0.00", true, "-1234.567", "-1,234.57"},
      {"format 3 means none", 2, 2, "3", true, "1234.5", "1234.50"},
      {"zero without decimals", 2, 0, "", false, "0", "0"},
      {"lone minus", 2, 0, "#,###", true, "-0.4", ""},
      {"non-numeric", 2, 2, "1", true, "n/a", "n/a"},
      {"type 0 unformatted", 0, 2, "1", true, "1234.5", "1234.5"},
      {"type 1 unformatted", 1, 2, "1", true, "2024-03-05T14:07:09", "2024-03-05T14:07:09"},
      {"date-time to date", 5, 0, "YYYY-MM-DD", false, "2024-03-05T14:07:09", "2024-03-05"},
      {"19-character format", 5, 0, "YYYY-MM-DD HH:mm:ss", false, "2024-03-05T14:07:09.123",
       "2024-03-05 14:07:09"},
      {"date without format", 5, 0, "", false, "2024-03-05T14:07:09.123", "2024-03-05 14:07:09"},
      {"date format 4 means none", 5, 0, "4", true, "2024-03-05T14:07:09", "2024-03-05 14:07:09"},
      {"date text lower-cased", 5, 0, "YYYY-MM-DD HH:mm:ss", false, "Not A Date", "no  a da e"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const FieldFormat format(c.fieldType, c.numPoint, c.formatText, c.thousands);
    EXPECT_EQ(format.Apply(c.value), c.expected);
  }
}

// Formats that print alike are known to, so a text formatted by one need
// not be formatted again by the other.
TEST(FieldFormat, SameAsComparesWhatApplyDoes) {
  const FieldFormat sum(4, 2, "", false);
  EXPECT_TRUE(sum.SameAs(FieldFormat(4, 2, "", true)));
  EXPECT_TRUE(sum.SameAs(FieldFormat(2, 2, "0", true)));
  EXPECT_FALSE(sum.SameAs(FieldFormat(4, 2, "1", true)));
  EXPECT_FALSE(sum.SameAs(FieldFormat(4, 3, "", true)));
  EXPECT_FALSE(sum.SameAs(FieldFormat(4, 2, "#,##0.0#", true)));
  EXPECT_TRUE(FieldFormat(4, 2, "1", false).SameAs(sum));  // the format text needs thousands
  EXPECT_FALSE(sum.SameAs(FieldFormat(1, 2, "", false)));
  EXPECT_TRUE(FieldFormat(0, 2, "", false).SameAs(FieldFormat(1, 5, "1", true)));
  EXPECT_TRUE(FieldFormat(5, 0, "", false).SameAs(FieldFormat(5, 0, "4", true)));
  EXPECT_FALSE(FieldFormat(5, 0, "YYYY-MM-DD", false).SameAs(FieldFormat(5, 0, "", false)));
  EXPECT_FALSE(FieldFormat(5, 0, "", false).SameAs(sum));
}

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

std::string Text(std::string_view s) {
  const std::optional<Decimal> d = Decimal::Parse(s);
  return d ? d->ToString() : "<none>";
}

TEST(Decimal, ParsesNumericTextExactly) {
  const std::string nines38(38, '9');
  const struct {
    std::string text, expected;
  } kCases[] = {
      {"0.1", "0.1"},
      {"1.50", "1.5"},
      {"-0", "0"},
      {"+12", "12"},
      {" 000123.4500 ", "123.45"},
      {"1e3", "1000"},
      {"1.25e-1", "0.125"},
      {"1e-50", "0"},
      {nines38, nines38},
      {"0." + nines38, "0." + nines38},
      // 38 digits in all: the 39th is rounded half away from zero
      {"1." + std::string(37, '0') + "5", "1." + std::string(36, '0') + "1"},
      {"", "<none>"},
      {"abc", "<none>"},
      {"1,234", "<none>"},
      {"-", "<none>"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Text(c.text), c.expected);
  }
}

TEST(Decimal, AddsExactly) {
  const std::string nines38(38, '9');
  const struct {
    std::string a, b, sum;
  } kCases[] = {
      {"0.1", "0.2", "0.3"},
      {"1.50", "1.50", "3"},
      {"-5.25", "5.25", "0"},
      {"0.001", "1e5", "100000.001"},
      {"-1", "0.99", "-0.01"},
      {std::string(37, '9') + "8", "1", nines38},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.a + " + " + c.b);
    EXPECT_EQ((*Decimal::Parse(c.a) + *Decimal::Parse(c.b)).ToString(), c.sum);
    EXPECT_EQ(*Decimal::Parse(c.a) + *Decimal::Parse(c.b), *Decimal::Parse(c.sum));
  }
}

TEST(Decimal, OverflowsRatherThanRounds) {
  const std::string nines38(38, '9');
  EXPECT_VB_ERROR(Decimal::Parse("1e38"), err::kOverflow);
  EXPECT_VB_ERROR(Decimal::Parse(nines38 + ".5"), err::kOverflow);
  EXPECT_VB_ERROR(*Decimal::Parse(nines38) + *Decimal::Parse("1"), err::kOverflow);
  EXPECT_VB_ERROR(*Decimal::Parse("-" + nines38) + *Decimal::Parse("-" + nines38), err::kOverflow);
  // Exact at each scale, but together they need 39 digits.
  EXPECT_VB_ERROR(*Decimal::Parse("1e36") + *Decimal::Parse("0.01"), err::kOverflow);
}

TEST(ColumnSum, AddsNumericCellsAndSkipsTheRest) {
  ColumnSum sum;
  for (const char* cell : {"1234.50", "", "abc", "-34.5", "0.00", "1,000.00", "-"}) sum.Add(cell);
  EXPECT_EQ(sum.total().ToString(), "1200");
  EXPECT_EQ(sum.count(), 3);

  // A hundred thousand cents: a binary sum drifts, this one does not.
  const std::vector<std::string> cells(100000, "0.01");
  EXPECT_EQ(SumColumn(cells).ToString(), "1000");
}

}  // namespace
}  // namespace cavra
