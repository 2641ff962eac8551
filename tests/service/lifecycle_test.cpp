#include <gtest/gtest.h>

#include <thread>

#include "core/resources.h"
#include "core/thread_state.h"
#include "fakes/expect_error.h"
#include "service_fixture.h"

namespace cavra {
namespace {

using testing::FakeDataSource;
using testing::FakeLogin;
using testing::RecordingSink;
using testing::ServiceHarness;

TEST(ServiceLifecycle, ANewObjectHasItsDefaults) {
  ServiceHarness h;
  clsVoucherService& s = h.svc;
  EXPECT_EQ(s.VoucherStatus(), VSNormalMode);
  EXPECT_EQ(s.BodyMaxRows(), 0);
  EXPECT_EQ(s.Version(), 1);
  EXPECT_TRUE(s.IsAllowskipTapstopItem());
  EXPECT_TRUE(s.EnableLinkQuery());
  EXPECT_FALSE(s.StopUpdateRowNo());
  EXPECT_EQ(s.CurrentFocus(), Variant(false));
  EXPECT_EQ(s.VoucherType(), "");
  EXPECT_EQ(s.SetDataSource().As<IDataSource>(), h.ds);  // the default data source
}

TEST(ServiceLifecycle, BodyMaxRowsIgnoresNegativesOtherThanMinusOne) {
  ServiceHarness h;
  h.LoadTemplate("<item fieldname='a' cardsection='T'/>");
  EXPECT_EQ(h.svc.BodyMaxRows(), 50);
  h.svc.BodyMaxRows(-5);
  EXPECT_EQ(h.svc.BodyMaxRows(), 50);
  h.svc.BodyMaxRows(-1);
  EXPECT_EQ(h.svc.BodyMaxRows(), -1);
}

TEST(ServiceLifecycle, WebModeIsPerThreadAndReadAtConstruction) {
  std::thread([] {
    ServiceHarness first;
    EXPECT_TRUE(first.svc.SetDataSource().As<IDataSource>());
    first.svc.WebMode(true);
    ServiceHarness second;
    EXPECT_TRUE(second.svc.WebMode());
    EXPECT_FALSE(second.svc.SetDataSource().As<IDataSource>());
    // In web mode the host's data source gives the root URL, not the login.
    second.svc.SetDataSource(second.ds);
    EXPECT_EQ(second.svc.LoginObj(), nullptr);
    first.svc.WebMode(false);
  }).join();
  EXPECT_FALSE(Thread().webMode);
}

TEST(ServiceLifecycle, LoginAndDataSource) {
  ServiceHarness h;
  h.svc.LoginObj(nullptr);
  ASSERT_EQ(h.sink->errors.size(), 1u);
  EXPECT_EQ(h.sink->errors[0].second, "对象为空，赋值无效！");
  EXPECT_EQ(h.svc.LoginObj(), nullptr);
  EXPECT_EQ(h.sink->errors.size(), 2u);  // the get reports too

  // SetDataSource takes the login from the data source.
  h.svc.SetDataSource(h.ds);
  EXPECT_EQ(h.svc.LoginObj(), h.ds->login);
  // InitDataSource hands the login on.
  auto login = std::make_shared<FakeLogin>();
  h.svc.LoginObj(login);
  h.svc.InitDataSource();
  EXPECT_EQ(h.ds->given_login, login);

  // Without any data source InitDataSource fails to its caller.
  {
    ScopedComponent none("DataSourceKit.DefaultDataSource", []() -> ObjectPtr { return nullptr; });
    clsVoucherService bare;
    EXPECT_VB_ERROR(bare.InitDataSource(), err::kObjectNotSet);
  }
}

// The facade's wiring of a data load: the status decides whether the
// workflow rights are fetched, and the saved sort is read through the
// customer-info records (the subsystems' own tests cover what each does).
TEST(ServiceLifecycle, ADataLoadReachesTheRightsAndTheSavedSort) {
  ServiceHarness h;
  h.ds->auth_string = "CCODE{##}T;CMEMO[####]True";
  h.ds->workflow_auth = "T;CCODE";
  h.ds->customer_info["VoucherSorterCommand|17|12"] = "key,descending";
  h.LoadTemplate("<item fieldname='cCode' cardsection='T' showit='1'/><item fieldname='key' cardsection='B'/>",
                 "ReceiptNOFieldName='cCode'");
  const auto load = [&] {
    h.svc.setVoucherDataXML(testing::Rowset("ID,cCode", "<z:row ID='7' cCode='SO-1'/>"),
                            testing::Rowset("key", "<z:row key='a'/><z:row key='b'/>"));
  };
  load();
  EXPECT_TRUE(h.ds->workflow_calls.empty());
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "a"}));
  h.svc.setVoucherStatus(VSeEditMode);
  load();
  EXPECT_EQ(h.ds->workflow_calls, std::vector<std::string>{"7|SO-1|17"});
  EXPECT_EQ(h.svc.ItemState(Variant("cCode"), siHeader)->AuthFlag, "W");
}

