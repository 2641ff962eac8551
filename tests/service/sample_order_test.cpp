// The sample order through the service on the embedded database (SQLite, and
// PostgreSQL when CAVRA_TEST_PG is set): its audit history, logo, IM contacts
// and summary; then header fields of reference kind 11, and binary fields
// written to files under the error convention.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "business/pictures.h"
#include "cavra/datasource.h"
#include "cavra/rowset.h"
#include "datasource/data_source.h"
#include "datasource/embedded.h"
#include "fakes/scratch.h"
#include "platform/base64.h"
#include "fakes/hostile_values.h"
#include "fakes/sample_order.h"
#include "fakes/scratch_database.h"
#include "service_fixture.h"

namespace cavra {
namespace {

using testing::MakeRecordset;
using testing::Rowset;

class SampleOrderTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!db_.ds) GTEST_SKIP() << "CAVRA_TEST_PG is not set";
    recording_ = std::make_shared<testing::RecordingDataSource>(db_.ds);
    svc_.addEventSink(sink_);
    svc_.SetDataSource(recording_);
    ASSERT_TRUE(testing::LoadSampleOrder(*db_.ds, svc_));
  }
  // Changes header fields of the loaded voucher.
  void SetHeader(const std::vector<std::pair<const char*, std::string>>& values) {
    DomPtr head, body;
    svc_.getVoucherDataXML(head, body);
    pugi::xml_node row = head->document_element().child("rs:data").child("z:row");
    for (const auto& [field, value] : values) row.attribute(field) = value.c_str();
    ASSERT_TRUE(svc_.setVoucherDataXML(head, body));
  }

  testing::ScratchDatabase db_{GetParam(), "", datasource::EmbeddedExamples()};
  std::shared_ptr<testing::RecordingDataSource> recording_;
  std::shared_ptr<testing::RecordingSink> sink_ = std::make_shared<testing::RecordingSink>();
  clsVoucherService svc_;
};

TEST_P(SampleOrderTest, AuditHistoryShowsBothStepsOldestFirst) {
  const std::string expected =
      "环节名称：制单     审批人：王晓梅 审批结果：提交 审批时间：2026-12-01 09:35:20 "
      "审批意见：年末备货，请审批\r\n"
      "环节名称：销售经理审批 审批人：李建国 审批结果：同意 审批时间：2026-12-01 15:02:45 "
      "审批意见：同意，优先发货\r\n";
  EXPECT_EQ(svc_.ExamineFlowAuditInfo(), "");  // nothing fetched yet
  svc_.ExamineFlowAuditInfo("get");
  EXPECT_EQ(svc_.ExamineFlowAuditInfo(), expected);
  EXPECT_NE(std::find(recording_->queries.begin(), recording_->queries.end(),
                      "select isnull(AuditDisplayFlag,'') as AuditDisplayFlag   from vouchertemplates_base "
                      "where vt_cardnumber='17' and vt_id='12'"),
            recording_->queries.end());

  svc_.ExamineFlowAuditInfo("");
  EXPECT_EQ(svc_.ExamineFlowAuditInfo(), "");
  svc_.ExamineFlowAuditInfo("x,17,1000001");
  EXPECT_EQ(svc_.ExamineFlowAuditInfo(), expected);
  svc_.ExamineFlowAuditInfo("x,17,999");
  EXPECT_EQ(svc_.ExamineFlowAuditInfo(), "");
  EXPECT_TRUE(sink_->errors.empty());
}

TEST_P(SampleOrderTest, TheLogoIsEncodedForPrinting) {
  ServiceContext ctx;
  ctx.SetDataSource(db_.ds);
  Pictures pictures(ctx);
  std::vector<std::string> parts;
  const std::string text = pictures.PictureText("[%0,GUID%]", &parts);
  auto rs = db_.ds->QuerySql("select Picture from AA_Picture where cGUID=?", {Variant(parts.at(1))}).value();
  ASSERT_FALSE(rs->Eof());
  EXPECT_EQ(parts.at(0), "0");
  EXPECT_EQ(text, Base64Encode(rs->Value("Picture").AsBytes()));
  EXPECT_EQ(text.substr(0, 8), "iVBORw0K");  // Base64 of the PNG signature
}

// GetAllIMUsers and GetVoucherSummaryInfo: the joint queries, conditions and
// lookups run as the service writes them, through the dialect translation.
constexpr const char* kSampleContacts =
    "<ToUsers><UserID Description='客户编码'>u03</UserID><UserID Description='业务员'>u02</UserID></ToUsers>";

TEST_P(SampleOrderTest, TheSampleOrderGivesItsContactsAndSummary) {
  EXPECT_EQ(svc_.GetAllIMUsers(), kSampleContacts);
  EXPECT_EQ(svc_.GetVoucherSummaryInfo(),
            "<Summary><Field Name='cSOCode' DisplayName='订单号' Value='SO2026120001' />"
            "<Field Name='dDate' DisplayName='订单日期' Value='2026-12-01' />"
            "<Field Name='cBusType' DisplayName='业务类型' Value='01' />"
            "<Field Name='cCusCode' DisplayName='客户编码' Value='C001' />"
            "<Field Name='cCusName' DisplayName='客户名称' Value='华东精密仪器有限公司' /></Summary>");
  EXPECT_TRUE(sink_->errors.empty()) << sink_->errors.front().second;

  // Another business type: the person field's other joint query holds, and
  // the order's department head is addressed instead of the salesman.
  SetHeader({{"cBusType", "02"}});
  EXPECT_EQ(svc_.GetAllIMUsers(),
            "<ToUsers><UserID Description='客户编码'>u03</UserID><UserID Description='销售部门'>u04</UserID>"
            "</ToUsers>");
  bool condition_sent = false;
  for (const auto& q : recording_->queries)
    condition_sent = condition_sent || q == " if (   N'委托代销' = N'普通销售' ) select 1 else select 0";
  EXPECT_TRUE(condition_sent);

  // A customer without a contact person, and one the database does not know.
  SetHeader({{"cBusType", "01"}, {"cCusCode", "C002"}});
  EXPECT_EQ(svc_.GetAllIMUsers(), "<ToUsers><UserID Description='业务员'>u02</UserID></ToUsers>");
  SetHeader({{"cCusCode", "C999"}});
  EXPECT_EQ(svc_.GetAllIMUsers(), "<ToUsers><UserID Description='业务员'>u02</UserID></ToUsers>");
}

