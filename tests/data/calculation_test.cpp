#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "cavra/components.h"
#include "components/calculator.h"
#include "core/thread_state.h"
#include "core/trace_log.h"
#include "data_fixture.h"
#include "fakes/scratch.h"
#include "fakes/trace_log_on.h"

namespace cavra {
namespace {

using testing::Rowset;
using testing::DataHarness;

const char* kItems =
    "<item fieldname='cCode' cardsection='T' fieldtype='1' showit='1'/>"
    "<item fieldname='iRate' cardsection='T' fieldtype='4' numpoint='2' showit='1'/>"
    "<item fieldname='cNote' cardsection='T' fieldtype='1' showit='1' maxlength='5' datarule='[TcCode]-[TcCode]'/>"
    "<item fieldname='iTotalRate' cardsection='T' fieldtype='4' numpoint='1' showit='1' maxlength='10' "
    "datarule='[TiRate]*10'/>"
    "<item fieldname='cMemo' cardsection='T' fieldtype='1' showit='1' maxlength='0' datarule='[TcCode]'/>"
    "<item fieldname='iSum' cardsection='T' fieldtype='4' numpoint='2' showit='1' maxlength='20' "
    "datarule='[BiMoney]+1'/>"
    "<item fieldname='iMixed' cardsection='T' fieldtype='4' numpoint='2' showit='1' maxlength='20' "
    "datarule='[TiRate]+[BiQty]'/>"
    "<item fieldname='iQty' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>"
    "<item fieldname='iPrice' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>"
    "<item fieldname='iMoney' cardsection='B' fieldtype='4' numpoint='2' showit='1' datarule='cdbl([BiQty]*[BiPrice])'/>"
    "<item fieldname='iTax' cardsection='B' fieldtype='4' numpoint='2' showit='1' "
    "datarule='cdbl([BiMoney]*[TiRate]/100)'/>"
    "<item fieldname='cText' cardsection='B' fieldtype='1' showit='1' datarule='[BcInv]/[BiQty]'/>"
    "<item fieldname='cInv' cardsection='B' fieldtype='1' showit='1'/>";

struct Calc : ::testing::Test {
  DataHarness h;
  void SetUp() override {
    h.Load(kItems);
    h.LoadData(Rowset("cCode,iRate,cNote,iTotalRate,cMemo,iSum,iMixed",
                                   "<z:row cCode='ABCDEFGH' iRate='13' iSum='500.00' iMixed='7.00'/>"),
                            Rowset("iQty,iPrice,iMoney,iTax,cText,cInv",
                                   "<z:row iQty='2' iPrice='3.5' cInv='A'/><z:row iQty='4' iPrice='' cInv='B'/>"
                                   "<z:row iQty='1.5' iPrice='10' cInv='C'/>"));
  }
};

TEST_F(Calc, LinksAreDerivedFromTheFormulas) {
  const ItemPtr qty = h.model.ItemState(Variant("iQty"), sibody);
  ASSERT_TRUE(qty->collLink);
  EXPECT_EQ(qty->collLink->Count(), 2);
  EXPECT_EQ(qty->collLink->Item(1), "BiMoney");
  EXPECT_EQ(qty->collLink->Item(2), "BcText");
  // Items are linked in collection order: body formulas first.
  EXPECT_EQ(h.model.ItemState(Variant("iRate"), siHeader)->collLink->Item(1), "BiTax");
  EXPECT_EQ(h.model.ItemState(Variant("iRate"), siHeader)->collLink->Item(2), "TiTotalRate");
  EXPECT_EQ(h.model.ItemState(Variant("iPrice"), sibody)->collLink->Count(), 1);  // no duplicates
}

TEST_F(Calc, AllLinesComputeAndRaiseOneEventPerValue) {
  h.calc.ExecCalcExpression(-1);
  EXPECT_EQ(h.Column("iMoney"), (std::vector<std::string>{"7", "0", "15"}));  // an empty price counts as 0
  EXPECT_EQ(h.Column("iTax"), (std::vector<std::string>{"0.91", "0", "1.95"}));
  // A formula over a text field gives the substituted text, not a number.
  EXPECT_EQ(h.Column("cText"), (std::vector<std::string>{"A/2.00", "B/4.00", "C/1.50"}));
  int money_events = 0;
  for (const auto& e : h.sink->calculated)
    if (e.item == "iMoney") {
      ++money_events;
      EXPECT_EQ(e.row, money_events <= 3 ? money_events : money_events - 3);
    }
  EXPECT_EQ(money_events, 6);  // once through iQty, once through iPrice, for lines 1, 2, 3
  EXPECT_TRUE(h.sink->errors.empty());
}

TEST_F(Calc, HeaderResultsAreFormattedAndCutToTheirLength) {
  h.calc.ExecCalcExpression(-1);
  EXPECT_EQ(CStr(h.values.headerText(Variant("iTotalRate"))), "130.0");
  // The event carries the whole text, the head row the first five characters.
  bool seen = false;
  for (const auto& e : h.sink->calculated)
    if (e.item == "cNote") {
      EXPECT_EQ(e.value, "ABCDEFGH-ABCDEFGH");
      EXPECT_EQ(e.row, -1);
      seen = true;
    }
  EXPECT_TRUE(seen);
  EXPECT_EQ(CStr(h.values.headerText(Variant("cNote"))), "ABCDE");
  // A maximum of 0 is a maximum like any other.
  EXPECT_EQ(CStr(h.values.headerText(Variant("cMemo"))), "");
  const auto memo = std::find_if(h.sink->calculated.begin(), h.sink->calculated.end(),
                                 [](const auto& e) { return e.item == "cMemo"; });
  ASSERT_NE(memo, h.sink->calculated.end());
  EXPECT_EQ(memo->value, "ABCDEFGH");
}

// A header formula over a body field has no one value for the head row;
// computed there, every line would read as empty and the stored 500.00
// would become 1.00.
TEST_F(Calc, AHeaderFormulaNamingABodyFieldKeepsItsStoredValue) {
  for (const char* body : {"iMoney", "iQty"})
    for (const char* header : {"TiSum", "TiMixed"})
      EXPECT_FALSE(h.model.ItemState(Variant(body), sibody)->collLink->Exists(header)) << body << header;
  EXPECT_FALSE(h.model.ItemState(Variant("iRate"), siHeader)->collLink->Exists("TiMixed"));
  auto unchanged = [&] {
    EXPECT_EQ(CStr(h.values.headerText(Variant("iSum"))), "500.00");
    EXPECT_EQ(CStr(h.values.headerText(Variant("iMixed"))), "7.00");
    for (const auto& e : h.sink->calculated) EXPECT_TRUE(e.item != "iSum" && e.item != "iMixed") << e.item;
    // Nor is the header field written into the lines.
    EXPECT_EQ(h.Column("iSum"), (std::vector<std::string>{"", "", ""}));
  };
  h.calc.ExecCalcExpression(-1);
  unchanged();
  DomPtr line = h.docs.GetLineDom(1);
  line->document_element().child("rs:data").child("z:row").attribute("iPrice") = "4";
  h.lines.UpdateLineData(line, 1);
  unchanged();
  // Linked by the host, from a body item and from a header item: still not computed.
  h.model.ItemState(Variant("iMoney"), sibody)->collLink->Add("TiSum", "TiSum");
  h.model.ItemState(Variant("iRate"), siHeader)->collLink->Add("TiMixed", "TiMixed");
  h.calc.ExecCalcExpression(-1);
  h.calc.ExecCalcExpression(2);
  unchanged();
  EXPECT_EQ(h.Column("iMoney"), (std::vector<std::string>{"8", "0", "15"}));  // the rest ran
}

TEST_F(Calc, OneLineOnlyTouchesThatLine) {
  h.calc.ExecCalcExpression(3);
  EXPECT_EQ(h.Column("iMoney"), (std::vector<std::string>{"", "", "15"}));
  // A header item's body links still cover every line.
  EXPECT_EQ(h.Column("iTax"), (std::vector<std::string>{"0", "0", "1.95"}));
  EXPECT_TRUE(h.sink->errors.empty());
}

// A line outside the body computes no line of its own, but the header
// formulas and the body formulas hanging on header items still run.
TEST_F(Calc, ALineOutsideTheBodyStillRunsTheHeaderFormulas) {
  for (const std::int32_t outside : {9, 0, -2}) {
    SCOPED_TRACE(outside);
    h.sink->calculated.clear();
    h.calc.ExecCalcExpression(outside);
    EXPECT_EQ(CStr(h.values.headerText(Variant("iTotalRate"))), "130.0");
    EXPECT_EQ(h.Column("iTax"), (std::vector<std::string>{"0", "0", "0"}));  // every line, iMoney still empty
    EXPECT_EQ(h.Column("iMoney"), (std::vector<std::string>{"", "", ""}));
    for (const auto& e : h.sink->calculated) EXPECT_TRUE(e.row == -1 || (e.row >= 1 && e.row <= 3)) << e.row;
    EXPECT_EQ(h.sink->calculated.size(), 6u);  // iTax x3, iTotalRate, cNote, cMemo
  }
  EXPECT_TRUE(h.sink->errors.empty());
}

TEST_F(Calc, ACalculatorThatCannotBeCreatedGivesEmptyResults) {
  ScopedComponent broken("FormulaKit.Calculator", []() -> ObjectPtr { throw std::runtime_error("gone"); });
  h.calc.ExecCalcExpression(-1);
  EXPECT_EQ(h.Column("iMoney"), (std::vector<std::string>{"", "", ""}));
  // Even a formula that needs no arithmetic fails: the calculator comes first.
  EXPECT_EQ(h.Column("cText"), (std::vector<std::string>{"", "", ""}));
  EXPECT_TRUE(h.sink->errors.empty());
  EXPECT_EQ(h.ctx.TakeLastError(), "");
}

TEST_F(Calc, AMalformedFormulaGivesAnEmptyResultAndThePassGoesOn) {
  h.model.ItemState(Variant("iMoney"), sibody)->sDataRule = "cdbl([BiQty]**)";
  h.calc.ExecCalcExpression(-1);
  EXPECT_EQ(h.Column("iMoney"), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(h.Column("iTax"), (std::vector<std::string>{"0", "0", "0"}));
}

TEST_F(Calc, UpdatingALineRunsItsFormulas) {
  DomPtr line = h.docs.GetLineDom(2);
  ASSERT_TRUE(line);
  pugi::xml_node row = line->document_element().child("rs:data").child("z:row");
  row.attribute("iPrice") = "2";
  row.append_attribute("editprop") = "A";
  h.lines.UpdateLineData(line, 2);
  EXPECT_EQ(h.Column("iMoney"), (std::vector<std::string>{"", "8", ""}));
  EXPECT_EQ(h.lines.QueryDataLineStatus(2), "");  // the state is not copied
}

TEST(CalcHeaderOverBody, TheTemplateLoadLogsTheFormulaItLeavesOut) {
  testing::TraceLogOn trace;
  {
    DataHarness h;
    h.Load(
        "<item fieldname='iMoney' cardsection='B' fieldtype='4' showit='1'/>"
        "<item fieldname='iSum' cardsection='T' fieldtype='4' showit='1' datarule='[BiMoney]+1'/>"
        "<item fieldname='iTwice' cardsection='T' fieldtype='4' showit='1' datarule='[TiSum]*2'/>");
  }
  const std::string log = trace.Text();
  EXPECT_NE(log.find("header formula names body fields, not calculated:iSum\r\n"), std::string::npos);
  EXPECT_EQ(log.find("not calculated:iTwice"), std::string::npos);
}

// A division by zero stores the calculator-failure result, never a text
// such as "inf" or "nan", whichever calculator does the arithmetic.
TEST(CalcNonFinite, ADivisionByZeroStoresAnEmptyResult) {
  struct HostCalculator : ICalculator {
    int calls = 0;
    void Calculatet(const std::string& expression, double& result) override {
      ++calls;
      Calculator().Calculatet(expression, result);
    }
  };
  auto host = std::make_shared<HostCalculator>();
  for (const bool own : {true, false}) {
    SCOPED_TRACE(own ? "library calculator" : "host calculator");
    std::optional<ScopedComponent> registered;
    if (!own) registered.emplace("FormulaKit.Calculator", [host] { return host; });
    DataHarness h;
    h.Load(
        "<item fieldname='iQty' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>"
        "<item fieldname='iPrice' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>"
        "<item fieldname='iUnit' cardsection='B' fieldtype='4' numpoint='2' showit='1' "
        "datarule='[BiQty]/[BiPrice]'/>");
    h.LoadData(Rowset("x", "<z:row x='1'/>"),
                            Rowset("iQty,iPrice,iUnit", "<z:row iQty='4' iPrice='0' iUnit='9'/>"
                                                        "<z:row iQty='0' iPrice='' iUnit='9'/>"
                                                        "<z:row iQty='-3' iPrice='0' iUnit='9'/>"
                                                        "<z:row iQty='6' iPrice='3' iUnit='9'/>"));
    h.calc.ExecCalcExpression(-1);
    EXPECT_EQ(h.Column("iUnit"), (std::vector<std::string>{"", "", "", "2"}));
    for (const auto& e : h.sink->calculated) EXPECT_EQ(e.value, e.row == 4 ? "2" : "") << e.row;
  }
  EXPECT_GT(host->calls, 0);
}

const char* kOutlineItems =
    "<item fieldname='cCode' cardsection='T' showit='1'/>"
    "<item fieldname='key' cardsection='B' showit='1'/>"
    "<item fieldname='parent' cardsection='B' showit='1'/>"
    "<item fieldname='iAmount' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>";
const char* kOutline = "cParentKey='parent' cKey='key'";

std::vector<std::string> Keys(const DomPtr& doc) {
  std::vector<std::string> keys;
  for (pugi::xml_node row : doc->document_element().child("rs:data").children("z:row"))
    keys.push_back(row.attribute("key").value());
  return keys;
}

TEST(RowOutline, ChildrenFollowTheirParent) {
  DataHarness h;
  h.Load(kOutlineItems, kOutline);
  auto body = Rowset("key,parent", "<z:row key='1'/><z:row key='2'/><z:row key='3' parent='1'/>"
                                    "<z:row key='4' parent='3'/><z:row key='' parent=''/><z:row key='6' parent='9'/>");
  h.LoadData(nullptr, body);
  DomPtr out;
  ASSERT_TRUE(h.outline.GetRowOutLineDomDocument(body, out));
  EXPECT_EQ(Keys(out), (std::vector<std::string>{"1", "3", "4", "2", "", "6"}));  // nothing lost

  auto no_data = testing::Rowset("key", "");
  no_data->document_element().remove_child("rs:data");
  ASSERT_TRUE(h.outline.GetRowOutLineDomDocument(no_data, out));
  EXPECT_EQ(xml::Text(*out), xml::Text(*no_data));
  EXPECT_FALSE(h.outline.GetRowOutLineDomDocument(nullptr, out));
}

TEST(RowOutline, OffGivesAPlainCopyAndFalse) {
  DataHarness h;
  h.Load(kOutlineItems);
  auto body = Rowset("key,parent", "<z:row key='2'/><z:row key='1' parent='2'/><z:row key='3'/>");
  DomPtr out;
  EXPECT_FALSE(h.outline.GetRowOutLineDomDocument(body, out));
  EXPECT_EQ(xml::Text(*out), xml::Text(*body));
}

TEST(Sorting, TheSavedSortIsReappliedOnEveryLoad) {
  DataHarness h;
  h.Load(kOutlineItems);
  h.saved_sort = "iAmount,descending";
  h.LoadData(nullptr, Rowset("key,iAmount", "<z:row key='a' iAmount='5'/><z:row key='b' iAmount='50'/>"
                                                         "<z:row key='' editprop='A' iAmount=''/><z:row key='c' iAmount='7'/>"));
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "c", "a", ""}));  // the blank new row stays last
  EXPECT_EQ(h.Column("tolmvouchersorter_inputorder_index"), (std::vector<std::string>{"2", "4", "1", "3"}));
  EXPECT_EQ(h.Column("isNewAddedBlankRow_OrdraSorter"), (std::vector<std::string>{"", "", "", "1"}));
  EXPECT_EQ(CStr(h.values.bodyText(1, Variant("iAmount"))), "50.00");  // line numbers follow the new order
}

