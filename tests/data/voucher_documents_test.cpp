#include <gtest/gtest.h>

#include "data_fixture.h"

namespace cavra::testing {
namespace {

const std::string kMixedRows =
    "<z:row irowno='1' cInvCode='A' editprop='A' cFree1='批次A'/><z:row cInvCode='B' editprop='D' x='&lt;'/>"
    "<z:row irowno='3' cInvCode='C' editprop='M'/><z:row cInvCode='D' editprop=''/><z:row cInvCode='E'/>";

TEST(VoucherDocuments, EveryRowAndAttributeComesBackWithTheDeletedRowsLast) {
  DataHarness h;
  h.model.Bill().sPrimaryKeyFieldNames = "ID{#}cSub";
  const DomPtr body = Rowset(kBodyColumns, kMixedRows);
  h.docs.Load(Rowset(kHeadColumns, "<z:row ID=' 1 ' cSub='2' cSOCode=' SO1 ' cUnknown='kept'/>"), body);
  EXPECT_EQ(h.docs.LineCount(), 4);
  EXPECT_EQ(h.Cell(2, "cInvCode"), "C");
  EXPECT_EQ(h.model.Bill().sPrimaryKeyValues + "|" + h.model.Bill().sReceiptNO, "1{#}2|SO1");

  DomPtr head, out;
  h.docs.GetVoucherDataXML(head, out);
  pugi::xml_node data = body->document_element().child("rs:data");
  data.append_move(data.child("z:row").next_sibling());  // the 'D' row goes last
  EXPECT_EQ(xml::Text(*out), xml::Text(*body));
  EXPECT_NE(xml::Text(*head).find("cUnknown=\"kept\" editprop=\"\"/>"), std::string::npos);
}

TEST(VoucherDocuments, LoadingTheHeadOnlyKeepsTheBodyAndResetsTheDeletedRows) {
  DataHarness h;
  h.model.Bill().sPrimaryKeyFieldNames = "ID{#}cSub";
  h.LoadRows(kMixedRows);
  h.docs.UpdateEditSign = true;
  h.docs.Load(Rowset(kHeadColumns, "<z:row cSub='2' editprop='M'/>"), nullptr);
  EXPECT_EQ(h.docs.LineCount(), 4);
  EXPECT_EQ(xml::Text(h.docs.GetBodyDelDom()->document_element()), "<Buffer/>");
  EXPECT_EQ(h.model.Bill().sPrimaryKeyValues, "{#}2");
  EXPECT_STREQ(h.docs.HeadRow().attribute("editprop").value(), "");

  h.docs.Load(xml::LoadNew("<xml><s:Schema>" + kHeadColumns + "</s:Schema></xml>"), nullptr);
  const pugi::xml_node blank = h.docs.HeadRow();
  EXPECT_EQ(xml::Text(blank.parent()), "<rs:data><z:row ID=\"\" cSOCode=\"\" editprop=\"A\"/></rs:data>");
  EXPECT_EQ(h.docs.HeadRow(), blank);
}

TEST(VoucherDocuments, GetLineDomCopiesOneLineUnderTheSchema) {
  DataHarness h;
  h.LoadRows(kMixedRows);
  const DomPtr line = h.docs.GetLineDom(3);
  ASSERT_TRUE(line && xml::SelectSingleNode(*line, "//s:AttributeType[@name='AutoID']"));
  EXPECT_EQ(xml::Text(xml::SelectSingleNode(*line, "//rs:data")),
            "<rs:data><z:row cInvCode=\"D\" editprop=\"\"/></rs:data>");
  EXPECT_FALSE(h.docs.GetLineDom(5));
  EXPECT_EQ(h.ctx.TakeLastError(), "nRow值越界");
  EXPECT_FALSE(h.docs.GetLineDom(0));
  EXPECT_EQ(h.LastErrorNumber(), 91) << "the current row needs a grid";
  h.AttachGrid(2);
  EXPECT_STREQ(xml::SelectSingleNode(*h.docs.GetLineDom(0), "//z:row").attribute("cInvCode").value(), "C");
}

TEST(VoucherDocuments, BadBodiesLoadWithoutLosingRows) {
  const std::tuple<const char*, std::int32_t, std::size_t> cases[] = {
      // body text ("": no document element), lines, rows given back
      {"", 0, 0},
      {"<xml><s:Schema/><z:row editprop='D'/></xml>", 0, 1},
      {"<xml><rs:data><z:row a='1'/><z:row a='2' editprop='D'/></rs:data></xml>", 1, 2},
      {"<xml><rs:data><z:row editprop='X'/><z:row editprop='d'/></rs:data></xml>", 2, 2},
      {"<xml><rs:data><z:row editprop='D'><z:row editprop='D'/></z:row></rs:data></xml>", 0, 2},
  };
  for (const auto& [text, lines, rowsBack] : cases) {
    SCOPED_TRACE(text);
    DataHarness h;
    h.docs.Load(nullptr, *text ? xml::LoadNew(text) : NewDom());
    EXPECT_EQ(h.docs.LineCount(), lines);
    DomPtr head, body;
    h.docs.GetVoucherDataXML(head, body);
    EXPECT_EQ(xml::SelectNodes(*body, "//z:row").size(), rowsBack);
  }
}

TEST(VoucherDocuments, TheLineIndexFollowsAReplacedBody) {
  DataHarness h;
  h.docs.ReplaceBody(Rowset(kBodyColumns, "<z:row cInvCode='X'/>"));
  EXPECT_EQ(h.docs.LineCount(), 1);
  h.docs.Body() = Rowset(kBodyColumns, "<z:row cInvCode='Y'/><z:row cInvCode='Z'/>");
  EXPECT_EQ(h.Cell(2, "cInvCode"), "Z");
  EXPECT_FALSE(h.docs.BodyRow(3));
}

}  // namespace
}  // namespace cavra::testing
