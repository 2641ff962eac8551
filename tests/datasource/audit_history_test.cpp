// The audit history and the pictures of the embedded database: GetAuditString
// builds its XML from VoucherAuditFlow rows, and the examples' sales order
// carries a two-step history and a product picture. SQLite, and PostgreSQL
// when CAVRA_TEST_PG is set.
#include <gtest/gtest.h>

#include "datasource/data_source.h"
#include "datasource/embedded.h"
#include "fakes/result_assertions.h"
#include "fakes/scratch_database.h"
#include "platform/xml.h"

namespace cavra {
namespace {

class AuditHistoryTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!db_.ds) GTEST_SKIP() << "CAVRA_TEST_PG is not set";
  }
  // Each record of list as "action|taskName|operator|auditTime|opinion".
  static std::vector<std::string> Records(const pugi::xml_node& list) {
    std::vector<std::string> out;
    for (pugi::xml_node r : list.children()) {
      std::string line;
      for (const char* a : {"action", "taskName", "operator", "auditTime", "opinion"})
        line += (line.empty() ? "" : "|") + std::string(r.attribute(a).value());
      out.push_back(line);
      EXPECT_EQ(std::string(r.name()), "Record");
    }
    return out;
  }
  RecordsetPtr Query(const std::string& sql) {
    std::string err;
    RecordsetPtr rs = db_.ds->GetRsBySql(sql, err);
    EXPECT_EQ(err, "") << sql;
    return rs;
  }

  testing::ScratchDatabase db_{GetParam(), "", datasource::EmbeddedExamples()};
};

TEST_P(AuditHistoryTest, TheSampleOrderHasATwoStepHistory) {
  std::string err;
  const std::string text = db_.ds->GetAuditString("1000001", "17", err);
  EXPECT_EQ(err, "");
  pugi::xml_document doc;
  ASSERT_TRUE(xml::Load(doc, text)) << text;
  const pugi::xml_node root = doc.document_element();
  EXPECT_EQ(std::string(root.name()), "AuditFlow");
  EXPECT_EQ(std::string(root.attribute("cardnumber").value()), "17");
  EXPECT_EQ(std::string(root.attribute("vchid").value()), "1000001");
  const std::string submit = "0|制单|王晓梅|2026-12-01T09:35:20|年末备货，请审批";
  const std::string agree = "1|销售经理审批|李建国|2026-12-01T15:02:45|同意，优先发货";
  EXPECT_EQ(Records(root.first_child()), (std::vector<std::string>{agree, submit}));
  EXPECT_EQ(std::string(root.first_child().name()), "History");
  EXPECT_EQ(Records(root.last_child()), (std::vector<std::string>{submit, agree}));
  EXPECT_EQ(std::string(root.last_child().name()), "CurrentRound");

  EXPECT_EQ(db_.ds->GetAuditString("1000001", "18", err), "");  // another voucher type
  EXPECT_EQ(db_.ds->GetAuditString("1000002", "17", err), "");
  EXPECT_EQ(err, "");

  // The sample template's display flag, read the way the service asks for it.
  auto flag = Query(
      "select isnull(AuditDisplayFlag,'') as AuditDisplayFlag   from vouchertemplates_base where "
      "vt_cardnumber='17' and vt_id='12'");
  ASSERT_TRUE(flag && !flag->Eof());
  EXPECT_EQ(flag->Value("AuditDisplayFlag"), Variant("1R#1R11111111#1R#1R#1R#"));
}

TEST_P(AuditHistoryTest, TheCurrentRoundStartsAtTheLastSubmission) {
  ASSERT_OK(db_.ds->ExecuteSql(
      "insert into VoucherAuditFlow (cardnumber, vchid, iSeq, cTaskName, cOperator, cAction, dAuditTime, "
      "cOpinion) values ('SO', 'k&<\"1', 3, 'T', 'c', '8', '2026-01-03 08:00:00', null), "
      "('SO', 'k&<\"1', 1, 'T', 'a', '0', '2026-01-01 08:00:00', 'x & <y>'), "
      "('SO', 'k&<\"1', 2, null, 'b', '2', null, ''), "
      "('SO', 'k&<\"1', 4, 'T', 'd', '1', '2026-01-04 08:00:00', 'ok')",
      {}));
  std::string err;
  pugi::xml_document doc;
  ASSERT_TRUE(xml::Load(doc, db_.ds->GetAuditString("k&<\"1", "SO", err)));
  const pugi::xml_node root = doc.document_element();
  EXPECT_EQ(Records(root.child("History")),
            (std::vector<std::string>{"1|T|d|2026-01-04T08:00:00|ok", "8|T|c|2026-01-03T08:00:00|",
                                      "2||b||", "0|T|a|2026-01-01T08:00:00|x & <y>"}));
  EXPECT_EQ(Records(root.child("CurrentRound")),
            (std::vector<std::string>{"8|T|c|2026-01-03T08:00:00|", "1|T|d|2026-01-04T08:00:00|ok"}));

  // Without a submission every action belongs to the round.
  ASSERT_OK(db_.ds->ExecuteSql(
      "insert into VoucherAuditFlow (cardnumber, vchid, iSeq, cOperator, cAction) values "
      "('SO', '2', 1, 'a', '1'), ('SO', '2', 2, 'b', '2')",
      {}));
  ASSERT_TRUE(xml::Load(doc, db_.ds->GetAuditString("2", "SO", err)));
  EXPECT_EQ(Records(doc.document_element().child("CurrentRound")),
            (std::vector<std::string>{"1||a||", "2||b||"}));
  EXPECT_EQ(err, "");
}

TEST_P(AuditHistoryTest, TheSampleProductAndLogoPicturesArePngFiles) {
  auto rs = Query(
      "select p.Picture from inventory i join AA_Picture p on p.cGUID = i.PictureGUID "
      "where i.cInvCode = 'A-1001'");
  ASSERT_TRUE(rs && !rs->Eof());
  auto logo = Query("Select * From AA_Picture where cGUID='F32234FC-43DD-4705-9F22-2B0141F909F5'");
  ASSERT_TRUE(logo && !logo->Eof());
  for (const Variant& v : {rs->Value("Picture"), logo->Value("Picture")}) {
    ASSERT_EQ(v.type(), VarType::Bytes);
    const Bytes& b = v.AsBytes();
    const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GT(b.size(), 33u);
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), b.begin()));
    EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), "IHDR");
    EXPECT_EQ(std::string(b.end() - 8, b.end() - 4), "IEND");
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, AuditHistoryTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& p) { return p.param; });

}  // namespace
}  // namespace cavra
