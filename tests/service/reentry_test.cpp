// Calls made from event handlers while the call that raised the event runs:
// reads work, changes are refused with error 10 and change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>
#include <utility>

#include "fakes/scratch.h"
#include "service_fixture.h"

namespace cavra {
namespace {

using testing::FakeGrid;
using testing::Rowset;
using testing::ServiceHarness;

constexpr std::int32_t kLocked = 10;

// cOdd names a field the template lacks: every evaluation of it reports a
// failed lookup through controlError, in the middle of the pass.
const char* kItems =
    "<item fieldname='cCode' cardsection='T' fieldtype='1' showit='1'/>"
    "<item fieldname='iRate' cardsection='T' fieldtype='4' numpoint='2' showit='1'/>"
    "<item fieldname='iTotalRate' cardsection='T' fieldtype='4' numpoint='1' maxlength='10' showit='1' "
    "datarule='[TiRate]*10'/>"
    "<item fieldname='iQty' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>"
    "<item fieldname='iPrice' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>"
    "<item fieldname='iMoney' cardsection='B' fieldtype='4' numpoint='2' showit='1' "
    "datarule='cdbl([BiQty]*[BiPrice])'/>"
    "<item fieldname='cOdd' cardsection='B' fieldtype='1' showit='1' datarule='[BiQty]-[BnoSuchField]'/>";

void Load(ServiceHarness& h) {
  h.LoadTemplate(kItems);
  h.svc.setVoucherDataXML(Rowset("cCode,iRate,iTotalRate", "<z:row cCode='SO1' iRate='13'/>"),
                          Rowset("iQty,iPrice,iMoney,cOdd",
                                 "<z:row iQty='2' iPrice='3.5'/><z:row iQty='4' iPrice='1'/>"));
}

// Everything a refused call could have changed, as one text.
std::string Snapshot(clsVoucherService& s, const FakeGrid& grid) {
  std::ostringstream out;
  DomPtr head, body;
  s.getVoucherDataXML(head, body);
  out << xml::Text(*head) << '\n' << xml::Text(*body) << '\n';
  out << s.Debug_KeyWord(siHeader) << s.Debug_KeyWord(sibody) << ' ' << s.HeadInfoCount() << ' '
      << s.BodyInfoCount() << ' ' << s.BodyMaxRows() << ' ' << s.Version() << ' ' << s.m_sPrintEntir() << ' '
      << s.LogoPictureDataString() << ' ' << s.m_InvokSortObjectSwitch() << s.m_BodyChineseData()
      << s.WebMode() << s.IsAllowskipTapstopItem()
      << s.StopAssistantMessage() << s.UpdateEditSign() << s.BodyReadOnly() << s.StopPrintControl() << ' '
      << s.VoucherStatus() << ' ' << s.PortalBizGUID() << ' ' << s.CardnumAndValueForPrintControl() << ' '
      << (s.GetBodyObject() != nullptr) << (s.SetDataSource().IsObject()) << (s.CallBackObject() != nullptr)
      << (s.PortalBusinessObject() != nullptr) << ' ' << grid.row << ' ' << grid.top_row << ' '
      << grid.bad_str << ' ' << grid.redraw << grid.read_only << ' ' << grid.totals.size();
  return out.str();
}

// A sink that, from every event raised inside a pass, calls every changing
// member and reads.
struct Meddler : clsVoucherServiceEvents {
  clsVoucherService* svc = nullptr;
  RecordsetPtr other_template;
  int in_control_error = 0;
  int refused_raising = 0;  // refusals made outside a controlError handler
  std::map<std::string, int> events;
  std::vector<std::pair<std::int32_t, std::string>> errors;

