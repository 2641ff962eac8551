#include <gtest/gtest.h>

#include "service_fixture.h"

namespace cavra {
namespace {

using testing::Rowset;
using testing::ServiceHarness;

const char* kItems =
    "<item fieldname='cCode' cardsection='T' fieldtype='1' showit='1'/>"
    "<item fieldname='iRate' cardsection='T' fieldtype='4' numpoint='2' showit='1'/>"
    "<item fieldname='cNote' cardsection='T' fieldtype='1' showit='1' maxlength='5' datarule='[TcCode]-[TcCode]'/>"
    "<item fieldname='iTotalRate' cardsection='T' fieldtype='4' numpoint='1' showit='1' datarule='[TiRate]*10'/>"
    "<item fieldname='iQty' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>"
    "<item fieldname='iPrice' cardsection='B' fieldtype='4' numpoint='2' showit='1'/>"
    "<item fieldname='iMoney' cardsection='B' fieldtype='4' numpoint='2' showit='1' datarule='cdbl([BiQty]*[BiPrice])'/>"
    "<item fieldname='iTax' cardsection='B' fieldtype='4' numpoint='2' showit='1' "
    "datarule='cdbl([BiMoney]*[TiRate]/100)'/>"
    "<item fieldname='cText' cardsection='B' fieldtype='1' showit='1' datarule='[BcInv]/[BiQty]'/>"
    "<item fieldname='cInv' cardsection='B' fieldtype='1' showit='1'/>";

struct Calc : ::testing::Test {
  ServiceHarness h;
  void SetUp() override {
    h.LoadTemplate(kItems);
    h.svc.setVoucherDataXML(Rowset("cCode,iRate,cNote,iTotalRate", "<z:row cCode='ABCDEFGH' iRate='13'/>"),
                            Rowset("iQty,iPrice,iMoney,iTax,cText,cInv",
                                   "<z:row iQty='2' iPrice='3.5' cInv='A'/><z:row iQty='4' iPrice='' cInv='B'/>"
                                   "<z:row iQty='1.5' iPrice='10' cInv='C'/>"));
  }
};

TEST_F(Calc, LinksAreDerivedFromTheFormulas) {
  const ItemPtr qty = h.svc.ItemState(Variant("iQty"), sibody);
  ASSERT_TRUE(qty->collLink);
  EXPECT_EQ(qty->collLink->Count(), 2);
  EXPECT_EQ(qty->collLink->Item(1), "BiMoney");
  EXPECT_EQ(qty->collLink->Item(2), "BcText");
  // Items are linked in collection order: body formulas first.
  EXPECT_EQ(h.svc.ItemState(Variant("iRate"), siHeader)->collLink->Item(1), "BiTax");
  EXPECT_EQ(h.svc.ItemState(Variant("iRate"), siHeader)->collLink->Item(2), "TiTotalRate");
  EXPECT_EQ(h.svc.ItemState(Variant("iPrice"), sibody)->collLink->Count(), 1);  // no duplicates
}

TEST_F(Calc, AllLinesComputeAndRaiseOneEventPerValue) {
  h.svc.ExecCalcExpression(-1);
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
  h.svc.ExecCalcExpression(-1);
  EXPECT_EQ(CStr(h.svc.headerText(Variant("iTotalRate"))), "130.0");
  // The event carries the whole text, the head row the first five characters.
  bool seen = false;
  for (const auto& e : h.sink->calculated)
    if (e.item == "cNote") {
      EXPECT_EQ(e.value, "ABCDEFGH-ABCDEFGH");
      EXPECT_EQ(e.row, -1);
      seen = true;
    }
  EXPECT_TRUE(seen);
  EXPECT_EQ(CStr(h.svc.headerText(Variant("cNote"))), "ABCDE");
}

TEST_F(Calc, OneLineOnlyTouchesThatLine) {
  h.svc.ExecCalcExpression(3);
  EXPECT_EQ(h.Column("iMoney"), (std::vector<std::string>{"", "", "15"}));
  // A header item's body links still cover every line.
  EXPECT_EQ(h.Column("iTax"), (std::vector<std::string>{"0", "0", "1.95"}));
  h.svc.ExecCalcExpression(9);  // no such line: nothing happens
  EXPECT_TRUE(h.sink->errors.empty());
}

TEST_F(Calc, ACalculatorThatCannotBeCreatedGivesEmptyResults) {
  ScopedComponent broken("FormulaKit.Calculator", []() -> ObjectPtr { throw std::runtime_error("gone"); });
  h.svc.ExecCalcExpression(-1);
  EXPECT_EQ(h.Column("iMoney"), (std::vector<std::string>{"", "", ""}));
  // Even a formula that needs no arithmetic fails: the calculator comes first.
  EXPECT_EQ(h.Column("cText"), (std::vector<std::string>{"", "", ""}));
  EXPECT_TRUE(h.sink->errors.empty());
  EXPECT_EQ(h.svc.GetLastError(), "");
}

TEST_F(Calc, AMalformedFormulaGivesAnEmptyResultAndThePassGoesOn) {
  h.svc.ItemState(Variant("iMoney"), sibody)->sDataRule = "cdbl([BiQty]**)";
  h.svc.ExecCalcExpression(-1);
  EXPECT_EQ(h.Column("iMoney"), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(h.Column("iTax"), (std::vector<std::string>{"0", "0", "0"}));
}

TEST_F(Calc, UpdatingALineRunsItsFormulas) {
  DomPtr line = h.svc.GetLineDom(2);
  ASSERT_TRUE(line);
  pugi::xml_node row = line->document_element().child("rs:data").child("z:row");
  row.attribute("iPrice") = "2";
  row.append_attribute("editprop") = "A";
  h.svc.UpdateLineData(line, 2);
  EXPECT_EQ(h.Column("iMoney"), (std::vector<std::string>{"", "8", ""}));
  EXPECT_EQ(h.svc.QueryDataLineStatus(2), "");  // the state is not copied
}

}  // namespace
}  // namespace cavra
