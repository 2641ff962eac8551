// The audit history and the pictures through the service: the sample order's
// history on the embedded database (SQLite, and PostgreSQL when CAVRA_TEST_PG
// is set), header fields of reference kind 11, and binary fields written to
// files under the error convention.
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
    svc_.setTemplateData(LoadTemplateRecordset(*db_.ds, "17", 12).value());
    auto head = db_.ds->QuerySql("select * from SO_SOMain where ID=?", {1000001}).value();
    auto body = db_.ds->QuerySql("select * from SO_SODetails where ID=? order by AutoID", {1000001}).value();
    svc_.setVoucherDataXML(RecordsetToRowset(*head), RecordsetToRowset(*body));
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
