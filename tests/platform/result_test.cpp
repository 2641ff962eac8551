#include "cavra/result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fakes/expect_error.h"

namespace cavra {
namespace {

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

}  // namespace
}  // namespace cavra
