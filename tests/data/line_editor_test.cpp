#include <gtest/gtest.h>

#include "data_fixture.h"
#include "platform/vbstring.h"

namespace cavra::testing {
namespace {

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

}  // namespace
}  // namespace cavra::testing