TEST(ServiceLifecycle, AccountOptionsAreReadOncePerThread) {
  std::thread([] {
    ServiceHarness h;
    h.svc.SetDataSource(h.ds);
    h.svc.SetDataSource(h.ds);
    int queries = 0;
    for (const auto& q : h.ds->queries) queries += q.find("AccInformation") != std::string::npos;
    EXPECT_EQ(queries, 1);
  }).join();
}

TEST(ServiceLifecycle, GridMembersForwardToTheGrid) {
  ServiceHarness h;
  auto grid = std::make_shared<testing::FakeGrid>();
  grid->top_row = 7;
  h.svc.attachBodyGrid(grid);
  EXPECT_EQ(h.svc.BodyTopRow(), 7);
  EXPECT_EQ(h.svc.GetBodyObject(), grid);
  grid->sel_r1 = 3, grid->sel_r2 = 5;
  EXPECT_EQ(h.svc.GetSelectedRows(), "5,4,3");
  grid->sel_r1 = 2, grid->sel_r2 = 2;
  EXPECT_EQ(h.svc.GetSelectedRows(), "2");
}

TEST(ServiceLifecycle, UnInitialiseTwiceAndAfterwardsNothingCrashes) {
  ServiceHarness h;
  h.LoadTemplate("<item fieldname='a' cardsection='T' showit='1'/>");
  h.svc.UnInitialise();
  h.svc.UnInitialise();
  EXPECT_EQ(h.svc.GetVoucherState(), nullptr);
  EXPECT_EQ(h.svc.BodyMaxRows(), 0);
  EXPECT_EQ(h.svc.ItemState(Variant("a"), siHeader), nullptr);
  EXPECT_TRUE(h.svc.headerText(Variant("a")).IsEmpty());
  EXPECT_TRUE(h.svc.setVoucherDataXML(nullptr, nullptr));
}

TEST(ServiceLifecycle, LaterMembersSayTheyAreNotImplemented) {
  ServiceHarness h;
  EXPECT_TRUE(h.svc.PrintVoucher(Variant(), Variant()).IsEmpty());
  EXPECT_FALSE(h.svc.SetBillNumberRule("<r/>"));
  EXPECT_EQ(h.svc.GetAllIMUsers(), "");
  ASSERT_EQ(h.sink->errors.size(), 3u);
  for (const auto& [number, text] : h.sink->errors) {
    EXPECT_EQ(number, err::kNotImplemented);
    EXPECT_NE(text.find("not implemented"), std::string::npos);
  }
}

// The wiring: the current template's card number, and the service's cache
// (what is cached and what is not: the body key's own tests).
TEST(ServiceLifecycle, BodyPrimaryKeyNameIsAskedForTheTemplatesCardOnce) {
  ServiceHarness h;
  h.ds->OnSql("vouchers_base", testing::MakeRecordset({"vchBodyPKName"}, {{"AutoID"}}));
  h.LoadTemplate("<item fieldname='a' cardsection='T'/>", "CardNumber='PK1'");
  EXPECT_EQ(h.svc.GetBodyPKName(), "AutoID");
  EXPECT_EQ(h.svc.GetBodyPKName(), "AutoID");
  h.LoadTemplate("<item fieldname='a' cardsection='T'/>", "CardNumber='PK2'");
  h.ds->sql_handlers.clear();
  EXPECT_EQ(h.svc.GetBodyPKName(), "");
  std::vector<std::string> asked;
  for (const auto& q : h.ds->queries)
    if (q.find("vouchers_base") != std::string::npos) asked.push_back(q.substr(q.find('=') + 1));
  EXPECT_EQ(asked, (std::vector<std::string>{"'PK1'", "'PK2'"}));
}

TEST(ServiceLifecycle, RefreshTemplateBeforeAnyTemplateKeepsTheDescriptor) {
  ServiceHarness h;
  const BillInfoPtr descriptor = h.svc.GetVoucherState();
  h.svc.BodyMaxRows(30);
  h.svc.RefreshTemplate();
  EXPECT_EQ(h.svc.GetVoucherState(), descriptor);
  EXPECT_EQ(h.svc.BodyMaxRows(), 30);
  EXPECT_FALSE(h.svc.GetLastError().empty());
  EXPECT_EQ(h.svc.GetLastError(), "");  // read once
  ASSERT_EQ(h.sink->errors.size(), 1u);
  EXPECT_EQ(h.sink->errors[0].first, err::kObjectNotSet);
}

TEST(ServiceLifecycle, AResourceFactoryThatFailedIsTriedAgainByTheNextService) {
  std::thread([] {
    {
      ScopedComponent failing("LangKit.ResourceServiceFactory",
                              []() -> ObjectPtr { throw std::runtime_error("down"); });
      ServiceHarness first;
      EXPECT_EQ(GetResString("Ordra.AA.VCH.015"), "");
    }
    ServiceHarness second;
    EXPECT_NE(GetResString("Ordra.AA.VCH.015"), "");
  }).join();
}

}  // namespace
}  // namespace cavra
