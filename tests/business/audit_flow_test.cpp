#include "business/audit_flow.h"

#include <gtest/gtest.h>

#include "components/defaults.h"
#include "core/resources.h"
#include "core/thread_state.h"
#include "fakes/fakes.h"
#include "fakes/hostile_values.h"

namespace cavra {
namespace {

using testing::MakeRecordset;

constexpr const char* kFlagQuery =
    "select isnull(AuditDisplayFlag,'') as AuditDisplayFlag   from vouchertemplates_base where "
    "vt_cardnumber='17' and vt_id='12'";

// Normal list newest first, alternative list oldest first, as data sources store them.
const std::string kHistory =
    "<AuditFlow><Normal>"
    "<Record action='1' taskName='部门审核' operator='李建国' auditTime='2026-12-01T15:02:45' opinion='同意备货'/>"
    "<Record action='0' taskName='制单' operator='王晓梅' auditTime='2026-12-01T09:30:12' opinion=''/>"
    "</Normal><Alternative>"
    "<Record action='0' taskName='制单' operator='王晓梅' auditTime='2026-12-01 09:30:12'/>"
    "<Record action='2' taskName='部门审核' operator='李建国' auditTime='2026-12-01 15:02:45' opinion='价格有误'/>"
    "</Alternative></AuditFlow>";

// Answers GetAuditString and records what it was asked.
class AuditSource : public testing::FakeDataSource {
 public:
  std::vector<std::string> asked;  // "keys|billNo"
  bool fail = false;
  std::string GetAuditString(const std::string& keys, const std::string& billNo, std::string&) override {
    asked.push_back(keys + "|" + billNo);
    if (fail) throw VbError(3709, "connection lost");
    return audit_xml;
  }
};

class AuditFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterResourceComponents();
    RegisterDefaultComponents();
    InitResourceService();
    saved_ = Thread().accountOptions;
    Thread().accountOptions.AuditSelectCols.clear();
    ctx_.SetDataSource(ds_);
    model_.Bill().sBillNo = "17";
    model_.Bill().nID = 12;
    model_.Bill().sPrimaryKeyValues = "1000001";
  }
  void TearDown() override { Thread().accountOptions = saved_; }

  // Reads the account options again with bDescendAuditTime set as given.
  void SetDescend(bool descend) {
    auto options = std::make_shared<testing::FakeDataSource>();
    options->OnSql("AccInformation", MakeRecordset({"cValue", "cName"},
                                                   {{descend ? "True" : "false", "bDescendAuditTime"}}));
    ctx_.SetDataSource(options);
    Thread().accountOptions.read = false;
    model_.ReadAccountOptions();
    ctx_.SetDataSource(ds_);
  }
  std::string Display(const std::string& xml, const std::string& flag) {
    return audit_.BuildAuditDisplay(xml, "", flag);
  }

  AccountOptions saved_;
  std::shared_ptr<AuditSource> ds_ = std::make_shared<AuditSource>();
  ServiceContext ctx_;
  FieldRights rights_;
  TemplateModel model_{ctx_, rights_, nullptr};
  AuditFlow audit_{ctx_, model_};
};