  int CallEveryChangingMember();
  void Meddle(const char* event) {
    SCOPED_TRACE(event);
    ++events[event];
    const int calls = CallEveryChangingMember();
    if (in_control_error) return;
    refused_raising += calls;
    // Reads still answer, from the state as it is (not from controlError:
    // a failing read would report again and recurse).
    EXPECT_EQ(CStr(svc->headerText(Variant("cCode"))), "SO1");
    EXPECT_EQ(CStr(svc->bodyText(2, Variant("iQty"))), "4.00");
  }
  void controlError(std::int32_t n, const std::string& d) override {
    errors.emplace_back(n, d);
    ++in_control_error;
    Meddle("controlError");
    --in_control_error;
  }
  void ExpressionCalculated(const Variant&, const Variant&, std::int32_t, const Variant&) override {
    Meddle("ExpressionCalculated");
  }
};

// Calls every member that changes the service, each with arguments that
// would change something, and checks that each is refused with its name in
// the error text and its failed value returned. Returns the number of calls.
// A refusal made in a controlError handler only sets the last error; any
// other is also heard as controlError(10).
int Meddler::CallEveryChangingMember() {
  clsVoucherService& s = *svc;
  int calls = 0;
  auto check = [&](const char* member, const std::function<void()>& call) {
    SCOPED_TRACE(member);
    s.GetLastError();
    const std::size_t heard = errors.size();
    call();
    if (in_control_error) {
      EXPECT_EQ(errors.size(), heard);
      EXPECT_NE(s.GetLastError().find(member), std::string::npos);
    } else {
      ASSERT_GT(errors.size(), heard);
      EXPECT_EQ(errors[heard].first, kLocked);
      EXPECT_NE(errors[heard].second.find(member), std::string::npos) << errors[heard].second;
    }
    ++calls;
  };
  auto login = std::make_shared<testing::FakeLogin>();
  auto source = std::make_shared<testing::FakeDataSource>();
  auto grid = std::make_shared<FakeGrid>();
  auto object = std::make_shared<Object>();
  DomPtr line = s.GetLineDom(1);  // a copy of the line, with another quantity
  if (line) line->document_element().child("rs:data").child("z:row").attribute("iQty") = "999";
  RecordsetPtr none;
  std::string style, data;
  Variant v1, v2, v3, v4;

  check("setTemplateData", [&] { s.setTemplateData(other_template); });
  check("RefreshTemplate", [&] { s.RefreshTemplate(); });
  check("setVoucherDataXML", [&] { EXPECT_FALSE(s.setVoucherDataXML(Rowset("x", ""), Rowset("x", ""))); });
  check("UpdateLineData", [&] { EXPECT_FALSE(s.UpdateLineData(line, 1)); });
  check("ExecCalcExpression", [&] { s.ExecCalcExpression(-1); });
  check("CalcRowNO", [&] { s.CalcRowNO(1, 0, true); });
  check("ResetSigh", [&] { EXPECT_TRUE(s.ResetSigh().IsEmpty()); });
  check("SetCurrentRow", [&] { s.SetCurrentRow("@iQty='4'"); });
  check("TotalText", [&] { s.TotalText(Variant(1), "123"); });
  check("NotifyVoucherSortChange", [&] { s.NotifyVoucherSortChange("iQty,descending"); });
  check("LoginObj", [&] { s.LoginObj(login); });
  check("SetDataSource", [&] { s.SetDataSource(source); });
  check("InitDataSource", [&] { s.InitDataSource(); });
  check("UnInitialise", [&] { s.UnInitialise(); });
  check("attachBodyGrid", [&] { s.attachBodyGrid(grid); });
  check("setVoucherStatus", [&] { s.setVoucherStatus(VSeAddMode); });
  check("BodyMaxRows", [&] { s.BodyMaxRows(7); });
  check("WebMode", [&] { s.WebMode(true); });
  check("Version", [&] { s.Version(99); });
  check("m_sPrintEntir", [&] { s.m_sPrintEntir("x"); });
  check("CallBackObject", [&] { s.CallBackObject(object); });
  check("LogoPictureDataString", [&] { s.LogoPictureDataString("x"); });
  check("m_InvokSortObjectSwitch", [&] { s.m_InvokSortObjectSwitch(true); });
  check("m_BodyChineseData", [&] { s.m_BodyChineseData(true); });
  check("IsAllowskipTapstopItem", [&] { s.IsAllowskipTapstopItem(false); });
  check("StopSetDefaultValue", [&] { s.StopSetDefaultValue(true); });
  check("StopAssistantMessage", [&] { s.StopAssistantMessage(true); });
  check("TemplateIsChanged", [&] { s.TemplateIsChanged(true); });
  check("SaveContinueItems", [&] { s.SaveContinueItems("x"); });
  check("BodyBadStr", [&] { s.BodyBadStr("x"); });
  check("UpdateEditSign", [&] { s.UpdateEditSign(true); });
  check("BodyRedraw", [&] { s.BodyRedraw(false); });
  check("BodyTopRow", [&] { s.BodyTopRow(5); });
  check("BodyReadOnly", [&] { s.BodyReadOnly(true); });
  check("SetSortCallBackObject", [&] { s.SetSortCallBackObject(object); });
  check("SetVoucherAuth", [&] { EXPECT_FALSE(s.SetVoucherAuth("<auth/>")); });
  check("SaveCustomerInfo", [&] { s.SaveCustomerInfo("x"); });
  check("ExamineFlowAuditInfo", [&] { s.ExamineFlowAuditInfo("x"); });
  check("SetBillNumberRule", [&] { EXPECT_FALSE(s.SetBillNumberRule("x")); });
  check("SetCustomRelation", [&] { EXPECT_FALSE(s.SetCustomRelation(Variant())); });
  check("CallAutoFillBackEvent", [&] { s.CallAutoFillBackEvent("iQty", 1); });
  check("PortalBusinessObject", [&] { s.PortalBusinessObject(Variant(ObjectPtr(object))); });
  check("PortalBizGUID", [&] { s.PortalBizGUID("x"); });
  check("PreParePrint", [&] { EXPECT_TRUE(s.PreParePrint(none, none, style, data).IsEmpty()); });
  check("PreParePrintWeb", [&] { EXPECT_TRUE(s.PreParePrintWeb(v1, v2, v3, v4).IsEmpty()); });
  check("PrintVoucher", [&] { EXPECT_TRUE(s.PrintVoucher(Variant(), Variant()).IsEmpty()); });
  check("PrintVoucherEx", [&] { EXPECT_EQ(s.PrintVoucherEx(Variant(), Variant()), 0); });
  check("ExportToFile", [&] { EXPECT_FALSE(s.ExportToFile(Variant(), Variant())); });
  check("ExportToFile2", [&] { EXPECT_FALSE(s.ExportToFile2(Variant(), Variant())); });
  check("EmailFile", [&] { EXPECT_FALSE(s.EmailFile(Variant("x"))); });
  check("StopPrintControl", [&] { s.StopPrintControl(true); });
  check("CardnumAndValueForPrintControl", [&] { s.CardnumAndValueForPrintControl("x"); });
  check("PrintControlObj", [&] { s.PrintControlObj(std::make_shared<IPrintControl>()); });
  EXPECT_EQ(source->queries.size() + source->saved_records.size(), 0u);
  return calls;
}

struct Reentry : ::testing::Test {
  // The same service twice: one with the meddling sink, one without; every
  // step must leave both in the same state.
  ServiceHarness quiet, meddled;
  std::shared_ptr<FakeGrid> quiet_grid = std::make_shared<FakeGrid>();
  std::shared_ptr<FakeGrid> meddled_grid = std::make_shared<FakeGrid>();
  std::shared_ptr<Meddler> meddler = std::make_shared<Meddler>();

