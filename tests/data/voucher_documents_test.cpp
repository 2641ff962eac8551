#include <gtest/gtest.h>

#include <array>

#include "data_fixture.h"
#include "platform/vbstring.h"

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

const std::string kRows =
    "<z:row irowno='1' cInvCode='A' editprop='A'/><z:row irowno='2' cInvCode='B' editprop='M'/>"
    "<z:row irowno='3' cInvCode='C'/><z:row irowno='9' cInvCode='X' editprop='D'/>";

TEST(LineEditor, UpdateLineDataCopiesEveryAttributeButTheRowState) {
  DataHarness h;
  h.LoadRows(kRows);
  h.AttachGrid(3);
  std::vector<std::int32_t> recalculated;
  h.lines.SetLineRecalculator([&](std::int32_t n) { recalculated.push_back(n); });
  const DomPtr dom = Rowset("", "<z:row xmlns:z='#RowsetSchema' cInvCode='N' cFree9='new' editprop='A'/>");
  EXPECT_TRUE(h.lines.UpdateLineData(dom, 2));
  EXPECT_EQ(xml::Text(h.docs.BodyRow(2)),
            "<z:row irowno=\"2\" cInvCode=\"N\" editprop=\"M\" cFree9=\"new\"/>");
  EXPECT_TRUE(h.lines.UpdateLineData(dom, -1));
  EXPECT_EQ(h.Cell(3, "cInvCode"), "N");
  EXPECT_EQ(recalculated, (std::vector<std::int32_t>{2, 3}));

}