TEST(AuditDisplayFlagParse, SectionsMarkersAndMask) {
  struct Case {
    const char* flag;
    bool alternative;
    std::int32_t record;
    const char* show;  // task, operator, action, time, opinion
    const char* mask;
  };
  const Case cases[] = {
      {"1R#1R11111111#1R#1R#", false, 0, "01111", "11111111"},
      {"1R#2R11111111#1R#1R#1", false, 0, "11211", "11111111"},
      {"@1R#1R11111111#1R#1R#", true, 0, "01111", "11111111"},
      {"2@1R#1R11111111#1R#1R#", true, 2, "01111", "11111111"},
      {"@12@1R#1R1#1R#1R#", true, 12, "01111", "1000000"},
      {"1R#1R1", false, 0, "01100", "1000000"},
      {"1R#2R101R11#2#0#2R", false, 0, "21202", "1010000"},
      {"0@1R#1R1", true, -1, "01100", "1000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flag);
    const auto f = AuditDisplayFlag::Parse(c.flag);
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->alternative, c.alternative);
    EXPECT_EQ(f->record, c.record);
    std::string show;
    for (char s : f->show) show += s == '1' || s == '2' ? s : '0';
    EXPECT_EQ(show, c.show);
    EXPECT_EQ(f->mask, c.mask);
  }
  for (const char* bad : {"", "1R", "1R#", "1R#1#1R#1R#", "@", "2@1R"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(AuditDisplayFlag::Parse(bad).has_value());
  }
}

TEST(AuditActions, MaskPositionsAndNames) {
  const char* codes[] = {"0",  "1",  "2",  "3",  "4", "5",  "6", "7", "8",
                         "11", "12", "13", "14", "9", "10", "",  "01"};
  const std::string full = "11111111";
  for (const char* code : codes) {
    const std::string c = code;
    const bool listed = c != "4" && c != "9" && c != "10" && c != "" && c != "01";
    EXPECT_EQ(AuditFlow::IsAuditActionShown(c, full), listed) << c;
  }
  // Each position of the mask switches exactly its own code.
  const std::pair<const char*, int> positions[] = {{"1", 1}, {"2", 2}, {"6", 3}, {"7", 4},
                                                   {"0", 5}, {"5", 6}, {"3", 7}, {"8", 8}};
  for (const auto& [code, position] : positions) {
    std::string mask(8, '0');
    mask[static_cast<std::size_t>(position - 1)] = '1';
    for (const auto& [other, unused] : positions)
      EXPECT_EQ(AuditFlow::IsAuditActionShown(other, mask), std::string(other) == code)
          << mask << " " << other;
  }
  EXPECT_FALSE(AuditFlow::IsAuditActionShown("8", "1111111"));  // a 7-character mask has no position 8
  EXPECT_TRUE(AuditFlow::IsAuditActionShown("13", ""));

  RegisterResourceComponents();
  InitResourceService();
  EXPECT_EQ(AuditFlow::GetAuditActionName("4"), "打回");
  EXPECT_EQ(AuditFlow::GetAuditActionName("1"), GetResString("Ordra.AA.ARCHIVE.COMMON.agree"));
  EXPECT_FALSE(AuditFlow::GetAuditActionName("8").empty());
  EXPECT_EQ(AuditFlow::GetAuditActionName("11"), "");
  EXPECT_EQ(AuditFlow::GetAuditActionName("99"), "");
}

TEST_F(AuditFlowTest, DefaultFlagListsOldestFirstWithCaptionsAndNoTaskColumn) {
  const std::string text = Display(kHistory, "1R#1R11111111#1R#1R#");
  EXPECT_EQ(text,
            " 审批人：王晓梅 审批结果：提交 审批时间：2026-12-01 09:30:12 审批意见：\r\n"
            " 审批人：李建国 审批结果：同意 审批时间：2026-12-01 15:02:45 审批意见：同意备货\r\n");
  SetDescend(true);
  EXPECT_EQ(Display(kHistory, "1R#1R11111111#1R#1R#"),
            " 审批人：李建国 审批结果：同意 审批时间：2026-12-01 15:02:45 审批意见：同意备货\r\n"
            " 审批人：王晓梅 审批结果：提交 审批时间：2026-12-01 09:30:12 审批意见：\r\n");
  SetDescend(false);
}

TEST_F(AuditFlowTest, TaskColumnAndValueOnlyResult) {
  EXPECT_EQ(Display(kHistory, "1R#2R11111111#1R#1R#1"),
            "环节名称：制单   审批人：王晓梅 提交 审批时间：2026-12-01 09:30:12 审批意见：\r\n"
            "环节名称：部门审核 审批人：李建国 同意 审批时间：2026-12-01 15:02:45 审批意见：同意备货\r\n");
}

TEST_F(AuditFlowTest, WidthsCountCharactersNotBytes) {
  const std::string xml =
      "<a><l><r action='1' operator='欧阳慕容建国'/><r action='1' operator='上海分公司采购部张'/></l></a>";
  EXPECT_EQ(Display(xml, "2R#2R1111111#0#0#"),
            " 上海分公司采购部张 同意  \r\n"
            " 欧阳慕容建国    同意  \r\n");
}

TEST_F(AuditFlowTest, AlternativeListOrderAndRecordNumber) {
  const std::string flag = "2R#2R11111111#0#0#";
  EXPECT_EQ(Display(kHistory, "@" + flag), " 王晓梅 提交   \r\n 李建国 不同意  \r\n");
  SetDescend(true);
  EXPECT_EQ(Display(kHistory, "@" + flag), " 李建国 不同意  \r\n 王晓梅 提交   \r\n");
  SetDescend(false);
  EXPECT_EQ(Display(kHistory, "2@" + flag), " 李建国 不同意  \r\n");
  EXPECT_EQ(Display(kHistory, "@1@" + flag), " 王晓梅 提交  \r\n");
  EXPECT_EQ(Display(kHistory, "2@2R#2R10111111#0#0#"), "");  // disagree masked out
  EXPECT_EQ(Display(kHistory, "3@" + flag), "");              // no third record
  EXPECT_EQ(Display(kHistory, "0@" + flag), "");
}

TEST_F(AuditFlowTest, MaskOfOneListsAgreeAndTheAlwaysListedCodes) {
  std::string xml = "<a><l>";
  for (const char* code : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "11", "12", "13", "14", "15"})
    xml += std::string("<r action='") + code + "' operator='u" + code + "'/>";
  xml += "</l></a>";
  EXPECT_EQ(Display(xml, "2R#1R1#0#0#"),
            " u14 审批结果：    \r\n u13 审批结果：    \r\n u12 审批结果：    \r\n u11 审批结果：    \r\n"
            " u1  审批结果：同意  \r\n");
}

