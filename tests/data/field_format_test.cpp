#include <gtest/gtest.h>

#include <string>

#include "data/field_format.h"

namespace cavra {
namespace {

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

}  // namespace
}  // namespace cavra
