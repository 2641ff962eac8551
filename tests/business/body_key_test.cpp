#include "business/body_key.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "fakes/hostile_values.h"

namespace cavra {
namespace {

using testing::MakeRecordset;

constexpr const char* kQuery = "select vchBodyPKName from vouchers_base where cardnumber=";

class BodyKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ds_->strict_sql = true;
    ctx_.SetDataSource(ds_);
  }
  int Sent(const std::string& sql) const {
    int n = 0;
    for (const auto& q : ds_->queries) n += q == sql;
    return n;
  }

  std::shared_ptr<testing::FakeDataSource> ds_ = std::make_shared<testing::FakeDataSource>();
  ServiceContext ctx_;
  BodyKeyCache cache_;
  BodyKey key_{ctx_, cache_};
};

TEST_F(BodyKeyTest, SendsTheQueryAsItStandsAndCachesTheAnswerOfThatTypeOnly) {
  const std::string so = std::string(kQuery) + "'SO'";
  const std::string obrien = std::string(kQuery) + "'O''Brien'";
  ds_->ExpectSql(so, MakeRecordset({"vchBodyPKName"}, {{"AutoID"}}));
  ds_->ExpectSql(obrien, MakeRecordset({"vchBodyPKName"}, {{"OB_ID"}}));

  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(key_.Name("SO"), "AutoID");
    EXPECT_EQ(key_.Name("O'Brien"), "OB_ID");
  }
  EXPECT_EQ(Sent(so), 1);
  EXPECT_EQ(Sent(obrien), 1);
  EXPECT_EQ(ds_->unexpected_sql, std::vector<std::string>{});
  EXPECT_EQ(cache_.Find("O'Brien"), "OB_ID");
  EXPECT_EQ(cache_.Find("O"), "");
}

TEST_F(BodyKeyTest, AnInjectedTypeStaysInsideItsLiteralAndIsNeverCached) {
  const std::string union_query =
      std::string(kQuery) + "'x'' union select group_concat(name) from sqlite_master where type=''table'";
  ds_->ExpectSql(union_query, MakeRecordset({"vchBodyPKName"}, {}));
  EXPECT_EQ(key_.Name(testing::UnionInjection()), "");
  EXPECT_EQ(key_.Name(testing::UnionInjection()), "");
  EXPECT_EQ(Sent(union_query), 2);  // no row, so asked again
  EXPECT_EQ(ds_->unexpected_sql, std::vector<std::string>{});
  EXPECT_EQ(cache_.Find(testing::UnionInjection()), "");
}

TEST_F(BodyKeyTest, ATypeNoLiteralCarriesRunsNoQuery) {
  EXPECT_EQ(key_.Name(testing::ValueWithNul()), "");
  EXPECT_EQ(ds_->queries, std::vector<std::string>{});
  EXPECT_EQ(cache_.Find(testing::ValueWithNul()), "");
  EXPECT_EQ(cache_.Find("before"), "");
}

TEST_F(BodyKeyTest, FailuresGiveAnEmptyNameAndCacheNothing) {
  ds_->strict_sql = false;
  ds_->fail_query_number = 1;
  EXPECT_EQ(key_.Name("SO"), "");
  ctx_.SetDataSource(nullptr);  // error 91 inside, logged
  EXPECT_EQ(key_.Name("SO"), "");
  ctx_.SetDataSource(ds_);
  ds_->OnSql("vouchers_base", MakeRecordset({"vchBodyPKName"}, {{Variant::Null()}}));
  EXPECT_EQ(key_.Name("SO"), "");
  EXPECT_EQ(cache_.Find("SO"), "");
}

}  // namespace
}  // namespace cavra
