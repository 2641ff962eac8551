#include <gtest/gtest.h>

#include <array>

#include "data_fixture.h"

namespace cavra::testing {
namespace {

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