TEST(Sorting, InputOrderContinuesAfterTheHighestIndex) {
  DataHarness h;
  h.Load(kOutlineItems);
  h.saved_sort = "key";
  h.LoadData(nullptr, Rowset("key", "<z:row key='e' tolmvouchersorter_inputorder_index='3'/>"
                                                 "<z:row key='d'/><z:row key='c' tolmvouchersorter_inputorder_index='1'/>"
                                                 "<z:row key='b' editprop='A' iAmount='1'/>"
                                                 "<z:row key='a' tolmvouchersorter_inputorder_index='2'/>"));
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(h.Column("tolmvouchersorter_inputorder_index"), (std::vector<std::string>{"2", "5", "1", "4", "3"}));
  EXPECT_EQ(h.Column("isNewAddedBlankRow_OrdraSorter"), (std::vector<std::string>{"", "", "", "", ""}));
}

TEST(Sorting, NoCommandOrABrokenSorterLeavesTheOrder) {
  DataHarness h;
  h.Load(kOutlineItems);
  auto body = Rowset("key", "<z:row key='b'/><z:row key='a'/>");
  h.LoadData(nullptr, body);
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "a"}));

  h.saved_sort = "key";
  ScopedComponent broken("TolmVoucherSorter.clsVoucherSorter", []() -> ObjectPtr { return nullptr; });
  h.LoadData(nullptr, body);
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "a"}));
  EXPECT_TRUE(h.sink->errors.empty());
}

