// Printing, export and mail of the examples/ sales order through the service,
// end to end: preparation, the default print control, the default
// print-policy client (whose counts the next preparation prints) and the
// default mailer, on the embedded database.
#include <gtest/gtest.h>

#include "cavra/datasource.h"
#include "cavra/ini_file.h"
#include "cavra/rowset.h"
#include "cavra/template_file.h"
#include "cavra/voucher_service.h"
#include "fakes/fakes.h"
#include "fakes/sample_order.h"
#include "fakes/scratch.h"
#include "platform/base64.h"
#include "platform/xml.h"
#include "print/print_flow.h"

namespace cavra {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;

const std::string kExamples = std::string(CAVRA_SOURCE_DIR) + "/examples/sales_order/";

struct Events : clsVoucherServiceEvents {
  std::vector<std::string> seen;
  std::function<void()> on_print;
  void controlError(std::int32_t n, const std::string& text) override {
    seen.push_back("controlError " + std::to_string(n) + " " + text);
  }
  void PreParePrintEvnet(std::string&, std::string& data) override {
    seen.push_back("PreParePrintEvnet");
    if (on_print) on_print();
    data_seen = data;
  }
  std::string data_seen;
};

class SalesOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    auto opened = OpenSqliteDataSource(dir / "c.db", true);
    ASSERT_TRUE(opened.ok());
    db = *opened;
    auto login = std::make_shared<testing::FakeLogin>();
    db->setLogin(login);
    auto l = ReadFixedLabelFile(kExamples + "labels.xml");
    ASSERT_TRUE(l.ok());
    labels = *l;
    svc.addEventSink(events);
    svc.LoginObj(login);
    svc.SetDataSource(db);
    tpl = testing::LoadSampleOrder(*db, svc);
    ASSERT_TRUE(tpl);
  }
  std::string Prepared() {
    std::string style, data;
    labels->MoveFirst();
    svc.PreParePrint(tpl, labels, style, data);
    return data;
  }
  std::int32_t Count() {
    auto rs = db->QuerySql("select total from PrintPolicy_VCH where PolicyID = ? and vchid = ?",
                           {Variant("17_12"), Variant("SO2026120001")});
    return rs.ok() && !(*rs)->Eof() ? CLng((*rs)->Value("total")) : 0;
  }
  Variant Tpl() { return Variant(ObjectPtr(tpl)); }
  Variant Labels() {
    labels->MoveFirst();
    return Variant(ObjectPtr(labels));
  }

  ScratchDir dir;
  ScopedEnv registry{"CAVRA_REGISTRY_FILE", dir / "registry.ini"};
  ScopedEnv print_dir{"CAVRA_PRINT_DIR", dir / "print"};
  ScopedEnv outbox{"CAVRA_OUTBOX_DIR", dir / "outbox"};
  SqlDataSourcePtr db;
  RecordsetPtr tpl, labels;
  clsVoucherService svc;
  std::shared_ptr<Events> events = std::make_shared<Events>();
};

TEST_F(SalesOrder, APrintIsWrittenCountedAndTheNextPreparationPrintsTheCount) {
  EXPECT_NE(Prepared().find("demo/1/"), std::string::npos);
  EXPECT_EQ(CLng(svc.PrintVoucher(Tpl(), Labels(), false)), 0);
  EXPECT_EQ(events->seen, std::vector<std::string>{"PreParePrintEvnet"});
  EXPECT_EQ(Count(), 1);
  EXPECT_NE(Prepared().find("demo/2/"), std::string::npos);

  // The files are the documents the control was handed, in UTF-16 with a BOM.
  const std::string written = ReadFile(dir / "print" / "print-1.data.xml");
  ASSERT_GT(written.size(), 2u);
  EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_buffer(written.data(), written.size(), pugi::parse_default, pugi::encoding_utf16_le));
  EXPECT_EQ(xml::SelectNodes(doc, "//数据/任务/单据号").size(), 1u);

  // A preview writes the documents but counts nothing; StopPrintControl
  // prints without counting.
  EXPECT_EQ(CLng(svc.PrintVoucher(Tpl(), Labels(), true)), 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "print" / "preview-1.style.xml"));
  svc.StopPrintControl(true);
  EXPECT_EQ(svc.PrintVoucherEx(Tpl(), Labels(), false), 0);
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(svc.GetLastError(), "");
}

