#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cavra/error.h"
#include "data/decimal.h"
#include "fakes/expect_error.h"

namespace cavra {
namespace {

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
