#include <gtest/gtest.h>

#include "cavra/error.h"
#include "cavra/variant.h"
#include "fakes/expect_error.h"

namespace cavra {
namespace {

TEST(VariantConversions, CLngRoundsHalfToEven) {
  struct Case {
    Variant in;
    std::int32_t out;
  } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.5, 0}, {1.5, 2}, {"2.5", 2}, {" 7 ", 7},
               {true, -1}, {Variant(), 0}, {2147483647.4, 2147483647}};
  for (const auto& c : cases) {
    SCOPED_TRACE(CStr(c.in));
    EXPECT_EQ(CLng(c.in), c.out);
  }
  EXPECT_VB_ERROR(CLng(Variant("abc")), err::kTypeMismatch);
  EXPECT_VB_ERROR(CLng(Variant::Null()), err::kInvalidUseOfNull);
  EXPECT_VB_ERROR(CLng(Variant(3e9)), err::kOverflow);
}

TEST(VariantConversions, CStrPrintsAsVbDoes) {
  struct Case {
    Variant in;
    const char* out;
  } cases[] = {{Variant(), ""},        {true, "True"},        {false, "False"},      {1234.5, "1234.5"},
               {0.1 + 0.2, "0.3"},     {1e20, "1E+20"},       {0.00001, "1E-05"},    {0.0001, "0.0001"},
               {std::int16_t(-3), "-3"}, {123456789012345.0, "123456789012345"}, {-0.0, "0"}};
  for (const auto& c : cases) EXPECT_EQ(CStr(c.in), c.out);
  EXPECT_VB_ERROR(CStr(Variant::Null()), err::kInvalidUseOfNull);
}

TEST(VariantConversions, CBoolAndCDbl) {
  EXPECT_TRUE(CBool(Variant("True")));
  EXPECT_TRUE(CBool(Variant("true")));
  EXPECT_FALSE(CBool(Variant("False")));
  EXPECT_TRUE(CBool(Variant("-1")));
  EXPECT_FALSE(CBool(Variant("0")));
  EXPECT_TRUE(CBool(Variant(0.1)));
  EXPECT_VB_ERROR(CBool(Variant("yes")), err::kTypeMismatch);
  EXPECT_DOUBLE_EQ(CDbl(Variant(" -1.5e2 ")), -150.0);
  EXPECT_DOUBLE_EQ(CDbl(Variant()), 0.0);
}

TEST(VariantConversions, IsNumericFollowsTheTextRule) {
  for (const char* yes : {"1", " 12 ", "-3.5", "+.5", "1.", "1e5", "1E-3"}) EXPECT_TRUE(IsNumeric(Variant(yes))) << yes;
  for (const char* no : {"", " ", "abc", "1e", "1,000", "--1", ".", "1 2", "\t1"})
    EXPECT_FALSE(IsNumeric(Variant(no))) << no;
  EXPECT_TRUE(IsNumeric(Variant()));
  EXPECT_FALSE(IsNumeric(Variant::Null()));
}

TEST(VariantValue, TypedAccessChecksTheType) {
  Variant s("x");
  EXPECT_VB_ERROR((void)s.AsLong(), err::kTypeMismatch);
  EXPECT_EQ(Variant(std::int64_t(5)).type(), VarType::Long);
  EXPECT_EQ(Variant(std::int64_t(1) << 40).type(), VarType::Double);
  EXPECT_EQ(Variant("a"), Variant(std::string("a")));
  EXPECT_FALSE(Variant(1) == Variant(1.0));
  EXPECT_TRUE(Variant::Null().IsNull());
}

}  // namespace
}  // namespace cavra