TEST_F(AuditFlowTest, TimesAreFormattedOnlyWhenTheyAreDates) {
  const std::string xml =
      "<a><l><r action='1' auditTime='2026-12-1 9:05'/><r action='1' auditTime='昨天下午'/></l></a>";
  EXPECT_EQ(Display(xml, "0#0R1#0#2"), "   昨天下午" + std::string(16, ' ') + "\r\n   2026-12-01 09:05:00 \r\n");
}

TEST_F(AuditFlowTest, BrokenInputGivesAnEmptyText) {
  for (const char* xml : {"<a><l><r action='1'", "not xml", "<a/>", "<a><l/></a>"}) {
    SCOPED_TRACE(xml);
    EXPECT_EQ(Display(xml, "1R#1R1111111#1R#1R#"), "");
  }
  EXPECT_EQ(Display("<a><l><r action='1'/></l></a>", "@1R#1R1"), "");  // no alternative list
  EXPECT_EQ(Display(kHistory, "1R#1#1R#1R#"), "");                     // S1 without R
  EXPECT_EQ(Display(kHistory, "1R"), "");                              // one section
  EXPECT_EQ(Display("", ""), "");
  EXPECT_TRUE(ds_->queries.empty());  // an empty history asks nothing
}

TEST_F(AuditFlowTest, FlagComesFromTheTemplateThenTheAccountThenTheDefault) {
  auto answer = [&](std::vector<std::vector<Variant>> rows) {
    ds_->sql_handlers.clear();
    ds_->sql_handlers.emplace_back("vouchertemplates_base", [rows](const std::string&) {
      return MakeRecordset({"AuditDisplayFlag"}, rows);
    });
    ds_->queries.clear();
  };
  answer({{"2R#2R1#0#0#"}});
  EXPECT_EQ(Display(kHistory, ""), " 李建国 同意  \r\n");
  EXPECT_EQ(ds_->queries, std::vector<std::string>{kFlagQuery});

  // The template's row holds no flag (or Null): the account's applies.
  Thread().accountOptions.AuditSelectCols = "2R#2R00001#0#0#";
  for (const Variant& none : {Variant(""), Variant::Null()}) {
    answer({{none}});
    EXPECT_EQ(Display(kHistory, ""), " 王晓梅 提交  \r\n");
  }
  // No recordset and no account flag: the default one.
  answer({});
  ds_->fail_query_number = 1;
  Thread().accountOptions.AuditSelectCols.clear();
  EXPECT_EQ(Display(kHistory, ""),
            " 审批人：王晓梅 审批结果：提交 审批时间：2026-12-01 09:30:12 审批意见：\r\n"
            " 审批人：李建国 审批结果：同意 审批时间：2026-12-01 15:02:45 审批意见：同意备货\r\n");
  EXPECT_EQ(ds_->queries.size(), 1u);

  // A template without a flag row gives nothing at all.
  ds_->fail_query_number = 0;
  answer({});
  EXPECT_EQ(audit_.BuildAuditDisplay(kHistory, "99", ""), "");
  EXPECT_EQ(ds_->queries,
            std::vector<std::string>{"select isnull(AuditDisplayFlag,'') as AuditDisplayFlag   from "
                                     "vouchertemplates_base where vt_cardnumber='17' and vt_id='99'"});
}

