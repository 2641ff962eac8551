#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "core/thread_state.h"
#include "platform/vbstring.h"
#include "template/item_state_access.h"
#include "template_fixture.h"

namespace cavra {
namespace {

using testing::FakeDataSource;
using testing::TemplateHarness;
using testing::TemplateRecordset;

const char* kItems =
    "<item fieldname='cCode' cardsection='T' showit='1' carditemname='单号'/>"
    "<item fieldname='dDate' cardsection='T' showit='0' fieldtype='5' formatdata='1'/>"
    "<item fieldname='cCode' cardsection='B' showit='1' fieldtype='2' numpoint='3'/>"
    "<item fieldname='iQty' cardsection='B' showit='1' fieldtype='4' numpoint='2' imfld='1'/>"
    "<item fieldname='cMemo' cardsection='T' showit='1' imfld='2' isenum='1' "
    "enumtypestring='甲{#}乙{##}1{#}2' catalog='37' datasource='-4' vvaluedefault=' v '/>";

TEST(TemplateLoading, KeysSectionsCountsAndPositions) {
  TemplateHarness h;
  h.Load(kItems);
  TemplateModel& m = h.model;
  ASSERT_EQ(m.Items().Count(), 5);
  EXPECT_EQ(m.HeadCount(), 3);
  EXPECT_EQ(m.BodyCount(), 2);
  // Body items come first; TCCODE and BCCODE coexist.
  EXPECT_EQ(m.Items().KeyAt(1), "BCCODE");
  EXPECT_TRUE(m.Items().Exists("TCCODE"));
  // A hidden header item is counted but gets no visible position.
  const ItemPtr date = m.FindItem("dDate", false);
  EXPECT_EQ(date->Reserve6, "");
  EXPECT_EQ(m.HeadPositions(), (std::vector<std::int32_t>{0, 1, 3}));
  EXPECT_EQ(m.BodyPositions(), (std::vector<std::int32_t>{0, 1, 2}));
  EXPECT_EQ(m.HeadPosCount1(), 3);
  EXPECT_EQ(m.FindItem("cMemo", false)->Reserve6, "2");
  EXPECT_EQ(m.FindItem("cMemo", false)->Reserve5, "5");
  // Per-item conversions.
  EXPECT_EQ(m.FindItem("cCode", true)->nNumPoint(), 0);  // whole-number types carry no decimals
  EXPECT_EQ(date->sFormatData, "YYYY-MM-DD");
  const ItemPtr memo = m.FindItem("cMemo", false);
  EXPECT_EQ(memo->Reserve2, "3");
  EXPECT_EQ(memo->nDataSource, 0);
  EXPECT_EQ(memo->vValueDefault, "v");
  EXPECT_EQ(memo->collEnumMap->Item("key乙"), "2");
  EXPECT_EQ(memo->EnumTypestring, "甲{#}乙{##}1{#}2");
  EXPECT_TRUE(memo->collLink && memo->collLink->Count() == 0);
  // Instant-message fields, keyed by the visible header count so far.
  ASSERT_TRUE(m.IMFields());
  EXPECT_EQ(m.IMFields()->Item("0"), "iQty*1");
  EXPECT_EQ(m.IMFields()->Item("2"), "cMemo*2");
  // Template-wide settings.
  EXPECT_EQ(m.Bill().sPrimaryKeyFieldNames, "ID");
  EXPECT_EQ(m.Bill().sReceiptNOFieldName, "cSOCode");
  EXPECT_EQ(m.RowNoField(), "irowno");
  EXPECT_EQ(m.TemplateKey(), "17_12");
  EXPECT_EQ(m.Bill().nbarcodeMultiple, 3);
  EXPECT_EQ(m.Bill().nControlAutoScale, AutoVertical);
  EXPECT_TRUE(Thread().templateLoaded);
  EXPECT_TRUE(h.sink->errors.empty());
}

TEST(TemplateLoading, AllHiddenLeavesOnlyTheZeroPosition) {
  TemplateHarness h;
  h.Load("<item fieldname='a' cardsection='T' showit='0'/><item fieldname='b' cardsection='B' showit='0'/>");
  EXPECT_EQ(h.model.HeadPositions(), std::vector<std::int32_t>{0});
  EXPECT_EQ(h.model.BodyPositions(), std::vector<std::int32_t>{0});
  EXPECT_EQ(h.model.HeadPosCount1(), 1);
}

TEST(TemplateLoading, TemplateWideSplitsAndDivisions) {
  TemplateHarness h;
  h.Load("<item fieldname='a' cardsection='T' showit='1'/>",
         "inventoryFieldName='A{$$}B{##}C' cBarCodeFieldNames='x{##}y{##}z' VT_PrintGrid='13' VT_AutoCalc='117' "
         "VT_PageSubTotal='21' nAutoCalcWidth='35' nPrintSeril='50' nbarcodeMultiple='5' cParentKey='p' cKey='k'");
  TemplateModel& m = h.model;
  EXPECT_EQ(m.InventoryFieldName(), "A");
  EXPECT_EQ(m.InventoryField2(), "B{##}C");
  EXPECT_EQ(m.InventoryField3(), "");
  EXPECT_EQ(m.BarcodeField2(), "y");
  const clsBillInformation& b = m.Bill();
  EXPECT_EQ(b.nPrintGrid, 3);
  EXPECT_TRUE(b.bPrintFlowMode);
  EXPECT_TRUE(b.bIsBarCodeMode);
  EXPECT_TRUE(b.bAutoWordWrap);
  EXPECT_EQ(b.nAutoCalcHeight, 7);
  EXPECT_TRUE(b.bPrintTailAfterBody);
  EXPECT_EQ(b.nPagesubTotal, 1);
  EXPECT_EQ(b.nControlAutoScale, 2);
  EXPECT_EQ(b.nAutoCalcWidth, 5);
  EXPECT_EQ(b.nSerialNumberColWidth, 800);
  EXPECT_EQ(b.nbarcodeMultiple, 5);
  EXPECT_TRUE(m.IsRowOutline());
  EXPECT_EQ(m.OutlineKey(), "k");

  h.Load("<item fieldname='a' cardsection='T'/>", "inventoryFieldName='A{##}C' cBarCodeFieldNames='x{##}y'");
  EXPECT_EQ(m.InventoryFieldName(), "A");
  EXPECT_EQ(m.InventoryField3(), "C");
  EXPECT_EQ(m.BarcodeField1(), "csysbarcode");  // one separator: defaults kept
  EXPECT_FALSE(m.IsRowOutline());
}

// A one-item template recordset with one template-wide column renamed away.
RecordsetPtr WithoutColumn(const std::string& column) {
  auto rs = TemplateRecordset("<item fieldname='a' cardsection='T'/>");
  std::vector<std::string> names = rs->FieldNames();
  std::replace(names.begin(), names.end(), column, std::string("other"));
  auto renamed = std::make_shared<Recordset>(names);
  renamed->AddRow(rs->Rows()[0]);
  return renamed;
}

// A template recordset whose item part has only `columns` columns; each row
// sets its first values.
RecordsetPtr ShortRows(std::size_t columns, const std::vector<std::vector<Variant>>& rows) {
  auto full = TemplateRecordset("<item/>");
  std::vector<std::string> names(full->FieldNames().begin(), full->FieldNames().begin() + columns);
  const auto& shared = full->Rows()[0];
  names.insert(names.end(), full->FieldNames().begin() + 127, full->FieldNames().end());
  auto rs = std::make_shared<Recordset>(names);
  for (const auto& values : rows) {
    Recordset::Row row(columns, Variant::Null());
    for (std::size_t i = 0; i < std::min(columns, values.size()); ++i) row[i] = values[i];
    row.insert(row.end(), shared.begin() + 127, shared.end());
    rs->AddRow(row);
  }
  return rs;
}

// What loading skips without an error (what it refuses is in the table below).
TEST(TemplateLoading, TolerableDefectsAreSkipped) {
  TemplateHarness h;
  h.Load("<item fieldname='a' cardsection='T' showit='1'/>");
  const BillInfoPtr first = h.model.BillInfo();
  h.model.setTemplateData(nullptr);  // only a log line; the template stays
  EXPECT_EQ(h.model.BillInfo(), first);

  h.model.setTemplateData(WithoutColumn("VT_Header"));  // a tolerant column
  EXPECT_EQ(h.model.Items().Count(), 1);

  // 58 columns: every strict position of the first row exists; the rest are skipped.
  std::vector<Variant> a(14, Variant::Null()), b(14, Variant::Null());
  a[9] = "x", a[13] = "B", b[9] = "y", b[13] = "T";
  h.model.setTemplateData(ShortRows(58, {a, b}));
  EXPECT_EQ(h.model.Items().Count(), 2);

  b[10] = "abc";  // a bad value in a later row
  h.model.setTemplateData(ShortRows(127, {a, b}));
  EXPECT_EQ(h.model.FindItem("y", false)->nFieldType, 0);
  EXPECT_TRUE(h.sink->errors.empty());
}

// Every index up to a section's count reaches an item of that section, the
// counts are all of the section's items, and each visible header position
// reaches the item holding that position.
void ExpectCountsMatchItems(TemplateModel& m) {
  struct Section {
    std::int32_t count;
    std::int32_t id;
    const char* letter;
  };
  for (const Section& s : {Section{m.HeadCount(), siHeader, "T"}, Section{m.BodyCount(), sibody, "B"}}) {
    SCOPED_TRACE(s.letter);
    std::int32_t in_section = 0;
    for (std::int32_t i = 1; i <= m.Items().Count(); ++i)
      in_section += vb::UCase(m.Items().Item(i)->sCardSection) == s.letter;
    EXPECT_EQ(s.count, in_section);
    for (std::int32_t i = 1; i <= s.count; ++i) {
      const ItemPtr item = m.ItemState(i, s.id);
      ASSERT_TRUE(item) << "index " << i;
      EXPECT_EQ(vb::UCase(item->sCardSection), s.letter) << "index " << i << ": " << item->sFieldName;
    }
  }
  for (std::size_t k = 1; k < m.HeadPositions().size(); ++k) {
    const ItemPtr item = m.ItemState(m.HeadPositions()[k], siHeader);
    EXPECT_EQ(item ? item->Reserve6 : "none", std::to_string(k));
  }
}

TEST(TemplateLoading, DuplicateRowsAreNeitherAddedNorCounted) {
  TemplateHarness h;
  h.Load("<item fieldname='cCode' cardsection='B' showit='1' carditemname='first'/>"
         "<item fieldname='CCODE' cardsection='b' showit='1' carditemname='second'/>"
         "<item fieldname='iQty' cardsection='B' showit='1'/>"
         "<item fieldname='ID' cardsection='T' showit='1'/>"
         "<item fieldname='cSOCode' cardsection='T' showit='1'/>"
         "<item fieldname='id' cardsection='t' showit='1'/>");
  TemplateModel& m = h.model;
  EXPECT_TRUE(h.sink->errors.empty());
  EXPECT_EQ(m.Items().Count(), 4);
  EXPECT_EQ(m.BodyCount(), 2);
  EXPECT_EQ(m.HeadCount(), 2);
  EXPECT_EQ(m.FindItem("ccode", true)->sCardItemName, "first");
  ASSERT_NE(m.ItemState(2, siHeader), nullptr);
  EXPECT_EQ(m.ItemState(1, siHeader)->sFieldName, "ID");
  EXPECT_EQ(m.ItemState(2, siHeader)->sFieldName, "cSOCode");
  EXPECT_EQ(m.ItemState(3, siHeader), nullptr);
  EXPECT_EQ(m.LookUpArray("cSOCode", siHeader), 2);
  EXPECT_EQ(m.HeadPositions(), (std::vector<std::int32_t>{0, 1, 2}));
  EXPECT_EQ(m.BodyPositions(), (std::vector<std::int32_t>{0, 1, 2}));
  ExpectCountsMatchItems(m);
}

// A recordset with every template column and the given item rows.
RecordsetPtr WithRows(const std::vector<Recordset::Row>& items) {
  auto full = TemplateRecordset("<item/>");
  auto rs = std::make_shared<Recordset>(full->FieldNames());
  for (Recordset::Row row : items) {
    row.resize(127, Variant::Null());
    row.insert(row.end(), full->Rows()[0].begin() + 127, full->Rows()[0].end());
    rs->AddRow(row);
  }
  return rs;
}

Recordset::Row ItemRow(const char* name, const char* section) {
  Recordset::Row row(127, Variant::Null());
  row[9] = name;
  row[13] = section;
  return row;
}

TEST(TemplateLoading, ARefusedTemplateLeavesThePreviousOneWhole) {
  const Recordset::Row null_row(127, Variant::Null());
  const struct Case {
    const char* name;
    RecordsetPtr rs;
    std::int32_t error;
  } cases[] = {
      {"missing strict column", WithoutColumn("VT_Memo"), err::kItemNotFound},
      {"text in a template number column",
       TemplateRecordset("<item fieldname='a' cardsection='T'/>", "itemCol='x'"), err::kTypeMismatch},
      {"text in a number position of the first row",
       TemplateRecordset("<item fieldname='a' cardsection='B' fieldtype='abc'/>"), err::kTypeMismatch},
      {"first row too short", ShortRows(40, {ItemRow("a", "B")}), err::kTypeMismatch},
      {"all-Null rows", WithRows({null_row, null_row}), err::kInvalidCall},
      {"a Null row after good ones", WithRows({ItemRow("a", "B"), null_row}), err::kInvalidCall},
      {"a section of another letter", WithRows({ItemRow("a", "B"), ItemRow("b", "X")}), err::kInvalidCall},
      {"a body row after a header row", WithRows({ItemRow("a", "T"), ItemRow("b", "B")}), err::kInvalidCall},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TemplateHarness h;
    auto ds = std::make_shared<FakeDataSource>();
    ds->auth_string = "CMEMO[####]True";
    h.ctx.SetDataSource(ds);
    h.Load(kItems, "cParentKey='p' cKey='k' cBarCodeFieldNames='x{##}y{##}z'");
    TemplateModel& m = h.model;
    const RecordsetPtr rs = m.TemplateData();
    const BillInfoPtr bill = m.BillInfo();
    const ItemCollection* items = &m.Items();
    const ItemPtr qty = m.FindItem("iQty", true);
    ds->auth_string = "";
    h.model.setTemplateData(c.rs);
    ASSERT_EQ(h.sink->errors.size(), 1u);
    EXPECT_EQ(h.sink->errors[0].first, c.error);
    EXPECT_FALSE(h.ctx.TakeLastError().empty());
    EXPECT_EQ(m.TemplateData(), rs);
    EXPECT_EQ(m.BillInfo(), bill);
    EXPECT_EQ(&m.Items(), items);
    EXPECT_EQ(m.FindItem("iQty", true), qty);
    EXPECT_EQ(m.Items().Count(), 5);
    EXPECT_EQ(m.HeadCount(), 3);
    EXPECT_EQ(m.BodyCount(), 2);
    EXPECT_EQ(m.HeadPositions(), (std::vector<std::int32_t>{0, 1, 3}));
    EXPECT_EQ(qty->Reserve6, "2");
    EXPECT_EQ(m.RowNoField(), "irowno");
    EXPECT_EQ(m.TemplateKey(), "17_12");
    EXPECT_TRUE(m.IsRowOutline());
    EXPECT_EQ(m.BarcodeField1(), "x");
    EXPECT_EQ(h.rights.AuthString(), "CMEMO");
    EXPECT_TRUE(h.rights.WorkflowAuth());
    ASSERT_NE(m.FindItem("cMemo", false), nullptr);
    EXPECT_EQ(m.FindItem("cMemo", false)->AuthFlag, "R");
    EXPECT_TRUE(Thread().templateLoaded);
    ExpectCountsMatchItems(m);
    // The refused recordset is not what a refresh reloads.
    m.RefreshTemplate();
    EXPECT_EQ(h.sink->errors.size(), 1u);
    EXPECT_EQ(m.Items().Count(), 5);
  }
}

TEST(TemplateLoading, NoRowsEmptiesTheTemplateAsDocumented) {
  TemplateHarness h;
  h.Load(kItems);
  auto empty = TemplateRecordset("");
  ASSERT_TRUE(empty->Eof() && empty->Bof());
  h.model.setTemplateData(empty);
  TemplateModel& m = h.model;
  ASSERT_EQ(h.sink->errors.size(), 1u);
  EXPECT_EQ(h.sink->errors[0].first, err::kResourceText);
  EXPECT_EQ(m.TemplateData(), empty);
  EXPECT_EQ(m.Items().Count(), 0);
  EXPECT_EQ(m.HeadCount(), 0);
  EXPECT_EQ(m.BodyCount(), 0);
  EXPECT_EQ(m.Bill().sBillNo, "");
  EXPECT_EQ(m.HeadPositions(), std::vector<std::int32_t>{0});
  EXPECT_EQ(m.BodyPositions(), std::vector<std::int32_t>{0});
  EXPECT_EQ(m.ItemState(1, siHeader), nullptr);
  // The next good template loads as usual.
  h.Load(kItems);
  EXPECT_EQ(m.Items().Count(), 5);
  ExpectCountsMatchItems(m);
}

TEST(TemplateLoading, FieldRightsHideAndProtectFields) {
  TemplateHarness h;
  auto ds = std::make_shared<FakeDataSource>();
  ds->auth_string = "CCODE{##}T;CMEMO[####]True";
  h.ctx.SetDataSource(ds);
  h.Load(kItems);
  TemplateModel& m = h.model;
  EXPECT_TRUE(h.rights.WorkflowAuth());
  EXPECT_EQ(h.rights.AuthString(), "CCODE{##}T;CMEMO");
  EXPECT_EQ(m.FindItem("cCode", false)->AuthFlag, "R");
  EXPECT_EQ(m.FindItem("cCode", true)->AuthFlag, "R");
  EXPECT_FALSE(m.FindItem("cCode", true)->bCanModify());
  const ItemPtr memo = m.FindItem("cMemo", false);
  EXPECT_EQ(memo->AuthFlag, "N");
  EXPECT_FALSE(memo->showIt);
  EXPECT_EQ(memo->Reserve6, "");
  EXPECT_EQ(m.HeadPositions(), (std::vector<std::int32_t>{0, 1}));

  // "1=2" restricts nothing; a failing data source keeps the previous string.
  ds->auth_string = "1=2";
  h.Load(kItems);
  EXPECT_EQ(h.rights.AuthString(), "");
  EXPECT_EQ(m.FindItem("cMemo", false)->AuthFlag, "");
  h.rights.SetAuthString("CMEMO");
  ds->auth_throws = true;
  h.Load(kItems);
  EXPECT_EQ(m.FindItem("cMemo", false)->AuthFlag, "R");
}

TEST(FieldRights, FlagsFromTheRightString) {
  struct Case {
    const char* rights;
    const char* field;
    bool body;
    const char* flag;
  } cases[] = {
      {"", "cCode", false, ""},
      {"1=2", "cCode", false, ""},
      {"{##}", "cCode", false, ""},
      {"CCODE", "cCode", true, "R"},                  // no separator: all read-only
      {"CCODE,T;CCODE", "cCode", false, "R"},          // own prefixed entry
      {"CCODE,T;CCODE", "cCode", true, ""},            // bare name cancelled by the other section
      {"B;ccode{##}", "CCODE", true, "R"},
      {"{##}ccode", "cCode", true, "N"},
      {"{##}T;cmemo", "cMemo", true, ""},             // hidden in the header only
      {"ccode{##}ccode", "cCode", false, "N"},          // hidden wins
      {"cCodeX", "cCode", false, ""},                   // whole entries only
      {"a{##}b{##}ccode", "cCode", false, ""},          // only two pieces are read
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.rights) + " / " + c.field);
    FieldRights r;
    r.SetAuthString(c.rights);
    EXPECT_EQ(r.GetFieldRightFlag(c.field, c.body), c.flag);
  }
  FieldRights r;
  r.SetAuthString("ccode");
  EXPECT_EQ(r.GetFieldRightFlag("cCode", false, "{##}cCode"), "N");  // the override wins
}

