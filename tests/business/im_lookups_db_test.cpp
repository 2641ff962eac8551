// The six master-data lookups on the sample's contacts, as the service
// sends them, through the dialect translation: SQLite, and PostgreSQL when
// CAVRA_TEST_PG is set.
#include <gtest/gtest.h>

#include "business/im_contacts.h"
#include "datasource/embedded.h"
#include "fakes/expect_error.h"
#include "fakes/fakes.h"
#include "fakes/hostile_values.h"
#include "fakes/scratch_database.h"

namespace cavra {
namespace {

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