TEST(Sorting, ABadSavedCommandLeavesTheOrderAndIsReportedOnce) {
  std::string many = "iAmount";
  for (int i = 0; i < 3000; ++i) many += ";f" + std::to_string(i);
  for (const std::string& command : {std::string("iAmount,sideways"), std::string("cNothing"),
                                     std::string("key;iAmount;key"), many}) {
    SCOPED_TRACE(command.substr(0, 40));
    DataHarness h;
    h.Load(kOutlineItems);
    h.saved_sort = command;
    auto body = Rowset("key,iAmount", "<z:row key='b' iAmount='1'/><z:row key='a' iAmount='2'/>");
    h.LoadData(nullptr, body);
    EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "a"}));
    ASSERT_EQ(h.sink->errors.size(), 1u);
    EXPECT_EQ(h.sink->errors[0].first, err::kBadSavedSort);
    EXPECT_NE(h.sink->errors[0].second.find("sort command"), std::string::npos) << h.sink->errors[0].second;
    h.LoadData(nullptr, body);  // the same command again: no second report
    EXPECT_EQ(h.sink->errors.size(), 1u);
    EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"b", "a"}));
  }
}

TEST(Sorting, AnOutlineIsSortedByItsTopRowsWithChildrenKept) {
  DataHarness h;
  h.Load(kOutlineItems, kOutline);
  h.saved_sort = "iAmount,descending";
  // A row with an empty own key and a parent puts the outline sort in charge.
  h.LoadData(
      nullptr, Rowset("key,parent,iAmount",
                      "<z:row key='1' iAmount='10'/><z:row key='11' parent='1' iAmount='99'/>"
                      "<z:row key='2' iAmount='30'/><z:row key='21' parent='2' iAmount='1'/>"
                      "<z:row key='' parent='21' iAmount='2'/><z:row key='3' iAmount='20'/>"
                      "<z:row key='9' parent='404' iAmount='5'/>"));
  EXPECT_EQ(h.Column("key"), (std::vector<std::string>{"2", "21", "", "3", "1", "11", "9"}));
}

}  // namespace
}  // namespace cavra
