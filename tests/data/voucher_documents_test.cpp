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
  h.docs.SetUpdateEditSign(true);
  h.docs.Load(Rowset(kHeadColumns, "<z:row cSub='2' editprop='M'/>"), nullptr);
  EXPECT_EQ(h.docs.LineCount(), 4);
  EXPECT_EQ(xml::Text(h.docs.GetBodyDelDom()->document_element()), "<Buffer/>");
  EXPECT_EQ(h.model.Bill().sPrimaryKeyValues, "{#}2");
  EXPECT_STREQ(h.docs.HeadRow().attribute("editprop").value(), "");

  const DomPtr schema_only = Rowset(kHeadColumns, "");
  schema_only->document_element().remove_child("rs:data");
  h.docs.Load(schema_only, nullptr);
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
  h.AttachGrid(2);  // (without one: the service's boundary tests)
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

// No element of doc carries an attribute twice (the parser does not check).
void ExpectEachAttributeOnce(const pugi::xml_document& doc) {
  std::vector<pugi::xml_node> pending{doc};
  while (!pending.empty()) {
    const pugi::xml_node n = pending.back();
    pending.pop_back();
    for (const pugi::xml_attribute& a : n.attributes())
      EXPECT_EQ(n.attribute(a.name()), a) << n.name() << " has " << a.name() << " twice";
    for (const pugi::xml_node& c : n.children()) pending.push_back(c);
  }
}

TEST(VoucherDocuments, RepeatedAttributesKeepTheirFirstCopyEverywhere) {
  DataHarness h;
  h.LoadRows("<z:row cInvCode='A' cInvCode='A2' iMoney='1'/>"
             "<z:row cInvCode='B' iMoney='2' iMoney='3' iMoney='4'/>"
             "<z:row cInvCode='C' editprop='D' editprop='M' cInvCode='C2'/>",
             "<z:row ID='1' cSOCode='SO1' ID='2'/>");
  EXPECT_EQ(h.docs.LineCount(), 2);
  EXPECT_EQ(h.Cell(1, "cInvCode"), "A");
  EXPECT_EQ(h.Cell(2, "iMoney"), "2");
  EXPECT_EQ(xml::Text(h.docs.HeadRow()), "<z:row ID=\"1\" cSOCode=\"SO1\" editprop=\"\"/>");
  EXPECT_EQ(xml::Text(h.docs.BodyRow(2)), "<z:row cInvCode=\"B\" iMoney=\"2\"/>");

  // Rows a host adds to the deleted rows itself come back once each too.
  pugi::xml_node extra = h.docs.GetBodyDelDom()->child("Buffer").append_child("z:row");
  extra.append_attribute("cInvCode") = "X";
  extra.append_attribute("cInvCode") = "Y";
  extra.append_attribute("editprop") = "D";

  DomPtr head, body;
  h.docs.GetVoucherDataXML(head, body);
  const std::string text = xml::Text(*body);
  EXPECT_NE(text.find("<z:row cInvCode=\"C\" editprop=\"D\"/><z:row cInvCode=\"X\" editprop=\"D\"/>"),
            std::string::npos)
      << text;
  for (const std::string& out : {xml::Text(*head), text}) {
    pugi::xml_document again;
    ASSERT_TRUE(xml::Load(again, out));
    ExpectEachAttributeOnce(again);
  }
}

TEST(VoucherDocuments, CollapsingTouchesOnlyRepeatedAttributes) {
  auto doc = xml::LoadNew(
      "<xml a='1' a='2'><s:Schema><s:AttributeType name='x' name='y'/></s:Schema><rs:data>"
      "<z:row p='1' q='2'/><z:row p='1' q='2'/><z:row q='2' p='1' q='3'/><z:row p='1' q='2' p='0'/>"
      "<z:row/><z:row p='5'/></rs:data></xml>");
  ASSERT_TRUE(doc);
  EXPECT_EQ(CollapseDuplicateAttributes(*doc), 4u);
  EXPECT_EQ(xml::Text(*doc),
            "<xml a=\"1\"><s:Schema><s:AttributeType name=\"x\"/></s:Schema><rs:data>"
            "<z:row p=\"1\" q=\"2\"/><z:row p=\"1\" q=\"2\"/><z:row q=\"2\" p=\"1\"/><z:row p=\"1\" q=\"2\"/>"
            "<z:row/><z:row p=\"5\"/></rs:data></xml>");
  EXPECT_EQ(CollapseDuplicateAttributes(*doc), 0u);
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