TEST(FieldRights, FetchedStringSwitchesWorkflowOnlyWhenItSplitsCleanly) {
  FieldRights r;
  r.TakeFetchedAuthString("A[####]True[####]x");
  EXPECT_FALSE(r.WorkflowAuth());
  EXPECT_EQ(r.AuthString(), "A[####]True[####]x");
  r.TakeFetchedAuthString("A[####]1");
  EXPECT_TRUE(r.WorkflowAuth());
  EXPECT_EQ(r.AuthString(), "A");
  r.TakeFetchedAuthString("B[####]False");
  EXPECT_FALSE(r.WorkflowAuth());
}

TEST(ItemLookup, OrdinalsNamesAndSections) {
  TemplateHarness h;
  h.Load(kItems);
  TemplateModel& m = h.model;
  EXPECT_EQ(m.ItemState(Variant("3"), siHeader)->sFieldName, "cMemo");  // text 3 is an ordinal
  EXPECT_EQ(m.ItemState(Variant(1), sibody)->sFieldName, "cCode");
  EXPECT_EQ(m.ItemState(Variant(0), sibody), nullptr);
  EXPECT_EQ(m.ItemState(Variant(4), siHeader), nullptr);
  EXPECT_EQ(m.ItemState(Variant::Null(), siHeader), nullptr);
  EXPECT_TRUE(h.sink->errors.empty());
  EXPECT_EQ(m.ItemState(Variant("IQTY"), SiOther)->sFieldName, "iQty");  // other sections look in the body
  EXPECT_EQ(m.ItemState(Variant("ccode"), siHeader), m.ItemState(Variant("CCODE"), siHeader));

  EXPECT_EQ(m.LookUpArray("cCode", siHeader), 1);  // whatever the number of body items
  EXPECT_EQ(m.LookUpArray("iQty", sibody), 2);
  EXPECT_EQ(m.LookUpArrayFromKey("cMemo", siHeader), 2);
  EXPECT_EQ(m.LookUpArray("nothing", siHeader), -1);
  EXPECT_EQ(h.sink->errors.size(), 1u);  // fired once, by the name lookup
  EXPECT_EQ(h.ctx.TakeLastError(), VbError::StandardText(err::kInvalidCall));

  EXPECT_EQ(m.Debug_KeyWord(siHeader), "cCode\ndDate\ncMemo\n");
  EXPECT_EQ(m.Debug_KeyWord(SiOther), "cCode\niQty\n");
  EXPECT_TRUE(m.GetColAutoDisplayText(Variant(2)) == false);
  EXPECT_FALSE(m.GetColAutoDisplayText(Variant(9)));
  EXPECT_EQ(h.sink->errors.size(), 2u);
}

