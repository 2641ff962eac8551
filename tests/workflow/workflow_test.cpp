#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "cavra/custom_manager.h"
#include "core/trace_log.h"
#include "fakes/fakes.h"
#include "fakes/scratch.h"
#include "fakes/trace_log_on.h"
#include "template/template_fixture.h"
#include "workflow/bill_number_rule.h"
#include "workflow_fixture.h"

namespace cavra {
namespace {

using testing::Rowset;
using testing::WorkflowHarness;

const char* kItems =
    "<item fieldname='ID' cardsection='T' showit='0' canmodify='1'/>"
    "<item fieldname='cCode' cardsection='T' showit='1' canmodify='1'/>"
    "<item fieldname='cMemo' cardsection='T' showit='1' canmodify='1'/>"
    "<item fieldname='cCode' cardsection='B' showit='1' canmodify='1'/>"
    "<item fieldname='cMemo' cardsection='B' showit='1' canmodify='1'/>";

struct Rights : ::testing::Test {
  WorkflowHarness h;
  std::shared_ptr<testing::FakeGrid> grid = std::make_shared<testing::FakeGrid>();

  void Load(const std::string& auth) {
    h.ds->auth_string = auth;
    h.Load(kItems, "ReceiptNOFieldName='cCode'");
    h.ctx.SetGrid(grid);
  }
  void LoadData(VoucherStatusConstants status) {
    h.LoadData(Rowset("ID,cCode", "<z:row ID='{7}' cCode='SO-1'/>"), status);
  }
  std::string Flag(const char* field, std::int32_t section) {
    return h.model.ItemState(Variant(field), section)->AuthFlag;
  }
};

TEST_F(Rights, WorkflowStepMakesOnlyItsFieldsWritable) {
  Load("CCODE{##}T;CMEMO[####]True");
  h.ds->workflow_auth = "T;CCODE";
  LoadData(VSeEditMode);
  ASSERT_EQ(h.ds->workflow_calls.size(), 1u);
  EXPECT_EQ(h.ds->workflow_calls[0], "7|SO-1|17");  // braces removed from the key
  EXPECT_EQ(Flag("cCode", siHeader), "W");
  EXPECT_TRUE(h.model.ItemState(Variant("cCode"), siHeader)->bCanModify());
  EXPECT_EQ(Flag("cCode", sibody), "R");
  EXPECT_EQ(Flag("cMemo", siHeader), "R");
  EXPECT_FALSE(h.lines.BodyReadOnly());

  // Out of the flow again: the read-only list comes back, the hidden flag is gone.
  h.ds->workflow_auth = "NotInFlow";
  LoadData(VSeEditMode);
  EXPECT_EQ(Flag("cCode", siHeader), "R");
  EXPECT_EQ(Flag("cMemo", siHeader), "");
  EXPECT_EQ(Flag("ID", siHeader), "");
}

TEST_F(Rights, NothingWritableMakesTheBodyReadOnly) {
  Load("CCODE{##}T;CMEMO[####]True");
  h.ds->workflow_auth = "1=2";
  LoadData(VSeEditMode);
  EXPECT_EQ(Flag("cCode", siHeader), "R");
  EXPECT_EQ(Flag("cMemo", sibody), "R");
  EXPECT_EQ(Flag("ID", siHeader), "");  // hidden items keep their flag
  EXPECT_TRUE(h.lines.BodyReadOnly());
  EXPECT_TRUE(grid->read_only);

  // An add-mode load lifts the workflow rights; the list has no "{##}" now.
  h.auth.SetVoucherAuth("CCODE");
  LoadData(VSeAddMode);
  EXPECT_EQ(Flag("cCode", siHeader), "");
  EXPECT_FALSE(h.lines.BodyReadOnly());
}

TEST_F(Rights, NoWorkflowWithoutItsSwitchOrWithoutTheVoucherNumber) {
  Load("CCODE");
  h.ds->workflow_auth = "T;CCODE";
  LoadData(VSeEditMode);
  EXPECT_TRUE(h.ds->workflow_calls.empty());
  EXPECT_EQ(Flag("cCode", siHeader), "R");

  Load("X[####]True");
  h.LoadData(Rowset("ID,cCode", "<z:row ID='7'/>"), VSeEditMode);  // no receipt number
  EXPECT_TRUE(h.ds->workflow_calls.empty());
  LoadData(VSNormalMode);
  EXPECT_TRUE(h.ds->workflow_calls.empty());
}

TEST_F(Rights, SetVoucherAuthIsStoredButTheDataSourceWins) {
  EXPECT_FALSE(h.auth.SetVoucherAuth("{##}CCODE"));
  Load("CMEMO");
  EXPECT_EQ(Flag("cCode", siHeader), "");
  EXPECT_EQ(Flag("cMemo", siHeader), "R");
  // Without a data source the stored string is the one used.
  h.ctx.SetDataSource(nullptr);
  h.auth.SetVoucherAuth("{##}CCODE");
  h.Load(kItems, "ReceiptNOFieldName='cCode'");
  EXPECT_EQ(Flag("cCode", siHeader), "N");
}

TEST(CustomerInfo, RecordsAndRequests) {
  WorkflowHarness h;
  h.Load("<item fieldname='a' cardsection='T'/>");
  h.info.SaveCustomerInfo("<cols a='1'>it's</cols>");
  ASSERT_EQ(h.ds->saved_records.size(), 1u);
  EXPECT_EQ(h.ds->saved_records[0],
            "<Data fchrOperator='#cUserName#' fchrType='voucherAggregate' fchrVoucherType='SO' "
            "fchrVoucherTemplateType='12' ><cols a='1'>it's</cols></Data>");
  std::string type, id;
  EXPECT_EQ(h.info.GetCustomerInfo(type, id), Variant("<cols a='1'>it's</cols>"));
  EXPECT_EQ(type, "voucherAggregate");
  EXPECT_EQ(id, "12");
  EXPECT_EQ(h.ds->info_requests.back(),
            "<Data fchrOperator='#cUserName#' fchrType='voucherAggregate' fchrVoucherType='SO' "
            "fchrVoucherTemplateType='12' ></Data>");
  // A given kind uses the voucher type code.
  type = "PrintSetting";
  id = "99";
  EXPECT_TRUE(h.info.GetCustomerInfo(type, id).IsEmpty());
  EXPECT_NE(h.ds->info_requests.back().find("fchrVoucherType='17' fchrVoucherTemplateType='99'"), std::string::npos);

  // Data-source errors are logged, never raised.
  h.ds->customer_error = "disk full";
  h.info.SaveCustomerInfo("x");
  type.clear();
  EXPECT_TRUE(h.info.GetCustomerInfo(type, id).IsEmpty());
  EXPECT_TRUE(h.sink->errors.empty());

  h.ctx.SetDataSource(nullptr);
  type.clear();
  EXPECT_TRUE(h.info.GetCustomerInfo(type, id).IsEmpty());
}

using Formats = std::vector<std::pair<std::string, std::string>>;
using Fields = std::vector<std::string>;

std::string Part(const std::string& field, const std::string& rule, const std::string& type) {
  return "<p 源表字段名='" + field + "' 规则='" + rule + "' 对象类型='" + type + "'/>";
}
std::string Rule(const std::string& parts, const std::string& manual = "False") {
  return "<单据编号 允许手工修改='" + manual + "'>" + parts + "</单据编号>";
}

struct BillRule : ::testing::Test {
  testing::TemplateHarness h;
  BillNumberRule rule{h.model};
  BillRule() {
    h.Load("<item fieldname='cInvCode' cardsection='B'/><item fieldname='cMemo' cardsection='B'/>"
           "<item fieldname='dDate' cardsection='T'/><item fieldname='cDepCode' cardsection='T'/>"
           "<item fieldname='cMemo' cardsection='T'/>");
  }
  // Records xml; the member answers false and reports nothing, whatever the rule.
  BillNumberRuleRecord Set(const std::string& xml) {
    EXPECT_FALSE(rule.SetBillNumberRule(xml));
    EXPECT_TRUE(h.sink->errors.empty()) << h.sink->errors.front().second;
    return rule.Record();
  }
};

TEST_F(BillRule, RecordsHeaderFieldsInOrderWithRepeatsAndTheFirstDateRule) {
  const auto r = Set(Rule(Part("dDate", "YY&apos;MM&quot;;--; 年&amp;月", "2") + Part("cDepCode", "", "1") +
                          Part("dDate", "YYMM", "2") + Part("cDepCode", "x", "7")));
  EXPECT_TRUE(r.recorded);
  EXPECT_EQ(r.fields, (Fields{"dDate", "cDepCode", "dDate", "cDepCode"}));
  EXPECT_EQ(r.formats, (Formats{{"dDate", "YY'MM\";--; 年&月"}, {"cDepCode", "年月"}}));
  // No parts at all: an empty record.
  EXPECT_TRUE(Set(Rule("")).recorded);
  EXPECT_TRUE(rule.Record().fields.empty());
}

TEST_F(BillRule, SkipsPartsWithoutAHeaderField) {
  // Empty, unknown, body-only, and a name that is not the field's as written.
  const auto r = Set(Rule(Part("", "SO", "0") + Part("cNothing", "Y", "2") + Part("cInvCode", "Y", "2") +
                          Part(" dDate", "Y", "2") + Part("cmemo", "Y", "2") + Part("3", "Y", "2")));
  EXPECT_TRUE(r.recorded);
  EXPECT_EQ(r.fields, Fields{"cmemo"});  // names match in any letter case
  EXPECT_EQ(r.formats, (Formats{{"cmemo", "Y"}}));
}

TEST_F(BillRule, ObjectTypesOtherThanTwoAndSevenKeepNoRuleText) {
  const auto r = Set(Rule(Part("dDate", "a", "") + Part("dDate", "b", "x2") + Part("dDate", "c", "1.5e300") +
                          Part("dDate", "d", " 7 ") + Part("cDepCode", "e", "2.4")));
  EXPECT_EQ(r.fields.size(), 5u);
  EXPECT_EQ(r.formats, (Formats{{"dDate", "年月"}, {"cDepCode", "e"}}));
  // A part without the attributes at all reads as empty ones.
  EXPECT_EQ(Set(Rule("<p 源表字段名='dDate'/>")).formats, Formats{});
}

TEST_F(BillRule, ManualChangeAllowedKeepsThePreviousRecord) {
  Set(Rule(Part("dDate", "Y", "2")));
  for (const char* manual : {"True", " true ", "TRUE"}) {
    SCOPED_TRACE(manual);
    const auto r = Set(Rule(Part("cDepCode", "Z", "2"), manual));
    EXPECT_TRUE(r.recorded);
    EXPECT_EQ(r.fields, Fields{"dDate"});
  }
  // Anything else, a missing attribute included, records.
  for (const std::string& root : {std::string("<r 允许手工修改='yes'>"), std::string("<r>")}) {
    const auto r = Set(root + Part("cDepCode", "Z", "2") + "</r>");
    EXPECT_EQ(r.fields, Fields{"cDepCode"});
  }
}

TEST_F(BillRule, XmlThatDoesNotParseChangesNothing) {
  Set(Rule(Part("dDate", "Y", "2")));
  for (const char* bad : {"", "   ", "<r", "<r></s>", "not xml", "<?xml version='1.0'?>", "<!-- c -->"}) {
    SCOPED_TRACE(bad);
    const auto r = Set(bad);
    EXPECT_TRUE(r.recorded);
    EXPECT_EQ(r.fields, Fields{"dDate"});
  }
}

TEST_F(BillRule, AChildThatIsNotAnElementEndsTheCallOnlyBeforeTheFirstRecordedPart) {
  Set(Rule(Part("dDate", "Y", "2")));
  for (const std::string& stray : {std::string("text"), std::string("<!-- note -->"),
                                   std::string("<![CDATA[x]]>"), std::string("<?pi x?>")}) {
    SCOPED_TRACE(stray);
    // Before: the record is emptied and marked as not recorded.
    auto r = Set(Rule(Part("cNothing", "", "2") + stray + Part("dDate", "Y", "2")));
    EXPECT_FALSE(r.recorded);
    EXPECT_EQ(r.fields, Fields{});
    EXPECT_EQ(r.formats, Formats{});
    // After: that child is skipped and the loop goes on.
    r = Set(Rule(Part("dDate", "Y", "2") + stray + Part("cDepCode", "Z", "2")));
    EXPECT_TRUE(r.recorded);
    EXPECT_EQ(r.fields, (Fields{"dDate", "cDepCode"}));
  }
  // Blank text between parts (an indented rule) is no part at all.
  const auto indented = Set(Rule("\n  " + Part("cNothing", "", "0") + "\n  " + Part("dDate", "Y", "2") + "\n"));
  EXPECT_TRUE(indented.recorded);
}

TEST(BillRuleLog, ARefusedRuleLeavesALogLine) {
  testing::TraceLogOn trace;
  {
    testing::TemplateHarness h;
    h.Load("<item fieldname='dDate' cardsection='T'/>");
    BillNumberRule rule(h.model);
    EXPECT_FALSE(rule.SetBillNumberRule("<r"));
    EXPECT_FALSE(rule.SetBillNumberRule("<r>x</r>"));
  }
  const std::string log = trace.Text();
  EXPECT_NE(log.find("SetBillNumberRule -- XXXX"), std::string::npos) << log;
  EXPECT_NE(log.find("part 1 is not an element"), std::string::npos) << log;
}

using testing::MakeRecordset;
const std::vector<std::string> kColumns = {"ItemKey", "IsPrimary", "ArchivesName", "ArchivesIndex",
                                           "cTablename"};

std::string Custom(const char* section, const char* name, const std::string& rule, int selfdef = 1,
                   int source = 1) {
  return std::string("<item cardsection='") + section + "' fieldname='" + name + "' isselfdef='" +
         std::to_string(selfdef) + "' datasource='" + std::to_string(source) + "' datarule='" + rule + "'/>";
}

struct CustomManager : ::testing::Test {
  testing::TemplateHarness h;
  clsCustomManager manager;