TEST_F(AuditFlowTest, HostileIdentifiersStayInsideTheirLiterals) {
  for (const auto& [name, value] : testing::HostileValues()) {
    SCOPED_TRACE(name);
    ds_->queries.clear();
    model_.Bill().sBillNo = value;
    EXPECT_EQ(audit_.BuildAuditDisplay(kHistory, value, ""), Display(kHistory, "1R#1R11111111#1R#1R#"));
    ASSERT_EQ(ds_->queries.size(), 1u);
    const std::string doubled = testing::Doubled(value);
    EXPECT_EQ(ds_->queries[0],
              "select isnull(AuditDisplayFlag,'') as AuditDisplayFlag   from vouchertemplates_base where "
              "vt_cardnumber='" + doubled + "' and vt_id='" + doubled + "'");
  }
  ds_->queries.clear();
  model_.Bill().sBillNo = testing::ValueWithNul();
  EXPECT_EQ(Display(kHistory, ""), "");
  EXPECT_TRUE(ds_->queries.empty());
}

TEST_F(AuditFlowTest, ExamineFlowAuditInfoFetchesAndNeverRaises) {
  auto sink = std::make_shared<testing::RecordingSink>();
  ctx_.AddSink(sink);
  ds_->audit_xml = kHistory;
  ds_->sql_handlers.emplace_back(kFlagQuery, [](const std::string&) {
    return MakeRecordset({"AuditDisplayFlag"}, {{"2R#2R1#0#0#"}});
  });

  audit_.SetExamineFlowAuditInfo("GeT");
  EXPECT_EQ(audit_.AuditInfo(), kHistory);
  audit_.SetExamineFlowAuditInfo("x,01,1001");
  EXPECT_EQ(ds_->asked, (std::vector<std::string>{"1000001|17", "1001|01"}));
  EXPECT_EQ(audit_.ExamineFlowAuditInfo(), " 李建国 同意  \r\n");
  EXPECT_EQ(ds_->queries.size(), 1u);
  EXPECT_EQ(audit_.ExamineFlowAuditInfo(), " 李建国 同意  \r\n");
  EXPECT_EQ(ds_->queries.size(), 2u);  // the flag is read on every get

  audit_.SetExamineFlowAuditInfo("x,01");  // too few items
  EXPECT_EQ(audit_.AuditInfo(), "");
  audit_.SetExamineFlowAuditInfo("get");
  audit_.SetExamineFlowAuditInfo("   ");
  EXPECT_EQ(audit_.AuditInfo(), "");
  EXPECT_EQ(ds_->asked.size(), 3u);

  ds_->fail = true;
  audit_.SetExamineFlowAuditInfo("get");
  EXPECT_EQ(audit_.AuditInfo(), "");
  ctx_.SetDataSource(nullptr);
  audit_.SetExamineFlowAuditInfo("get");
  EXPECT_EQ(audit_.AuditInfo(), "");
  EXPECT_EQ(audit_.ExamineFlowAuditInfo(), "");
  EXPECT_TRUE(sink->errors.empty());
}

}  // namespace
}  // namespace cavra