// Only the kinds of the table translate: 2.5 is neither kind 2 nor kind 3.
TEST(ItemLookup, ReferenceKinds) {
  const std::pair<Variant, std::int16_t> cases[] = {
      {1, 1},         {2, 3},          {3, 2},           {4, 4},         {7, 6},          {8, 8},
      {10, 9},        {5, 0},          {"10", 9},        {"x", 0},       {Variant::Null(), 0},
      {2.0, 3},       {2.5, 0},        {"2.5", 0},       {3.0001, 0},    {9.99, 0},       {-1, 0},
      {1e12, 0}};
  for (const auto& [in, out] : cases) EXPECT_EQ(TemplateModel::getRefType(in), out) << CStr(in);
}

TEST(AccountOptions, ReadOncePerThread) {
  std::thread([] {
    TemplateHarness h;
    auto ds = std::make_shared<FakeDataSource>();
    ds->OnSql("AccInformation",
              testing::MakeRecordset({"cValue", "cName"}, {{"1R#1R1#", "AuditSelectCols"},
                                                           {"TRUE", "bDescendAuditTime"},
                                                           {"true", "bPrintTemplatePointLength"}}));
    h.ctx.SetDataSource(ds);
    h.model.ReadAccountOptions();
    h.model.ReadAccountOptions();
    EXPECT_EQ(ds->queries.size(), 1u);
    EXPECT_EQ(Thread().accountOptions.AuditSelectCols, "1R#1R1#");
    EXPECT_TRUE(Thread().accountOptions.bPrintTemplatePointLength);
    EXPECT_TRUE(h.model.DescendAuditTime());
    TemplateHarness other;
    other.ctx.SetDataSource(ds);
    other.model.ReadAccountOptions();
    EXPECT_EQ(ds->queries.size(), 1u);
    EXPECT_FALSE(other.model.DescendAuditTime());
  }).join();
}