TEST_P(SampleOrderTest, HostileHeaderValuesAreComparedAsTheyStand) {
  int n = 0;
  for (const auto& [name, value] : testing::HostileValues()) {
    SCOPED_TRACE(name);
    // A customer whose code is the value, and a department of that code.
    const std::string department = "D" + std::to_string(++n);
    ASSERT_TRUE(db_.ds->ExecuteSql("insert into Customer (cCusCode, cCusName, cCusPerson) values (?, ?, ?)",
                                   {Variant(value), Variant("x"), Variant("刘建国")})
                    .ok());
    ASSERT_TRUE(db_.ds->ExecuteSql("insert into Department (cDepCode, cDepName, cDepPerson) values (?, ?, ?)",
                                   {Variant(value), Variant(department), Variant("HR007")})
                    .ok());
    ASSERT_TRUE(db_.ds->ExecuteSql("insert into UA_User (cUser_Id) values (?)", {Variant(department)}).ok());
    ASSERT_TRUE(db_.ds->ExecuteSql("delete from UserHRPersonContro where cPsn_Num = 'HR007'", {}).ok());
    ASSERT_TRUE(db_.ds->ExecuteSql("insert into UserHRPersonContro (cUser_Id, cPsn_Num) values (?, 'HR007')",
                                   {Variant(department)})
                    .ok());
    // The value is the business type too: no enumeration name, so the
    // condition sends the person field to the department of that code.
    SetHeader({{"cCusCode", value}, {"cBusType", value}, {"cDepCode", value}});
    EXPECT_EQ(svc_.GetAllIMUsers(), "<ToUsers><UserID Description='客户编码'>u02</UserID><UserID "
                                    "Description='销售部门'>" +
                                        department + "</UserID></ToUsers>");
  }
  // A value that would widen the comparison if it ended the literal.
  SetHeader({{"cCusCode", "nobody' or 'a'='a"}, {"cBusType", "01"}});
  EXPECT_EQ(svc_.GetAllIMUsers(), "<ToUsers><UserID Description='业务员'>u02</UserID></ToUsers>");
}

INSTANTIATE_TEST_SUITE_P(Backends, SampleOrderTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& p) { return p.param; });

Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PictureField, AHeaderPictureBecomesTheOneFileOfThatPicture) {
  testing::ScratchDir tmp;
  testing::ScopedEnv env("TMPDIR", tmp.path);
  testing::ServiceHarness h;
  h.LoadTemplate(
      "<item fieldname='cPic' cardsection='T' showit='1' refertype='11'/>"
      "<item fieldname='cName' cardsection='T' showit='1'/>");
  h.svc.setVoucherDataXML(Rowset("cPic,cName", "<z:row cPic='P-1' cName='P-1'/>"), Rowset("x", ""));
  const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 7};
  h.ds->sql_handlers.emplace_back("Select * From AA_Picture where cGUID='P-1'", [&](const std::string&) {
    return MakeRecordset({"cGUID", "Picture"}, {{"P-1", Variant(png)}});
  });

  const std::string path = CStr(h.svc.headerDisplayText("cPic"));
  EXPECT_EQ(std::filesystem::path(path), tmp.path / "cavra-pictures" / "P-1.png");
  EXPECT_EQ(ReadBytes(path), png);
  EXPECT_EQ(CStr(h.svc.headerDisplayText("cPic")), path);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path / "cavra-pictures"),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_EQ(CStr(h.svc.headerDisplayText("cName")), "P-1");  // other kinds keep the value
  EXPECT_EQ(CStr(h.svc.headerText("cPic")), "P-1");

  // A picture without a row shows nothing.
  h.ds->sql_handlers.clear();
  EXPECT_EQ(CStr(h.svc.headerDisplayText("cPic")), "");
  EXPECT_TRUE(h.sink->errors.empty());
}

TEST(BinaryFields, FailuresReachTheHostThroughTheErrorConvention) {
  testing::ScratchDir dir;
  testing::ServiceHarness h;
  auto rs = MakeRecordset({"Picture"}, {{Variant::Null()}, {Variant(Bytes{1, 2, 3})}});
  h.svc.BlobToFile(rs->Fields("Picture"), (dir.path / "null.bin").string());
  ASSERT_EQ(h.sink->errors.size(), 1u);
  EXPECT_EQ(h.sink->errors[0].first, 94);
  EXPECT_EQ(h.svc.GetLastError(), h.sink->errors[0].second);

  rs->MoveNext();
  h.svc.BlobToFile(rs->Fields("Picture"), (dir.path / "ok.bin").string());
  EXPECT_EQ(ReadBytes(dir.path / "ok.bin"), (Bytes{1, 2, 3}));
  std::ostringstream out;
  h.svc.WriteFromBinary(out, rs->Fields("Picture"), 20000);  // three bytes were all there was
  ASSERT_EQ(h.sink->errors.size(), 2u);
  EXPECT_EQ(h.sink->errors[1].first, 94);
}

}  // namespace
}  // namespace cavra