  // Initializes the manager with rows over the loaded template's items.
  bool Init(std::vector<std::vector<Variant>> rows, const std::vector<std::string>& columns = kColumns) {
    Variant rs(MakeRecordset(columns, std::move(rows)));
    const std::shared_ptr<const ItemCollection> items(std::shared_ptr<const void>(), &h.model.Items());
    return manager.Initialize(rs, items);
  }
  // The strItemName of the record a change of field yields, or "-" for none.
  std::string BackFill(const char* field) {
    Variant found;
    if (!manager.IsNeedAutoBackFillCustom(Variant(field), found)) return "-";
    const auto record = found.As<clsCustomRecord>();
    return record ? record->strItemName : "not a record";
  }
  std::vector<std::string> Keys(const char* itemKey) {
    std::vector<std::string> keys;
    const CustomRecordPtr* record = manager.m_colRecords.Find(itemKey);
    if (!record) return {"no record"};
    for (std::int32_t k = 1; k <= (*record)->m_colCustom.Count(); ++k)
      keys.push_back((*record)->m_colCustom.KeyAt(k));
    return keys;
  }
};

TEST_F(CustomManager, EveryReferenceFieldOfAnArchiveYieldsTheRecordOfItsPrimaryField) {
  h.Load("<item cardsection='T' fieldname='ccuscode'/><item cardsection='T' fieldname='ccusabbname'/>" +
         Custom("T", "cdefine1", "customer,cCusPhone"));
  ASSERT_TRUE(Init({{"ccuscode", true, "customer", "cCusCode", "Customer_extradefine"},
                    {"ccusabbname", false, "customer", "cCusAbbName", Variant::Null()}}));
  EXPECT_EQ(BackFill("ccuscode"), "ccuscode");
  EXPECT_EQ(BackFill("ccusabbname"), "ccuscode");
  EXPECT_EQ(BackFill("CCUSABBNAME"), "ccuscode");
  EXPECT_EQ(BackFill("cdefine1"), "-");
  EXPECT_EQ(manager.GetPrimaryIndex(Variant("CUSTOMER")), "ccuscode");

  const auto& record = *manager.m_colRecords.Item("ccuscode");
  EXPECT_TRUE(record.bIsPrimary);
  EXPECT_EQ(record.strOppArchIndex, "cCusCode");
  EXPECT_EQ(record.cExtendTablename, "Customer_extradefine");
  EXPECT_EQ(CStr(record.vtAppend), "");
  ASSERT_EQ(record.m_colCustom.Count(), 1);
  EXPECT_EQ(record.m_colCustom.KeyAt(1), "Tcdefine1");
  const clsCustomItem& item = *record.m_colCustom.Item(1);
  EXPECT_EQ(item.strCustomKey, "cdefine1");
  EXPECT_EQ(item.strArchName, "customer");
  EXPECT_EQ(item.strItemName, "cCusPhone");
  EXPECT_EQ(CStr(item.reserved1), "T");
  EXPECT_TRUE(item.reserved2.IsEmpty());
}

TEST_F(CustomManager, OnlySelfDefinedItemsWithAnArchiveRuleAreAttached) {
  h.Load(Custom("T", "c1", "customer,a") + Custom("B", "c6", "customer, b ", 6) +
         Custom("T", "c2", "customer,c", 2) + Custom("T", "c0", "customer,d", 1, 0) +
         Custom("T", "cNoComma", "customer") + Custom("T", "cBlank", " customer,e") +
         Custom("T", "cOther", "vendor,f") + Custom("T", "cEmpty", ""));
  ASSERT_TRUE(Init({{"ccuscode", 1, "customer", "", ""}}));
  // In the items' order: body items come first.
  EXPECT_EQ(Keys("ccuscode"), (std::vector<std::string>{"Bc6", "Tc1"}));
  EXPECT_EQ(manager.m_colRecords.Item("ccuscode")->m_colCustom.Item("Bc6")->strItemName, "b");
  EXPECT_EQ(manager.m_colRecords.Item("ccuscode")->m_colCustom.Item("Bc6")->strArchName, "customer");
}

TEST_F(CustomManager, AnArchiveWithoutAPrimaryRowNeverBacksFill) {
  h.Load(Custom("T", "cdefine2", "vendor,cVenPhone"));
  ASSERT_TRUE(Init({{"cvencode", false, "vendor", "", ""}, {"cvenabbname", 0, "vendor", "", ""}}));
  EXPECT_EQ(BackFill("cvencode"), "-");
  EXPECT_EQ(BackFill("cvenabbname"), "-");
  EXPECT_EQ(Keys("cvencode"), std::vector<std::string>{});
}

TEST_F(CustomManager, BadRowsLoadWithDefaultsAndTheFirstOfEqualKeysStays) {
  h.Load(Custom("T", "cdefine1", "customer,cCusPhone"));
  ASSERT_TRUE(Init({{" ccuscode ", "True", " customer ", Variant::Null(), Variant::Null()},
                    {"CCUSCODE", 0, "vendor", "x", "y"},               // same key: ignored
                    {"ccusname", 1, "customer", "", ""},               // second primary: not used
                    {Variant::Null(), 1, Variant::Null(), "", ""},     // no key, no archive
                    {"cbad", "not a flag", "customer", "", ""},        // IsPrimary unreadable: False
                    {"cnull", Variant::Null(), "customer", "", ""}}));
  const auto& first = *manager.m_colRecords.Item("ccuscode");
  EXPECT_EQ(first.strItemName, "ccuscode");
  EXPECT_EQ(first.strOppArch, "customer");
  EXPECT_EQ(first.strOppArchIndex, "");
  EXPECT_EQ(manager.GetPrimaryIndex(Variant("customer")), "ccuscode");
  EXPECT_EQ(BackFill("ccusname"), "ccuscode");
  EXPECT_EQ(BackFill("cbad"), "ccuscode");
  EXPECT_FALSE(manager.m_colRecords.Item("cbad")->bIsPrimary);
  EXPECT_FALSE(manager.m_colRecords.Item("cnull")->bIsPrimary);
  EXPECT_EQ(BackFill(""), "-");
  EXPECT_EQ(manager.GetPrimaryIndex(Variant("")), "");
  Variant untouched("kept");
  EXPECT_FALSE(manager.IsNeedAutoBackFillCustom(Variant::Null(), untouched));
  EXPECT_EQ(CStr(untouched), "kept");
}

TEST_F(CustomManager, MissingColumnsReadAsEmpty) {
  h.Load(Custom("T", "cdefine1", "customer,cCusPhone"));
  ASSERT_TRUE(Init({{"ccuscode", 1, "customer"}}, {"ItemKey", "IsPrimary", "ArchivesName"}));
  EXPECT_EQ(BackFill("ccuscode"), "ccuscode");
  EXPECT_EQ(manager.m_colRecords.Item("ccuscode")->cExtendTablename, "");
}

TEST_F(CustomManager, InitializeWantsARecordsetAndItems) {
  h.Load(Custom("T", "cdefine1", "customer,cCusPhone"));
  const std::shared_ptr<const ItemCollection> items(std::shared_ptr<const void>(), &h.model.Items());
  for (Variant v : {Variant(), Variant::Null(), Variant("rows"), Variant(std::make_shared<Object>())})
    EXPECT_FALSE(manager.Initialize(v, items));
  Variant rs(MakeRecordset(kColumns, {{"ccuscode", 1, "customer", "", ""}}));
  EXPECT_FALSE(manager.Initialize(rs, nullptr));
  rs.As<Recordset>()->Close();
  EXPECT_FALSE(manager.Initialize(rs, items));
  EXPECT_TRUE(manager.m_colRecords.empty());
}

}  // namespace
}  // namespace cavra
