#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cavra/collection.h"
#include "cavra/error.h"
#include "cavra/recordset.h"
#include "cavra/result.h"
#include "cavra/variant.h"
#include "fakes/expect_error.h"

namespace cavra {
namespace {

TEST(Collection, KeysAreUniqueWithoutRegardToCase) {
  Collection<std::string> c;
  c.Add("one", "Key");
  EXPECT_VB_ERROR(c.Add("two", "KEY"), err::kDuplicateKey);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(c.Item("kEy"), "one");
  c.Add("keyless");
  EXPECT_EQ(c.Item(2), "keyless");
}

TEST(Collection, PositionsAreOneBasedAndSurviveRemoval) {
  Collection<int> c;
  c.Add(10, "a");
  c.Add(20, "b");
  c.Add(30, "c");
  c.Remove("a");
  EXPECT_EQ(c.Item(1), 20);
  EXPECT_EQ(c.Item("c"), 30);
  EXPECT_EQ(c.PositionOf("C"), 2);
  EXPECT_VB_ERROR(c.Item(0), err::kSubscript);
  EXPECT_VB_ERROR(c.Item("a"), err::kInvalidCall);
}

Result<int> Half(int n) {
  if (n % 2) return VbError(err::kInvalidCall, std::to_string(n) + " is odd");
  return n / 2;
}

TEST(ResultTest, AValueOrAnErrorAndNeverBoth) {
  const Result<int> ok = Half(8);
  ASSERT_TRUE(ok.ok());
  EXPECT_TRUE(static_cast<bool>(ok));
  EXPECT_EQ(ok.value(), 4);
  EXPECT_EQ(*ok, 4);
  EXPECT_EQ(ok.value_or(-1), 4);
  EXPECT_VB_ERROR((void)ok.error(), err::kInvalidCall);

  const Result<int> odd = Half(7);
  ASSERT_FALSE(odd.ok());
  EXPECT_EQ(odd.error().number(), err::kInvalidCall);
  EXPECT_EQ(odd.error().description(), "7 is odd");
  EXPECT_EQ(odd.value_or(-1), -1);
  // value() and operator* throw the error itself, number and text.
  EXPECT_VB_ERROR((void)odd.value(), err::kInvalidCall, "7 is odd");
  EXPECT_VB_ERROR((void)*odd, err::kInvalidCall, "7 is odd");
}

TEST(ResultTest, MoveOnlyValuesAndPointerAccess) {
  Result<std::unique_ptr<std::string>> r = std::make_unique<std::string>("abc");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ((*r)->size(), 3u);
  std::unique_ptr<std::string> taken = std::move(r).value();
  ASSERT_TRUE(taken);
  EXPECT_EQ(*taken, "abc");

  Result<std::string> s = std::string("text");
  EXPECT_EQ(s->size(), 4u);
  s->append("!");
  EXPECT_EQ(*s, "text!");
}

TEST(ResultTest, VoidResultCarriesOnlyTheError) {
  const Result<void> done;
  EXPECT_TRUE(done.ok());
  EXPECT_NO_THROW(done.value());
  EXPECT_THROW((void)done.error(), VbError);

  const Result<void> failed = VbError(err::kConnection, "gone");
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.error().number(), err::kConnection);
  EXPECT_VB_ERROR(failed.value(), err::kConnection, "gone");
}

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

TEST(Recordset, WalksRecordsAndReadsFieldsByNameOrOrdinal) {
  Recordset rs({"cCode", "iQty"});
  EXPECT_TRUE(rs.Eof());
  EXPECT_TRUE(rs.Bof());
  rs.AddRow({"A", 1});
  rs.AddRow({"B", Variant::Null()});
  EXPECT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields("CCODE").Value(), Variant("A"));
  rs.MoveNext();
  EXPECT_TRUE(rs.Fields(1).Value().IsNull());
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_VB_ERROR(rs.MoveNext(), err::kNoCurrentRecord);
  EXPECT_VB_ERROR(rs.Value("cCode"), err::kNoCurrentRecord);
  EXPECT_VB_ERROR(rs.Fields("missing"), err::kItemNotFound);
  rs.MoveFirst();
  auto rows = rs.GetRows();
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rs.Eof());
  rs.Close();
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_VB_ERROR(rs.RecordCount(), 3704);  // the object is closed
}

TEST(Recordset, GetChunkReadsBinaryValuesPiecewise) {
  Recordset rs({"Picture"});
  Bytes data(40000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  rs.AddRow({Variant(data)});
  Field& f = rs.Fields("Picture");
  EXPECT_EQ(f.ActualSize(), 40000);
  Bytes joined;
  for (int n : {16384, 16384, 16384}) {
    Variant part = f.GetChunk(n);
    ASSERT_EQ(part.type(), VarType::Bytes);
    joined.insert(joined.end(), part.AsBytes().begin(), part.AsBytes().end());
  }
  EXPECT_EQ(joined, data);
  EXPECT_TRUE(f.GetChunk(10).IsNull());
}

}  // namespace
}  // namespace cavra
