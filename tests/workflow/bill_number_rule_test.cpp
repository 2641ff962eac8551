#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/trace_log.h"
#include "fakes/scratch.h"
#include "template/template_fixture.h"
#include "workflow/bill_number_rule.h"

namespace cavra {
namespace {

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
  testing::ScratchDir dir;
  testing::ScopedEnv component("CAVRA_COMPONENT_DIR", dir.path);
  testing::WriteFile(dir / "Ordra_Platform_Voucher.ini", "");
  {
    RefreshTraceLogSwitch();
    testing::TemplateHarness h;
    h.Load("<item fieldname='dDate' cardsection='T'/>");
    BillNumberRule rule(h.model);
    EXPECT_FALSE(rule.SetBillNumberRule("<r"));
    EXPECT_FALSE(rule.SetBillNumberRule("<r>x</r>"));
  }
  Thread().traceLog = false;
  const std::string log = testing::ReadFile(dir / "Ordra_Platform_Voucher.log");
  EXPECT_NE(log.find("SetBillNumberRule -- XXXX"), std::string::npos) << log;
  EXPECT_NE(log.find("part 1 is not an element"), std::string::npos) << log;
}

}  // namespace
}  // namespace cavra
