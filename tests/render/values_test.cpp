#include "render/values.h"

#include <gtest/gtest.h>

#include "render/layout.h"

namespace cavra::render {
namespace {

std::int64_t Amount(const char* text) {
  std::int64_t v = 0;
  EXPECT_TRUE(ParseAmount(text, v)) << text;
  return v;
}

TEST(RenderValues, AmountsParseExactlyOrNotAtAll) {
  EXPECT_EQ(Amount("12345.67"), 12345670000);
  EXPECT_EQ(Amount("-1,234.5"), -1234500000);
  EXPECT_EQ(Amount(" 0.0000005 "), 1);  // the seventh decimal rounds
  EXPECT_EQ(Amount("7"), 7000000);
  std::int64_t v = 0;
  for (const char* bad : {"", "-", "abc", "1.2.3", "12a", ",5", "99999999999999999999", "1e5"})
    EXPECT_FALSE(ParseAmount(bad, v)) << bad;
}

TEST(RenderValues, AmountsFormatByTheColumnFormat) {
  struct Case {
    const char* value;
    const char* format;
    const char* expected;
  } cases[] = {
      {"1234567.891", "#,##0.00", "1,234,567.89"},
      {"-1234.5", "#,##0.00", "-1,234.50"},
      {"0.005", "0.00", "0.01"},
      {"-0.005", "0.00", "-0.01"},
      {"999.995", "#,##0.00", "1,000.00"},
      {"12.5", "0", "13"},
      {"12.5", "", "12.5"},
      {"100", "", "100"},
      {"0.1234", "0.000", "0.123"},
      {"-0.001", "0.00", "0.00"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatAmount(Amount(c.value), c.format), c.expected) << c.value;
}

TEST(RenderValues, UpperCaseMoneyFollowsTheChequeRules) {
  struct Case {
    const char* value;
    const char* expected;
  } cases[] = {
      {"12345.67", "壹万贰仟叁佰肆拾伍元陆角柒分"},
      {"1005", "壹仟零伍元整"},
      {"10050.5", "壹万零伍拾元伍角"},
      {"100000", "壹拾万元整"},
      {"100010000", "壹亿零壹万元整"},
      {"0.05", "伍分"},
      {"3.04", "叁元零肆分"},
      {"0", "零元整"},
      {"-20.1", "负贰拾元壹角"},
      {"0.004", "零元整"},
  };
  for (const Case& c : cases) EXPECT_EQ(UpperMoney(Amount(c.value)), c.expected) << c.value;
  EXPECT_EQ(UpperNumber(Amount("1205.5")), "壹仟贰佰零伍点伍");
}

TEST(RenderValues, UpperCaseDatesAndTheTypeTable) {
  EXPECT_EQ(UpperDate("2026-12-06"), "贰零贰陆年壹拾贰月零陆日");
  EXPECT_EQ(UpperDate("2026/10/20 08:30:00"), "贰零贰陆年零壹拾月零贰拾日");
  EXPECT_EQ(UpperDate("2026-03-15"), "贰零贰陆年零叁月壹拾伍日");
  for (const char* bad : {"", "26-12-06", "2026-13-01", "2026-12-32", "2026-12", "2026-12-06x"})
    EXPECT_EQ(UpperDate(bad), "") << bad;
  EXPECT_EQ(FieldText(5, "12345.67"), "壹万贰仟叁佰肆拾伍元陆角柒分");
  EXPECT_EQ(FieldText(5, "不是数字"), "不是数字");
  EXPECT_EQ(FieldText(20, "2026-12-06"), "贰零贰陆年壹拾贰月零陆日");
  EXPECT_EQ(FieldText(0, "12345.67"), "12345.67");
  EXPECT_EQ(FieldText(99, "x"), "x");
}

TEST(RenderValues, CellReferencesResolveOrGoEmpty) {
  auto cell = [](std::size_t row, const std::string& column, std::string& out) {
    if (row < 2 && column == "iMoney") out = row == 0 ? "10.00" : "20.00";
  };
  EXPECT_EQ(ResolveCellReferences("首行%G:0,##iMoney##%, 次行%G:1,##iMoney##%", cell),
            "首行10.00, 次行20.00");
  EXPECT_EQ(ResolveCellReferences("[%G:7,##iMoney##%][%G:0,##nope##%][%G:x,##iMoney##%]", cell), "[][][]");
  EXPECT_EQ(ResolveCellReferences("%G:-1,##iMoney##%", cell), "");
  EXPECT_EQ(ResolveCellReferences("%G:0,##iMoney", cell), "%G:0,##iMoney");  // unterminated: as written
}

TEST(RenderValues, PrintPositionWords) {
  // group of three pages, inside a voucher of five
  auto on = [](const char* word) {
    std::string pages;
    for (int i = 0; i < 3; ++i) pages += PrintsOn(word, i, 3, i + 2, 5) ? '1' : '0';
    return pages;
  };
  EXPECT_EQ(on("打印"), "111");
  EXPECT_EQ(on(""), "111");
  EXPECT_EQ(on("不打印"), "000");
  EXPECT_EQ(on("第一页"), "100");
  EXPECT_EQ(on("最后一页"), "001");
  EXPECT_EQ(on("除第一页"), "011");
  EXPECT_EQ(on("除最后一页"), "110");
  EXPECT_EQ(on("单页"), "101");
  EXPECT_EQ(on("双页"), "010");
  EXPECT_EQ(on("第一页(整单)"), "000");
  EXPECT_EQ(on("最后一页(整单)"), "001");
}

}  // namespace
}  // namespace cavra::render