// Templates found by fuzzing: a field listed twice, or an item with no
// section, once shifted every header index after it, and a load that failed
// half way left counts of items it never added.
TEST(TemplateCounts, AFieldListedTwiceIsCountedOnce) {
  TemplateHarness h;
  h.Load("<item cardsection='B' fieldname='iQuantity' fieldtype='4'/>"
         "<item cardsection='B' fieldname='iQuantity' fieldtype='4'/>"
         "<item cardsection='T' fieldname='ID'/><item cardsection='T' fieldname='cSOCode'/>");
  ExpectCountsMatchItems(h.model);
  EXPECT_EQ(h.model.ItemState(1, siHeader)->sFieldName, "ID");
}

TEST(TemplateCounts, AnItemWithoutASectionIsRefusedAndShiftsNoIndex) {
  TemplateHarness h;
  h.Load("<item cardsection='B' fieldname='iQuantity' fieldtype='4'/><item fieldname='cMemo'/>"
         "<item cardsection='T' fieldname='cSOCode'/>");
  ASSERT_FALSE(h.sink->errors.empty());  // refused: there is no section to count it in
  ExpectCountsMatchItems(h.model);
}

TEST(TemplateCounts, ALoadThatFailsLeavesNoCountWithoutItsItem) {
  TemplateHarness h;
  h.Load("<item cardsection='B' fieldname='iQuantity' fieldtype='4' numpoint='2x'/>"
         "<item cardsection='T' fieldname='cSOCode'/>"
         "<item cardsection='B' fieldname='iPrice' fieldtype='4'/>");
  ASSERT_FALSE(h.sink->errors.empty());  // the load is refused...
  ExpectCountsMatchItems(h.model);       // ...and leaves nothing half counted
}

}  // namespace
}  // namespace cavra
