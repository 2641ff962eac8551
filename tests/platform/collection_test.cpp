#include <gtest/gtest.h>

#include "cavra/collection.h"
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

}  // namespace
}  // namespace cavra
