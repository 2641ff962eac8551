// The default print-policy client against SQLite and, with CAVRA_TEST_PG,
// PostgreSQL: what it stores is what the print-count text of labels reads.
#include <gtest/gtest.h>

#include "business/print_policy.h"
#include "cavra/sql_text.h"
#include "fakes/fakes.h"
#include "fakes/scratch_database.h"

namespace cavra {
namespace {

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

}  // namespace
}  // namespace cavra