  void SetUp() override {
    for (ServiceHarness* h : {&quiet, &meddled}) Load(*h);
    quiet.svc.attachBodyGrid(quiet_grid);
    meddled.svc.attachBodyGrid(meddled_grid);
    meddler->svc = &meddled.svc;
    meddler->other_template = TemplateRecordsetFromXml(*xml::LoadNew(testing::TemplateXml(
        "<item fieldname='cOther' cardsection='T' fieldtype='1' showit='1'/>"))).value();
    meddled.svc.addEventSink(meddler);
  }
  void Both(const std::function<void(clsVoucherService&)>& step) {
    step(quiet.svc);
    step(meddled.svc);
    EXPECT_EQ(Snapshot(meddled.svc, *meddled_grid), Snapshot(quiet.svc, *quiet_grid));
  }
};

TEST_F(Reentry, EveryChangingMemberIsRefusedFromEveryEventAndNothingChanges) {
  Both([](clsVoucherService& s) { s.ExecCalcExpression(-1); });
  EXPECT_GT(meddler->events["ExpressionCalculated"], 0);
  EXPECT_GT(meddler->events["controlError"], 0);  // the unknown field of cOdd
  Both([](clsVoucherService& s) {
    DomPtr line = s.GetLineDom(2);
    line->document_element().child("rs:data").child("z:row").attribute("iPrice") = "2";
    s.UpdateLineData(line, 2);
  });
  EXPECT_EQ(meddled.Column("iMoney"), (std::vector<std::string>{"7", "8"}));
  // A changing member's own failure report: no login given, no grid row.
  Both([](clsVoucherService& s) { s.LoginObj(nullptr); });
  Both([](clsVoucherService& s) { s.TotalText(Variant("noSuchField"), "1"); });
  // A template that fails to load, reported in the middle of the load.
  Both([](clsVoucherService& s) { s.setTemplateData(testing::MakeRecordset({"CardNumber"}, {{"x"}})); });

  // Refusals inside controlError handlers raised nothing more: every error
  // 10 the host heard comes from a refusal made in another event's handler.
  const auto refusals = std::count_if(meddler->errors.begin(), meddler->errors.end(),
                                      [](const auto& e) { return e.first == kLocked; });
  EXPECT_EQ(refusals, meddler->refused_raising);
  EXPECT_GT(refusals, 0);
}

// A controlError handler replaces the template while a formula naming a
// missing field is evaluated (the pass used to keep a reference into the
// parsed-formula cache across the report, and freed it under itself).
TEST_F(Reentry, ATemplateLoadFromAControlErrorDuringAFormulaIsRefused) {
  struct Loader : clsVoucherServiceEvents {
    clsVoucherService* svc = nullptr;
    RecordsetPtr replacement;
    std::vector<std::string> refusals;
    void controlError(std::int32_t n, const std::string&) override {
      if (n == kLocked) return;
      svc->setTemplateData(replacement);
      refusals.push_back(svc->GetLastError());
    }
  };
  auto loader = std::make_shared<Loader>();
  loader->svc = &quiet.svc;
  loader->replacement = meddler->other_template;
  quiet.svc.addEventSink(loader);
  const RecordsetPtr before = quiet.svc.GetTemplateData();
  quiet.svc.ExecCalcExpression(-1);
  EXPECT_EQ(quiet.svc.GetTemplateData(), before);
  ASSERT_EQ(loader->refusals.size(), 2u);  // cOdd on each line
  EXPECT_NE(loader->refusals[0].find("setTemplateData"), std::string::npos);
  EXPECT_EQ(quiet.Column("cOdd"), (std::vector<std::string>{"2.00-0", "4.00-0"}));
  EXPECT_EQ(quiet.Column("iMoney"), (std::vector<std::string>{"7", "4"}));
  // Once the pass has returned, the same call works.
  quiet.svc.setTemplateData(loader->replacement);
  EXPECT_EQ(quiet.svc.GetTemplateData(), loader->replacement);
}

// An ExpressionCalculated handler updates the line being calculated: that
// used to start a pass inside the pass, without end.
TEST_F(Reentry, ALineUpdateFromExpressionCalculatedIsRefusedNotRecursive) {
  struct Updater : clsVoucherServiceEvents {
    clsVoucherService* svc = nullptr;
    int depth = 0, deepest = 0, refused = 0;
    void ExpressionCalculated(const Variant&, const Variant&, std::int32_t row, const Variant&) override {
      // Bounded, so that a regression fails instead of overflowing the stack.
      if (row < 1 || depth >= 3) return;
      ++depth;
      deepest = std::max(deepest, depth);
      DomPtr line = svc->GetLineDom(row);
      line->document_element().child("rs:data").child("z:row").attribute("iQty") = "10";
      if (!svc->UpdateLineData(line, row)) ++refused;
      --depth;
    }
    void controlError(std::int32_t n, const std::string&) override {
      EXPECT_TRUE(n == kLocked || depth == 0);
    }
  };
  auto updater = std::make_shared<Updater>();
  updater->svc = &quiet.svc;
  quiet.svc.addEventSink(updater);
  DomPtr line = quiet.svc.GetLineDom(1);
  line->document_element().child("rs:data").child("z:row").attribute("iQty") = "3";
  EXPECT_TRUE(quiet.svc.UpdateLineData(line, 1));
  EXPECT_EQ(updater->deepest, 1);
  EXPECT_GT(updater->refused, 0);
  EXPECT_EQ(quiet.Column("iQty"), (std::vector<std::string>{"3", "4"}));
  EXPECT_EQ(quiet.Column("iMoney"), (std::vector<std::string>{"10.5", ""}));
}

TEST_F(Reentry, TheRefusalIsOneLocalizedTextNamingTheMember) {
  struct Recalculator : clsVoucherServiceEvents {
    clsVoucherService* svc = nullptr;
    bool tried = false;
    std::vector<std::pair<std::int32_t, std::string>> errors;
    void ExpressionCalculated(const Variant&, const Variant&, std::int32_t, const Variant&) override {
      if (!std::exchange(tried, true)) svc->ExecCalcExpression(-1);
    }
    void controlError(std::int32_t n, const std::string& d) override {
      if (n == kLocked) errors.emplace_back(n, d);
    }
  };
  auto handler = std::make_shared<Recalculator>();
  handler->svc = &quiet.svc;
  quiet.svc.addEventSink(handler);
  for (const char* language : {"en-US", "zh-CN"}) {
    testing::ScopedEnv lang("CAVRA_LANG", language);
    handler->tried = false;
    quiet.svc.ExecCalcExpression(1);
  }
  ASSERT_EQ(handler->errors.size(), 2u);
  const std::string texts[] = {handler->errors[0].second, handler->errors[1].second};
  EXPECT_EQ(texts[0],
            "ExecCalcExpression cannot change the service from an event handler while a call is running.");
  EXPECT_NE(texts[1].find("ExecCalcExpression"), std::string::npos);
  EXPECT_NE(texts[1], texts[0]);
}

// SortRuleChanged is raised outside any pass: its handler may reload the
// data, and that load does not re-sort.
TEST(ReentrySort, ALoadFromInsideTheSortEventIsNotSorted) {
  ServiceHarness h;
  h.LoadTemplate("<item fieldname='key' cardsection='B' showit='1'/>");
  h.ds->customer_info["VoucherSorterCommand|17|12"] = "key";
  auto body = Rowset("key", "<z:row key='b'/><z:row key='a'/>");
  h.sink->on_sort_change = [&](const Variant&) {
    EXPECT_TRUE(h.svc.m_InvokSortObjectSwitch());
    h.svc.setVoucherDataXML(nullptr, body);
  };
  h.svc.NotifyVoucherSortChange("key");
  EXPECT_EQ(h.sink->sort_changes, std::vector<std::string>{"key"});
  EXPECT_FALSE(h.svc.m_InvokSortObjectSwitch());
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "a"}));
  h.svc.setVoucherDataXML(nullptr, body);
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace cavra
