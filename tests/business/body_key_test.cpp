#include <gtest/gtest.h>

#include "business/body_key.h"
#include "business/im_contacts.h"
#include "business/print_policy.h"
#include "cavra/sql_text.h"
#include "datasource/embedded.h"
#include "fakes/expect_error.h"
#include "fakes/fakes.h"
#include "fakes/hostile_values.h"
#include "fakes/scratch_database.h"

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

// The default print-policy client against SQLite and, with CAVRA_TEST_PG,
// PostgreSQL: what it stores is what the print-count text of labels reads.
using testing::PgConninfo;
using testing::ScratchDatabase;

class PrintPolicyStore : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!db.ds) GTEST_SKIP() << "CAVRA_TEST_PG is not set: run tests/datasource/pg_test_server.sh start";
  }
  std::shared_ptr<PrintPolicy> Client(const std::vector<std::string>& ids) {
    auto client = std::make_shared<PrintPolicy>();
    client->DataSource(db.ds);
    client->langID("zh-CN");
    client->policyid("17_12");
    for (const auto& id : ids) client->AddSVID(id);
    return client;
  }
  // The count query of the print-count label text, with its literals.
  RecordsetPtr Count(const std::string& receipt, const std::string& billNo) {
    std::string err;
    RecordsetPtr rs = db.ds->GetRsBySql(
        "select sum(total) as total,max(lastprintTime) as  lastprintTime,GetDate() as CurrentServerDate "
        "from PrintPolicy_VCH where  vchid=" +
            SqlLiteral(receipt) + " and PolicyID like " + SqlLiteral(billNo + "_%"),
        err);
    EXPECT_EQ(err, "");
    return rs;
  }
  ScratchDatabase db{GetParam()};
};

TEST_P(PrintPolicyStore, EachPrintCountsEveryVoucherUnderItsReceiptNumber) {
  db.ds->setLogin(std::make_shared<testing::FakeLogin>());
  Client({"SO-1{##}1001", "SO-2{##}1002{##}17|SO-2"})->Printed();
  Client({"SO-1{##}1001"})->Printed();
  RecordsetPtr one = Count("SO-1", "17");
  ASSERT_TRUE(one && !one->Eof());
  EXPECT_EQ(CLng(one->Value("total")), 2);
  EXPECT_FALSE(one->Value("lastprintTime").IsNull());
  EXPECT_EQ(CLng(Count("SO-2", "17")->Value("total")), 1);
  EXPECT_TRUE(Count("SO-3", "17")->Value("total").IsNull());
  EXPECT_TRUE(Count("SO-1", "18")->Value("total").IsNull()) << "another voucher type's policy";

  std::string err;
  RecordsetPtr who = db.ds->GetRsBySql("select lastprintUser from PrintPolicy_VCH where vchid='SO-1'", err);
  ASSERT_TRUE(who && !who->Eof()) << err;
  EXPECT_EQ(CStr(who->Value("lastprintUser")), "demo");
}

TEST_P(PrintPolicyStore, HostileIdentifiersAreStoredAsTheyAreAndEmptyOnesSkipped) {
  const std::string hostile = "x'); delete from PrintPolicy_VCH; --\\";
  Client({"SO-1{##}1"})->Printed();
  Client({hostile + "{##}1", "{##}2", ""})->Printed();
  EXPECT_EQ(CLng(Count(hostile, "17")->Value("total")), 1);
  EXPECT_EQ(CLng(Count("SO-1", "17")->Value("total")), 1) << "the earlier row survives";
  std::string err;
  EXPECT_EQ(db.ds->GetRsBySql("select vchid from PrintPolicy_VCH", err)->RecordCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, PrintPolicyStore, ::testing::Values("sqlite", "postgresql"));

TEST(PrintPolicyFailures, NoDataSourceOrOneThatAnswersNothingRaises) {
  PrintPolicy client;
  client.AddSVID("SO-1{##}1");
  EXPECT_THROW(client.Printed(), VbError);
  auto fake = std::make_shared<testing::FakeDataSource>();  // answers every query with an error
  client.DataSource(fake);
  EXPECT_THROW(client.Printed(), VbError);
  EXPECT_EQ(fake->queries.size(), 1u) << "nothing is written after a failed read";
}

// The six master-data lookups on the sample's contacts, as the service
// sends them, through the dialect translation: SQLite, and PostgreSQL when
// CAVRA_TEST_PG is set.
class IMLookupsDbTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!db_.ds) GTEST_SKIP() << "CAVRA_TEST_PG is not set";
    ctx_.SetDataSource(db_.ds);
  }

  testing::ScratchDatabase db_{GetParam(), "", datasource::EmbeddedExamples()};
  ServiceContext ctx_;
  FieldRights rights_;
  TemplateModel model_{ctx_, rights_, nullptr};
  IMContacts im_{ctx_, model_, VoucherHeader{}};
};

TEST_P(IMLookupsDbTest, EachLookupFindsTheLinkedUser) {
  EXPECT_EQ(im_.GetHRPersonInfo("cPsn_Num", "HR003"), "u04");
  EXPECT_EQ(im_.GetIMVendorInfo("cVenCode", "V001"), "u03");  // through its contact person 陈立
  EXPECT_EQ(im_.GetIMDepartmentInfo("cDepCode", "0301"), "u04");
  EXPECT_EQ(im_.GetIMCustomerInfo("cCusCode", "C001"), "u03");
  EXPECT_EQ(im_.GetIMPersonInfo("cPersonCode", "P0012"), "u02");
  EXPECT_EQ(im_.GetIMUAUserInfo("cUser_Name", "赵敏"), "u04");
  // A row without a linked user, and no row at all.
  EXPECT_EQ(im_.GetIMCustomerInfo("cCusCode", "C002"), "");
  EXPECT_TRUE(
      testing::RaisesVbError([&] { im_.GetIMPersonInfo("cPersonCode", "P9999"); }, err::kNoCurrentRecord));
}

TEST_P(IMLookupsDbTest, ANameWithQuotesAndChineseIsFoundAsItStands) {
  int n = 0;
  for (const auto& [name, value] : testing::HostileValues()) {
    SCOPED_TRACE(name);
    const std::string id = "h" + std::to_string(++n);
    ASSERT_TRUE(db_.ds->ExecuteSql("insert into TolmSystem..UA_User (cUser_Id, cUser_Name) values (?, ?)",
                                   {Variant(id), Variant(value)})
                    .ok());
    EXPECT_EQ(im_.GetIMUAUserInfo("cUser_Name", value), id);
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, IMLookupsDbTest, ::testing::Values("sqlite", "postgresql"));

}  // namespace
}  // namespace cavra
