// GetAllIMUsers and GetVoucherSummaryInfo of the sample sales order on a
// database seeded like the embedded one: SQLite, and PostgreSQL when
// CAVRA_TEST_PG is set. The joint queries, conditions and lookups run as the
// service writes them, through the dialect translation.
#include <gtest/gtest.h>

#include "cavra/datasource.h"
#include "cavra/rowset.h"
#include "cavra/voucher_service.h"
#include "datasource/data_source.h"
#include "datasource/embedded.h"
#include "fakes/fakes.h"
#include "fakes/hostile_values.h"
#include "fakes/scratch_database.h"

namespace cavra {
namespace {

constexpr const char* kSampleContacts =
    "<ToUsers><UserID Description='客户编码'>u03</UserID><UserID Description='业务员'>u02</UserID></ToUsers>";

class IMContactsDbTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!db_.ds) GTEST_SKIP() << "CAVRA_TEST_PG is not set";
    recording_ = std::make_shared<testing::RecordingDataSource>(db_.ds);
    svc_.addEventSink(sink_);
    svc_.SetDataSource(recording_);
    Result<RecordsetPtr> tpl = LoadTemplateRecordset(*db_.ds, "17", 12);
    ASSERT_TRUE(tpl.ok()) << tpl.error().description();
    svc_.setTemplateData(*tpl);
    auto head = db_.ds->QuerySql("select * from SO_SOMain where ID=?", {Variant(1000001)});
    auto body = db_.ds->QuerySql("select * from SO_SODetails where ID=? order by AutoID", {Variant(1000001)});
    ASSERT_TRUE(head.ok() && body.ok());
    ASSERT_TRUE(svc_.setVoucherDataXML(RecordsetToRowset(**head), RecordsetToRowset(**body)));
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
  clsVoucherService svc_;
  std::shared_ptr<testing::RecordingSink> sink_ = std::make_shared<testing::RecordingSink>();
};

TEST_P(IMContactsDbTest, TheSampleOrderGivesItsContactsAndSummary) {
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

TEST_P(IMContactsDbTest, HostileHeaderValuesAreComparedAsTheyStand) {
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

INSTANTIATE_TEST_SUITE_P(Backends, IMContactsDbTest, ::testing::Values("sqlite", "postgresql"));

}  // namespace
}  // namespace cavra