TEST_F(SalesOrder, ApprovalAndStoredPictureLabelsPrintTheAuditTextAndThePicture) {
  // Before the host fetches the history the approval label is empty.
  EXPECT_EQ(Prepared().find("李建国"), std::string::npos);
  svc.ExamineFlowAuditInfo("get");
  const std::string data = Prepared();
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_buffer(data.data(), data.size(), pugi::parse_default, pugi::encoding_utf8));
  const std::string approval = xml::SelectNodes(doc, "//数据/任务/表尾/字段[@名字='文本8']")[0].node().text().get();
  EXPECT_NE(approval.find("王晓梅"), std::string::npos) << approval;
  EXPECT_NE(approval.find("李建国"), std::string::npos) << approval;
  EXPECT_NE(approval.find("同意，优先发货"), std::string::npos) << approval;

  const auto picture = xml::SelectNodes(doc, "//数据/任务/图片[@名字='文本7']");
  ASSERT_EQ(picture.size(), 1u);
  const auto png = Base64Decode(picture[0].node().attribute("数据").value());
  ASSERT_TRUE(png.has_value());
  ASSERT_GT(png->size(), 8u);
  EXPECT_EQ(std::string(png->begin() + 1, png->begin() + 4), "PNG");
}

TEST_F(SalesOrder, MailGoesToTheAddressesOfTheHeaderFieldsNamed) {
  EXPECT_TRUE(svc.ExportToFile(Tpl(), Labels(), true, nullptr, 0));
  EXPECT_EQ(svc.GetLastError(), "");
  const std::string mail = ReadFile(dir / "outbox" / "mail-1.eml");
  EXPECT_NE(mail.find("\r\nTo: purchase@hdjm.example.com, liujg@example.com\r\n"),
            std::string::npos)
      << mail.substr(0, 400);
  EXPECT_EQ(mail.find("X-Unresolved-Recipients"), std::string::npos);

  // Export to a named file, under the code ExportToFile2 makes of "abc".
  Variant file((dir / "out.xml").string());
  EXPECT_TRUE(svc.ExportToFile2(Tpl(), Labels(), false, &file, Variant("abc")));
  EXPECT_TRUE(std::filesystem::exists(dir / "out.xml.style.xml"));
  // Export to the print folder, one voucher.
  EXPECT_TRUE(svc.ExportToFile2(Tpl(), Labels(), false, nullptr, Variant("3")));
  EXPECT_TRUE(std::filesystem::exists(dir / "print" / "export-1-type3.data.xml"));
}

TEST_F(SalesOrder, AHostControlReplacesTheDefaultAndItsCodeIsReported) {
  struct Failing : IPrintControl {
    int calls = 0;
    std::int32_t SetDataStyleXML(const std::string&, bool, const std::string&, bool,
                                 const std::string&) override {
      ++calls;
      return 42;
    }
  };
  auto control = std::make_shared<Failing>();
  svc.PrintControlObj(control);
  EXPECT_TRUE(svc.PrintVoucher(Tpl(), Labels(), false).IsEmpty());
  EXPECT_EQ(control->calls, 1);
  EXPECT_NE(svc.GetLastError().find("42"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "print"));
  EXPECT_EQ(Count(), 0);
}

TEST_F(SalesOrder, AHandlerCannotChangeTheServiceWhilePrinting) {
  events->on_print = [this] { svc.setTemplateData(tpl); };
  EXPECT_EQ(CLng(svc.PrintVoucher(Tpl(), Labels(), false)), 0);
  ASSERT_EQ(events->seen.size(), 2u);
  EXPECT_EQ(events->seen[1].rfind("controlError 10 ", 0), 0u) << events->seen[1];
  EXPECT_EQ(Count(), 1) << "the print itself goes on";
}

TEST_F(SalesOrder, AMailerThatCannotBeCreatedGivesFalseAndNoMessage) {
  ScopedComponent failing(kMailerId, []() -> ObjectPtr { throw VbError::Standard(err::kCannotCreate); });
  EXPECT_FALSE(svc.EmailFile(Variant((dir / "any.xml").string())));
  EXPECT_NE(svc.GetLastError(), "");
  EXPECT_FALSE(std::filesystem::exists(dir / "outbox"));
}

}  // namespace
}  // namespace cavra