TEST(LineEditor, UpdateLineDataReportsWhyNothingWasUpdated) {
  DataHarness h;
  h.LoadRows(kRows);
  FakeGrid& grid = h.AttachGrid(1);
  const std::string before = xml::Text(*h.docs.Body());
  const DomPtr dom = Rowset("", "<z:row cInvCode='N'/>");
  const struct Case {
    const char* name;
    DomPtr dom;
    std::int32_t row;
    std::int32_t error;
    std::string text;
  } cases[] = {
      {"line beyond the body", dom, 4, err::kResourceText, GetResString("Ordra.AA.VCH.022")},
      {"line 0", dom, 0, err::kResourceText, GetResString("Ordra.AA.VCH.022")},
      {"negative line", dom, -2, err::kResourceText, GetResString("Ordra.AA.VCH.022")},
      {"no document", nullptr, 1, err::kResourceText, GetResString("Ordra.AA.VCH.020")},
      {"a document without a row", Rowset("", ""), 1, err::kResourceText, GetResString("Ordra.AA.VCH.020")},
      {"an empty document", NewDom(), 1, err::kResourceText, GetResString("Ordra.AA.VCH.020")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    h.sink->errors.clear();
    grid.calls.clear();
    EXPECT_FALSE(h.lines.UpdateLineData(c.dom, c.row));
    ASSERT_EQ(h.sink->errors.size(), 1u);
    EXPECT_EQ(h.sink->errors[0].first, c.error);
    EXPECT_FALSE(c.text.empty());
    EXPECT_EQ(h.ctx.TakeLastError(), c.text);
    EXPECT_TRUE(grid.redraw);
    EXPECT_EQ(xml::Text(*h.docs.Body()), before);
  }
  // A formula that fails after the copy is reported too, with the grid drawing again.
  h.sink->errors.clear();
  h.lines.SetLineRecalculator([](std::int32_t) { throw VbError(5, "formula"); });
  EXPECT_FALSE(h.lines.UpdateLineData(dom, 1));
  EXPECT_TRUE(grid.redraw);
  EXPECT_EQ(h.ctx.TakeLastError(), "formula");
}

TEST(LineEditor, UpdateLineDataTakesTheFirstCopyOfARepeatedAttribute) {
  DataHarness h;
  h.LoadRows(kRows);
  const DomPtr dom = Rowset("", "<z:row cInvCode='first' cFree1='x' cInvCode='second' cFree1='y'/>");
  ASSERT_TRUE(dom);
  ASSERT_TRUE(h.lines.UpdateLineData(dom, 2));
  EXPECT_EQ(xml::Text(h.docs.BodyRow(2)),
            "<z:row irowno=\"2\" cInvCode=\"first\" editprop=\"M\" cFree1=\"x\"/>");
  EXPECT_TRUE(h.sink->errors.empty());
}

TEST(LineEditor, LineStatesAndResettingThem) {
  DataHarness h;
  h.LoadRows(kRows, "<z:row ID='1' editprop='M'/>");
  EXPECT_EQ(h.lines.QueryDataLineStatus(1) + "|" + h.lines.QueryDataLineStatus(3), "A|");
  EXPECT_EQ(h.lines.QueryDataLineStatus(4), "");
  EXPECT_EQ(h.ctx.TakeLastError(), GetResString("Ordra.AA.VCH.022"));
  h.AttachGrid(2);  // (without one: the service's boundary tests)
  EXPECT_EQ(h.lines.QueryDataLineStatus(-1), "M");

  h.lines.ResetSigh();
  DomPtr head, body;
  h.docs.GetVoucherDataXML(head, body);
  std::string states = xml::SelectSingleNode(*head, "//z:row").attribute("editprop").value();
  for (const pugi::xpath_node& row : xml::SelectNodes(*body, "//z:row"))
    states.append(row.node().attribute("editprop").value()).append("|");
  EXPECT_EQ(states, "|||D|");
}

TEST(LineEditor, RowNumbers) {
  const std::tuple<const char*, std::int32_t, std::int32_t, bool, const char*> cases[] = {
      // row numbers before ("D": a deleted line, "_": none), position, current, IsAdd, after
      {"7 2 _ 3", 3, 0, true, "7 2 3 4"},
      {"7 5 _ 3", 3, 0, true, "1 2 3 4"},
      {"D9 _ 3", 1, 0, true, "D9 2 3"},
      {"1 5 x D6 6", 0, 4, false, "1 4 x D6 5"},
  };
  for (const auto& [before, position, current, add, after] : cases) {
    SCOPED_TRACE(before);
    DataHarness h;
    std::string rows;
    for (const std::string& n : vb::Split(before, " "))
      rows += n[0] == 'D' ? "<z:row editprop='D' irowno='" + n.substr(1) + "'/>"
                          : "<z:row irowno='" + (n == "_" ? "" : n) + "'/>";
    h.docs.ReplaceBody(Rowset(kBodyColumns, rows));
    h.lines.CalcRowNO(position, current, add);
    std::vector<std::string> numbers;
    for (std::int32_t i = 1; i <= h.docs.LineCount(); ++i)
      numbers.push_back((h.Cell(i, "editprop") == "D" ? "D" : "") + h.Cell(i, "irowno"));
    EXPECT_EQ(vb::Join(numbers, " "), after);
  }
}

TEST(LineEditor, CurrentRowAndListNeedTheGrid) {
  DataHarness h;
  h.LoadRows(kRows);
  DomPtr list;
  h.lines.SetCurrentRow("@cInvCode='C'");
  h.lines.FillList(list);
  EXPECT_EQ(h.sink->errors.size(), 2u);
  EXPECT_EQ(xml::Text(list->document_element()), "<locate/>");

  FakeGrid& grid = h.AttachGrid(1);
  grid.bottom_row = 2, grid.cols = 5, grid.rows = 5, grid.sel_c1 = 2;
  grid.cells = {{{1, 2}, "a"}, {{2, 2}, "A"}, {{3, 2}, ""}, {{4, 2}, "b"}, {{4, 1}, "c"}};
  h.lines.SetCurrentRow("@cInvCode='C'");
  EXPECT_EQ(grid.calls, (std::vector<std::string>{"Row(3)", "ShowCell(3,1)", "SelectRange(3,1,3,4)"}));
  EXPECT_EQ(grid.top_row, 2) << "line 3 lies below the last visible row";
  grid.calls.clear();
  h.lines.SetCurrentRow("@cInvCode='none'");
  EXPECT_TRUE(grid.calls.empty());
  h.lines.SetCurrentRow("@cInvCode=");
  EXPECT_EQ(h.LastErrorNumber(), 5) << "a condition that is no XPath";
  h.lines.FillList(list);
  EXPECT_EQ(xml::Text(list->document_element()), "<locate><item>a</item><item>b</item></locate>");
}

void Set(pugi::xml_node row, const char* name, const std::string& value) {
  (row.attribute(name) ? row.attribute(name) : row.append_attribute(name)).set_value(value.c_str());
}

std::string Text(const Variant& v) {
  return v.IsString() ? v.AsString() : v.IsEmpty() ? "<empty>" : "<other>";
}

TEST(FieldValues, BodyCellsShownEditedAndTyped) {
  // field, stored or typed value, bodyText, GetInteralBodyText, GetFormatStringByValue
  const std::array<const char*, 5> cases[] = {
      {"iMoney", "1234.5", "1234.50", "1,234.50", "1,234.50"},
      {"iMoney", "12abc", "12abc", "12abc", "12abc"},
      {"iNeg", "-0.4", "-0", "", "-0.4"},
      {"dDate", "2026-12-01T09:30:12", "2026-12-01", "2026-12-01", "2026-12-01"},
      {"dTime", "2026-12-01T09:30:12", "2026-12-01 09:30:12", "2026-12-01 09:30:12", "2026-12-01 09:30:12"},
      {"dTime", "not a date", "no  a da e", "no  a da e", "no  a da e"},
      {"cGift", "1", "是", "1", "1"},
      {"cGift", "是", "是", "是", "1"},
  };
  DataHarness h;
  h.LoadRows("<z:row/>");
  for (const auto& [field, value, shown, internal, typed] : cases) {
    SCOPED_TRACE(std::string(field) + " " + value);
    Set(h.docs.BodyRow(1), field, value);
    const Variant column(h.model.LookUpArrayFromKey(field, sibody));
    EXPECT_EQ(Text(h.values.bodyText(1, Variant(field))), shown);
    EXPECT_EQ(Text(h.values.GetInteralBodyText(1, column)), internal);
    EXPECT_EQ(h.values.GetFormatStringByValue(0, column, value), typed);
  }
  EXPECT_EQ(h.LastErrorNumber(), 0);
  Set(h.docs.BodyRow(1), "iMoney", std::string(400, '9'));
  EXPECT_EQ(Text(h.values.bodyText(1, Variant("iMoney"))), "<empty>");
  EXPECT_EQ(h.LastErrorNumber(), 6) << "an overflowing value is reported, not shown";
  EXPECT_EQ(Text(h.values.GetInteralBodyText(1, Variant(8))), "<empty>");
  EXPECT_EQ(h.LastErrorNumber(), 9);
}

TEST(FieldValues, HeaderTextsAndDisplayTexts) {
  const std::array<const char*, 4> cases[] = {
      // field, stored, headerText, headerDisplayText
      {"cBus", "01", "普通", "01"},
      {"cBus", "09", "09", "09"},
      {"iRate", "1234.5", "1234.50", "1,234.50"},
      {"cMemo", "a\nb", "a\nb", "a\r\nb"},
      {"cRef", "a{##}b", "a{##}b", "a"},
  };
  DataHarness h;
  h.LoadRows("");
  for (const auto& [field, stored, text, display] : cases) {
    SCOPED_TRACE(field);
    Set(h.docs.HeadRow(), field, stored);
    EXPECT_EQ(Text(h.values.headerText(Variant(field))), text);
    EXPECT_EQ(Text(h.values.headerDisplayText(Variant(field))), display);
  }
  EXPECT_EQ(Text(h.values.headerText(Variant("cNope"))), "<empty>");
  ASSERT_EQ(h.sink->errors.size(), 2u) << "the lookup's own report, then 2006";
  EXPECT_EQ(h.sink->errors[1], std::make_pair(2006, GetResString("Ordra.AA.VCH.008")));
  DataHarness unloaded;  // no head document, so no blank head row either
  EXPECT_EQ(Text(unloaded.values.headerText(Variant("cSOCode"))), "<empty>");
  EXPECT_EQ(unloaded.LastErrorNumber(), 2006);
}

TEST(FieldValues, CompiledFormatsFollowAnEditedDescriptor) {
  DataHarness h;
  h.LoadRows("<z:row iMoney='1234.5'/>");
  const ItemPtr item = h.model.FindItem("iMoney", true);
  EXPECT_EQ(h.values.BodyValue(*item, 1), "1234.50");
  item->nNumPoint(3);
  EXPECT_EQ(h.values.BodyValue(*item, 1), "1234.500");
  item->nFieldType = 1;
  EXPECT_EQ(h.values.BodyValue(*item, 1), "1234.5");
}

TEST(FieldValues, DisplayNameColumnsAreFoundThroughTheSchema) {
  DataHarness h;
  h.docs.Load(nullptr, Rowset("c7 rs:name='cInvCode'", "<z:row c7='X'/>"));
  EXPECT_EQ(Text(h.values.bodyText(1, Variant("cInvCode"))), "");
  h.docs.SetBodyChineseData(true);
  EXPECT_EQ(Text(h.values.bodyText(1, Variant("cInvCode"))), "X");
}

TEST(FieldValues, Totals) {
  DataHarness h;
  // 1.005 is below 1.005 in binary; each cell rounds half away from zero first.
  h.LoadRows(
      "<z:row iMoney='1.005'/><z:row iMoney='1.005'/><z:row iMoney='x'/><z:row iMoney='100' SumRow=' 1'/>");
  EXPECT_EQ(h.values.TotalText(Variant("iMoney")), "102.02");
  h.Load(kDataItems, "cParentKey='p' cKey='k'");
  EXPECT_EQ(h.values.TotalText(Variant("iMoney")), "2.02") << "outline subtotal rows are left out";
  EXPECT_EQ(h.values.TotalText(Variant(8)), "") << "an item, but no such grid column";
  EXPECT_EQ(h.ctx.TakeLastError(), GetResString("Ordra.AA.VCH.019"));
  h.values.TotalText(Variant("iMoney"), "1234.5");
  EXPECT_EQ(h.values.TotalText(Variant(3)), "");
  EXPECT_EQ(h.sink->errors.size(), 2u) << "writing and reading by column both need the grid";
  FakeGrid& grid = h.AttachGrid(1);
  h.values.TotalText(Variant("iMoney"), "1234.5");
  EXPECT_EQ(grid.totals[3], "1,234.50");
  grid.totals[3] = "7";
  EXPECT_EQ(h.values.TotalText(Variant(3)), "7.00");
}

}  // namespace
}  // namespace cavra::testing
