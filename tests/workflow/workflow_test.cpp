#include <gtest/gtest.h>

#include "workflow_fixture.h"

namespace cavra {
namespace {

using testing::Rowset;
using testing::WorkflowHarness;

const char* kItems =
    "<item fieldname='ID' cardsection='T' showit='0' canmodify='1'/>"
    "<item fieldname='cCode' cardsection='T' showit='1' canmodify='1'/>"
    "<item fieldname='cMemo' cardsection='T' showit='1' canmodify='1'/>"
    "<item fieldname='cCode' cardsection='B' showit='1' canmodify='1'/>"
    "<item fieldname='cMemo' cardsection='B' showit='1' canmodify='1'/>";

struct Rights : ::testing::Test {
  WorkflowHarness h;
  std::shared_ptr<testing::FakeGrid> grid = std::make_shared<testing::FakeGrid>();

  void Load(const std::string& auth) {
    h.ds->auth_string = auth;
    h.Load(kItems, "ReceiptNOFieldName='cCode'");
    h.ctx.SetGrid(grid);
  }
  void LoadData(VoucherStatusConstants status) {
    h.LoadData(Rowset("ID,cCode", "<z:row ID='{7}' cCode='SO-1'/>"), status);
  }
  std::string Flag(const char* field, std::int32_t section) {
    return h.model.ItemState(Variant(field), section)->AuthFlag;
  }
};

TEST_F(Rights, WorkflowStepMakesOnlyItsFieldsWritable) {
  Load("CCODE{##}T;CMEMO[####]True");
  h.ds->workflow_auth = "T;CCODE";
  LoadData(VSeEditMode);
  ASSERT_EQ(h.ds->workflow_calls.size(), 1u);
  EXPECT_EQ(h.ds->workflow_calls[0], "7|SO-1|17");  // braces removed from the key
  EXPECT_EQ(Flag("cCode", siHeader), "W");
  EXPECT_TRUE(h.model.ItemState(Variant("cCode"), siHeader)->bCanModify());
  EXPECT_EQ(Flag("cCode", sibody), "R");
  EXPECT_EQ(Flag("cMemo", siHeader), "R");
  EXPECT_FALSE(h.lines.BodyReadOnly());

  // Out of the flow again: the read-only list comes back, the hidden flag is gone.
  h.ds->workflow_auth = "NotInFlow";
  LoadData(VSeEditMode);
  EXPECT_EQ(Flag("cCode", siHeader), "R");
  EXPECT_EQ(Flag("cMemo", siHeader), "");
  EXPECT_EQ(Flag("ID", siHeader), "");
}

TEST_F(Rights, NothingWritableMakesTheBodyReadOnly) {
  Load("CCODE{##}T;CMEMO[####]True");
  h.ds->workflow_auth = "1=2";
  LoadData(VSeEditMode);
  EXPECT_EQ(Flag("cCode", siHeader), "R");
  EXPECT_EQ(Flag("cMemo", sibody), "R");
  EXPECT_EQ(Flag("ID", siHeader), "");  // hidden items keep their flag
  EXPECT_TRUE(h.lines.BodyReadOnly());
  EXPECT_TRUE(grid->read_only);

  // An add-mode load lifts the workflow rights; the list has no "{##}" now.
  h.auth.SetVoucherAuth("CCODE");
  LoadData(VSeAddMode);
  EXPECT_EQ(Flag("cCode", siHeader), "");
  EXPECT_FALSE(h.lines.BodyReadOnly());
}

TEST_F(Rights, NoWorkflowWithoutItsSwitchOrWithoutTheVoucherNumber) {
  Load("CCODE");
  h.ds->workflow_auth = "T;CCODE";
  LoadData(VSeEditMode);
  EXPECT_TRUE(h.ds->workflow_calls.empty());
  EXPECT_EQ(Flag("cCode", siHeader), "R");

  Load("X[####]True");
  h.LoadData(Rowset("ID,cCode", "<z:row ID='7'/>"), VSeEditMode);  // no receipt number
  EXPECT_TRUE(h.ds->workflow_calls.empty());
  LoadData(VSNormalMode);
  EXPECT_TRUE(h.ds->workflow_calls.empty());
}

TEST_F(Rights, SetVoucherAuthIsStoredButTheDataSourceWins) {
  EXPECT_FALSE(h.auth.SetVoucherAuth("{##}CCODE"));
  Load("CMEMO");
  EXPECT_EQ(Flag("cCode", siHeader), "");
  EXPECT_EQ(Flag("cMemo", siHeader), "R");
  // Without a data source the stored string is the one used.
  h.ctx.SetDataSource(nullptr);
  h.auth.SetVoucherAuth("{##}CCODE");
  h.Load(kItems, "ReceiptNOFieldName='cCode'");
  EXPECT_EQ(Flag("cCode", siHeader), "N");
}

TEST(CustomerInfo, RecordsAndRequests) {
  WorkflowHarness h;
  h.Load("<item fieldname='a' cardsection='T'/>");
  h.info.SaveCustomerInfo("<cols a='1'>it's</cols>");
  ASSERT_EQ(h.ds->saved_records.size(), 1u);
  EXPECT_EQ(h.ds->saved_records[0],
            "<Data fchrOperator='#cUserName#' fchrType='voucherAggregate' fchrVoucherType='SO' "
            "fchrVoucherTemplateType='12' ><cols a='1'>it's</cols></Data>");
  std::string type, id;
  EXPECT_EQ(h.info.GetCustomerInfo(type, id), Variant("<cols a='1'>it's</cols>"));
  EXPECT_EQ(type, "voucherAggregate");
  EXPECT_EQ(id, "12");
  EXPECT_EQ(h.ds->info_requests.back(),
            "<Data fchrOperator='#cUserName#' fchrType='voucherAggregate' fchrVoucherType='SO' "
            "fchrVoucherTemplateType='12' ></Data>");
  // A given kind uses the voucher type code.
  type = "PrintSetting";
  id = "99";
  EXPECT_TRUE(h.info.GetCustomerInfo(type, id).IsEmpty());
  EXPECT_NE(h.ds->info_requests.back().find("fchrVoucherType='17' fchrVoucherTemplateType='99'"), std::string::npos);

  // Data-source errors are logged, never raised.
  h.ds->customer_error = "disk full";
  h.info.SaveCustomerInfo("x");
  type.clear();
  EXPECT_TRUE(h.info.GetCustomerInfo(type, id).IsEmpty());
  EXPECT_TRUE(h.sink->errors.empty());

  h.ctx.SetDataSource(nullptr);
  type.clear();
  EXPECT_TRUE(h.info.GetCustomerInfo(type, id).IsEmpty());
}

}  // namespace
}  // namespace cavra
