// The flow after preparation, driven with hand-written documents and doubles
// of the print control, the print-policy client and the mailer that record
// what they are called with and in which order.
#include "print/print_flow.h"

#include <gtest/gtest.h>

#include "cavra/ini_file.h"
#include "core/resources.h"
#include "core/service_context.h"
#include "core/thread_state.h"
#include "core/trace_log.h"
#include "fakes/fakes.h"
#include "fakes/scratch.h"
#include "fakes/scratch_database.h"

namespace cavra {
namespace {

using testing::FakeDataSource;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteFile;

struct RecordingControl : IPrintControl {
  std::vector<std::string> calls;
  std::int32_t set_result = 0;
  Variant print_result = Variant(std::int32_t{0});
  std::string attached_name;  // what ExportToAttached hands back
  bool attached_throws = false;
  std::string data, style, field_names;
  ObjectPtr client;

  std::int32_t SetDataStyleXML(const std::string& sData, bool, const std::string& sStyle, bool,
                               const std::string& printer) override {
    data = sData;
    style = sStyle;
    calls.push_back("SetDataStyleXML(" + printer + ")");
    return set_result;
  }
  Variant PrintPreview() override {
    calls.push_back("PrintPreview");
    return print_result;
  }
  Variant PrintEx(bool show) override {
    calls.push_back(std::string("PrintEx(") + (show ? "true" : "false") + ")");
    return print_result;
  }
  void EnableExport(bool on) override {
    calls.push_back(std::string("EnableExport(") + (on ? "1" : "0") + ")");
  }
  void SetOB(const ObjectPtr& c) override {
    client = c;
    calls.push_back("SetOB");
  }
  using IPrintControl::sFileType;
  void sFileType(std::int16_t t) override { calls.push_back("sFileType(" + std::to_string(t) + ")"); }
  Variant ExportToFileEx(std::int32_t mode, std::string& types, std::string& sizes, const std::string& names,
                         const std::string&) override {
    field_names = names;
    calls.push_back("ExportToFileEx(" + std::to_string(mode) + "|" + types + "|" + sizes + "|" + names + ")");
    return Variant(true);
  }
  Variant ExportToAttached(std::int32_t, std::int32_t, std::string& types, std::string&, std::string& names,
                           const std::string&, Variant& file) override {
    calls.push_back("ExportToAttached(" + types + "|" + names + "|" + CStr(file) + ")");
    registry_seen = classIniFile().RegRead(kLoginKey, "VoucherEmailFileType");
    if (attached_throws) throw VbError(err::kPathFileAccess, "disk full");
    file = Variant(attached_name);
    return Variant(true);
  }
  std::string registry_seen;
};

struct RecordingPolicy : IPrintPolicy {
  std::vector<std::string>* log;
  explicit RecordingPolicy(std::vector<std::string>* l) : log(l) {}
  void DataSource(DataSourcePtr s) override { log->push_back(s ? "DataSource" : "DataSource(null)"); }
  void langID(const std::string& id) override { log->push_back("langID(" + id + ")"); }
  void policyid(const std::string& id) override { log->push_back("policyid(" + id + ")"); }
  void AddSVID(const std::string& text) override { log->push_back("AddSVID(" + text + ")"); }
};

struct RecordingMailer : IVoucherMailer {
  std::vector<std::string>* log;
  explicit RecordingMailer(std::vector<std::string>* l) : log(l) {}
  void Show(LoginPtr& login, const std::string& dest, const std::string& file, const std::string& title,
            const std::string& receipt) override {
    log->push_back(std::string(login ? "login" : "no login") + "|" + dest + "|" + file + "|" + title + "|" +
                   receipt);
  }
};

struct EventSink : clsVoucherServiceEvents {
  std::vector<std::string> events;
  std::string append;  // added to the data text by the handler
  void PreParePrintEvnet(std::string& style, std::string& data) override {
    events.push_back("PreParePrintEvnet");
    data += append;
    (void)style;
  }
  void PreParePrintEvnetWeb(Variant& style, Variant& data) override {
    events.push_back("PreParePrintEvnetWeb");
    data = Variant(CStr(data) + append);
    (void)style;
  }
};

const std::string kStyle = "<?xml version='1.0' encoding='utf-16' ?><样式/>";
std::string DataWith(int vouchers) {
  std::string d = "<?xml version='1.0' encoding='utf-16' ?>\r\n<数据>\r\n";
  for (int i = 1; i <= vouchers; ++i)
    d += "<任务>\r\n<单据号>SO-" + std::to_string(i) + "{##}100" + std::to_string(i) +
         "</单据号>\r\n</任务>\r\n";
  return d + "</数据>";
}

class Flow : public ::testing::Test {
 protected:
  Flow() {
    RegisterResourceComponents();
    InitResourceService();
    ctx.UseEnvironment(ServiceEnvironment{set});
    ctx.AddSink(sink);
    ctx.SetDataSource(source);
    ctx.SetLogin(std::make_shared<testing::FakeLogin>());
  }
  ~Flow() override {
    Thread().webMode = false;
    Thread().traceLog = false;
  }
  PrintFlow Make() {
    PrintFlow flow(ctx, control, voucher, [this](const std::string& f) {
      auto it = header.find(f);
      return it == header.end() ? std::string() : it->second;
    });
    return flow;
  }
  void UsePolicy() {
    set->Register(kPrintPolicyId, [this] { return std::make_shared<RecordingPolicy>(&policy_log); });
  }
  void UseMailer() {
    set->Register(kMailerId, [this] { return std::make_shared<RecordingMailer>(&mail_log); });
  }
  void TraceOn() {
    WriteFile(dir / "component" / "Ordra_Platform_Voucher.ini", "");
    RefreshTraceLogSwitch();
  }
  std::string TraceText() { return ReadFile(dir / "component" / "Ordra_Platform_Voucher.log"); }

  ScratchDir dir;
  ScopedEnv registry{"CAVRA_REGISTRY_FILE", dir / "registry.ini"};
  ScopedEnv component{"CAVRA_COMPONENT_DIR", dir / "component"};
  std::shared_ptr<ComponentSet> set = std::make_shared<ComponentSet>();
  ServiceContext ctx;
  std::shared_ptr<EventSink> sink = std::make_shared<EventSink>();
  std::shared_ptr<FakeDataSource> source = std::make_shared<FakeDataSource>();
  RecordingControl control;
  PrintedVoucher voucher{"17", "SO-1", "销售订单", 12};
  std::map<std::string, std::string> header;
  std::vector<std::string> policy_log, mail_log;
};

using Calls = std::vector<std::string>;

TEST_F(Flow, PrintVoucherRaisesTheEventThenHandsTheChangedTextsToTheControlAndPreviews) {
  sink->append = "<!--host-->";
  UsePolicy();
  PrintFlow flow = Make();
  EXPECT_EQ(CLng(flow.PrintVoucher(kStyle, DataWith(1), true, true)), 0);
  EXPECT_EQ(sink->events, Calls{"PreParePrintEvnet"});
  EXPECT_EQ(control.data, DataWith(1) + "<!--host-->");
  EXPECT_EQ(control.calls, (Calls{"SetDataStyleXML(default)", "SetOB", "EnableExport(0)", "PrintPreview"}));
  EXPECT_EQ(policy_log, (Calls{"DataSource", "langID(zh-CN)", "policyid(17_12)", "AddSVID(SO-1{##}1001)"}));

  control.calls.clear();
  EXPECT_EQ(CLng(flow.PrintVoucher(kStyle, DataWith(1), true, false)), 0);
  EXPECT_EQ(control.calls[2], "EnableExport(1)");
}

TEST_F(Flow, WebModeRaisesTheWebEventOnlyForPrintAndBothEventsForPrintEx) {
  Thread().webMode = true;
  sink->append = "<!--w-->";
  PrintFlow flow = Make();
  flow.stopPrintControl = true;
  flow.PrintVoucher(kStyle, DataWith(1), true, false);
  EXPECT_EQ(sink->events, Calls{"PreParePrintEvnetWeb"});
  EXPECT_EQ(control.data, DataWith(1) + "<!--w-->");
  sink->events.clear();
  flow.PrintVoucherEx(kStyle, DataWith(1), true);
  EXPECT_EQ(sink->events, (Calls{"PreParePrintEvnetWeb", "PreParePrintEvnet"}));
  EXPECT_EQ(control.data, DataWith(1) + "<!--w--><!--w-->");
}

TEST_F(Flow, AnEmptyStyleTouchesNothing) {
  PrintFlow flow = Make();
  EXPECT_TRUE(flow.PrintVoucher("", DataWith(1), true, false).IsEmpty());
  EXPECT_EQ(flow.PrintVoucherEx("", DataWith(1), true), 0);
  Variant file("x");
  EXPECT_FALSE(flow.ExportToFile("", DataWith(1), false, &file, 0));
  EXPECT_TRUE(control.calls.empty());
  EXPECT_TRUE(sink->events.empty());
}

TEST_F(Flow, ANonZeroControlCodeBecomesTheLastErrorAndNothingPrints) {
  control.set_result = 7;
  UsePolicy();
  PrintFlow flow = Make();
  EXPECT_TRUE(flow.PrintVoucher(kStyle, DataWith(1), true, false).IsEmpty());
  VariantArray n{Variant(7)};
  const std::string expected = GetResStringEx("Ordra.AA.VCH.029", n);
  EXPECT_NE(expected.find('7'), std::string::npos);
  EXPECT_EQ(ctx.TakeLastError(), expected);
  EXPECT_EQ(flow.PrintVoucherEx(kStyle, DataWith(1), true), 7);
  EXPECT_EQ(ctx.TakeLastError(), expected);
  EXPECT_FALSE(flow.ExportToFile(kStyle, DataWith(1), false, nullptr, 0));
  EXPECT_EQ(ctx.TakeLastError(), "在导出文件的时候发生一般性错误,错误号:7");
  EXPECT_EQ(control.calls, Calls(3, "SetDataStyleXML(default)"));
  EXPECT_TRUE(policy_log.empty());
}

TEST_F(Flow, PolicyClientIsAttachedOnlyWhenAllowedAndEnabled) {
  UsePolicy();
  struct Case {
    bool stop;
    std::string cardnum, receipt;
    bool attached;
  } cases[] = {
      {true, "17|SO-1", "SO-1", false},  // StopPrintControl wins over everything
      {false, "", "", false},            // nothing enables the policy
      {false, "17|SO-1", "", true},
      {false, "", "SO-1", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cardnum + "/" + c.receipt + (c.stop ? " stopped" : ""));
    policy_log.clear();
    control.calls.clear();
    voucher.sReceiptNO = c.receipt;
    PrintFlow flow = Make();
    flow.stopPrintControl = c.stop;
    flow.cardnumAndValue = c.cardnum;
    flow.PrintVoucherEx(kStyle, DataWith(1), false);
    EXPECT_EQ(!policy_log.empty(), c.attached);
    EXPECT_EQ(std::count(control.calls.begin(), control.calls.end(), "SetOB"), c.attached ? 1 : 0);
  }
}

TEST_F(Flow, ThreeVoucherNumbersGiveThreeIdentifiersInDocumentOrderAndABadDocumentNone) {
  UsePolicy();
  PrintFlow flow = Make();
  flow.PrintVoucher(kStyle, DataWith(3), false, false);
  EXPECT_EQ(Calls(policy_log.begin() + 3, policy_log.end()),
            (Calls{"AddSVID(SO-1{##}1001)", "AddSVID(SO-2{##}1002)", "AddSVID(SO-3{##}1003)"}));

  // Escaped text arrives as the value it stands for.
  policy_log.clear();
  flow.PrintVoucher(kStyle, "<数据><任务><单据号>O&apos;B&amp;1{##}1</单据号></任务></数据>", false, false);
  EXPECT_EQ(policy_log.back(), "AddSVID(O'B&1{##}1)");

  // A data document that does not load: no identifiers, SetOB still called.
  policy_log.clear();
  control.calls.clear();
  flow.PrintVoucher(kStyle, "<数据><任务>", false, false);
  EXPECT_EQ(policy_log.size(), 3u);
  EXPECT_EQ(std::count(control.calls.begin(), control.calls.end(), "SetOB"), 1);
}

TEST_F(Flow, APolicyClientThatCannotBeCreatedLetsPrintingGoOn) {
  set->Register(kPrintPolicyId, []() -> ObjectPtr { throw VbError::Standard(err::kCannotCreate); });
  PrintFlow flow = Make();
  EXPECT_EQ(flow.PrintVoucherEx(kStyle, DataWith(1), true), 0);
  EXPECT_EQ(control.calls, (Calls{"SetDataStyleXML(default)", "PrintEx(true)"}));
  EXPECT_EQ(ctx.LastError(), "");
}

TEST_F(Flow, TheRegistryDecidesThePrinterDialogOfPrintVoucherOnly) {
  PrintFlow flow = Make();
  flow.stopPrintControl = true;
  classIniFile ini;
  struct Case {
    const char* value;  // nullptr: no value at all
    const char* call;
  } cases[] = {{nullptr, "PrintEx(true)"},
               {"1", "PrintEx(false)"},
               {" 1 ", "PrintEx(false)"},
               {"0", "PrintEx(true)"},
               {"yes", "PrintEx(true)"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(none)");
    if (c.value) ini.RegWrite(kPortalKey, "NoShowPrinterDlg", c.value);
    control.calls.clear();
    flow.PrintVoucher(kStyle, DataWith(1), false, false);
    EXPECT_EQ(control.calls.back(), c.call);
  }
  // PrintVoucherEx passes its own flag through, whatever the registry says.
  ini.RegWrite(kPortalKey, "NoShowPrinterDlg", "1");
  flow.PrintVoucherEx(kStyle, DataWith(1), true);
  EXPECT_EQ(control.calls.back(), "PrintEx(true)");
}

TEST_F(Flow, PolicyAndPrintLogLinesAreWrittenAsTheyStand) {
  TraceOn();
  UsePolicy();
  PrintFlow flow = Make();
  flow.PrintVoucher(kStyle, DataWith(1), true, false);
  const std::string log = TraceText();
  std::size_t at = 0;
  for (const char* line : {"PrintVoucher printcontrol", "PrintVoucher   CreateObject('PrintGuard.ISvr')",
                           "PrintVoucher   begin SetOB", "PrintVoucher   end SetOB"}) {
    at = log.find(std::string("】") + line + "\r\n", at);
    EXPECT_NE(at, std::string::npos) << line;
  }
}

TEST_F(Flow, ExportToANamedFileSwapsAPdfEmailTypeForTheExportAndRestoresIt) {
  classIniFile ini;
  control.attached_name = "/tmp/out.pdf";
  PrintFlow flow = Make();
  flow.columnLists = "1,2{##}10,20{##}a\r\n,b\t";
  for (const char* before : {"pdf", "xls", ""}) {
    SCOPED_TRACE(before);
    ini.RegWrite(kLoginKey, "VoucherEmailFileType", before);
    Variant file("/tmp/out.pdf");
    control.calls.clear();
    EXPECT_TRUE(flow.ExportToFile(kStyle, DataWith(1), false, &file, 3));
    EXPECT_EQ(control.registry_seen, std::string(before) == "pdf" ? "xls" : before);
    EXPECT_EQ(ini.RegRead(kLoginKey, "VoucherEmailFileType"), before);
    EXPECT_EQ(control.calls,
              (Calls{"SetDataStyleXML(default)", "sFileType(3)", "ExportToAttached(1,2|a,b|/tmp/out.pdf)"}));
  }
  // Restored when the export throws too.
  ini.RegWrite(kLoginKey, "VoucherEmailFileType", "pdf");
  control.attached_throws = true;
  Variant file("/tmp/out.pdf");
  EXPECT_FALSE(flow.ExportToFile(kStyle, DataWith(1), false, &file, 0));
  EXPECT_EQ(ini.RegRead(kLoginKey, "VoucherEmailFileType"), "pdf");
  EXPECT_EQ(ctx.TakeLastError(), "disk full");
}

TEST_F(Flow, ExportWithoutAFileUsesModeMinusThreeAndNoNamesForSeveralVouchers) {
  PrintFlow flow = Make();
  flow.columnLists = "t{##}s{##}n1,n2";
  EXPECT_TRUE(flow.ExportToFile(kStyle, DataWith(2), false, nullptr, 0));
  EXPECT_EQ(control.calls.back(), "ExportToFileEx(-3|t|s|)");
  EXPECT_TRUE(flow.ExportToFile(kStyle, DataWith(1), false, nullptr, 0));
  EXPECT_EQ(control.calls.back(), "ExportToFileEx(0|t|s|n1,n2)");
  // A data document that does not parse exports as one voucher.
  EXPECT_TRUE(flow.ExportToFile(kStyle, "<数据><任务>", false, nullptr, 0));
  EXPECT_EQ(control.calls.back(), "ExportToFileEx(0|t|s|n1,n2)");
  // No remembered lists: three empty ones.
  flow.columnLists.clear();
  EXPECT_TRUE(flow.ExportToFile(kStyle, DataWith(1), false, nullptr, 0));
  EXPECT_EQ(control.calls.back(), "ExportToFileEx(0|||)");
}

TEST_F(Flow, FileTypeTextsThatAreNotNumbersExportAsTypeZero) {
  EXPECT_EQ(PrintFlow::FileTypeCode(Variant("abc")), 0);
  EXPECT_EQ(PrintFlow::FileTypeCode(Variant()), 0);
  EXPECT_EQ(PrintFlow::FileTypeCode(Variant::Null()), 0);
  EXPECT_EQ(PrintFlow::FileTypeCode(Variant("2")), 2);
  EXPECT_EQ(PrintFlow::FileTypeCode(Variant(2.5)), 2);
  EXPECT_THROW(PrintFlow::FileTypeCode(Variant("70000")), VbError);
}

class Mail : public Flow {
 protected:
  Mail() {
    UseMailer();
    source->OnSql("VouchersExInfo", [] {
      auto rs = std::make_shared<Recordset>(std::vector<std::string>{"FieldName", "CatalogType"});
      rs->AddRow({Variant("cCusCode"), Variant(1)});
      rs->AddRow({Variant("cMemo"), Variant(2)});
      rs->AddRow({Variant("cPersonCode"), Variant(2)});
      rs->AddRow({Variant("cMissing"), Variant(3)});
      return rs;
    }());
  }
};

TEST_F(Mail, EmailFileQueriesTheRecipientsAndHandsTheMailerADestInfo) {
  header = {{"cCusCode", "C'01&<x>"}, {"cMemo", ""}, {"cPersonCode", "P0012"}};
  PrintFlow flow = Make();
  EXPECT_TRUE(flow.EmailFile(Variant("/tmp/a.xml")));
  ASSERT_EQ(source->queries.size(), 1u);
  EXPECT_EQ(source->queries[0],
            "select FieldName,CatalogType from VouchersExInfo where cardnumber ='17'  and IsUsed=1 "
            "order by CatalogType");
  ASSERT_EQ(mail_log.size(), 1u);
  EXPECT_EQ(mail_log[0],
            "login|<DestInfo><Person Id='C&apos;01&amp;&lt;x&gt;' Type='1' />\r\n"
            "<Person Id='P0012' Type='2' />\r\n</DestInfo>|/tmp/a.xml|销售订单|SO-1");
}

TEST_F(Mail, AHostileBillNumberCannotEndTheLiteral) {
  voucher.sBillNo = "17' or '1'='1";
  PrintFlow flow = Make();
  flow.EmailFile(Variant("/tmp/a.xml"));
  ASSERT_EQ(source->queries.size(), 1u);
  EXPECT_NE(source->queries[0].find("cardnumber ='17'' or ''1''=''1'  and"), std::string::npos);
}

TEST_F(Mail, NoRecordsetOrNoMailerGivesFalse) {
  PrintFlow flow = Make();
  source->fail_query_number = 1;
  EXPECT_FALSE(flow.EmailFile(Variant("/tmp/a.xml")));
  EXPECT_TRUE(mail_log.empty());

  source->fail_query_number = 0;
  set->Register(kMailerId, []() -> ObjectPtr { throw VbError::Standard(err::kCannotCreate); });
  TraceOn();
  EXPECT_FALSE(flow.EmailFile(Variant("/tmp/a.xml")));
  EXPECT_NE(TraceText().find("Error 429 ("), std::string::npos);
  EXPECT_NE(TraceText().find(") in procedure EmailFile of User Control ctlVoucher"), std::string::npos);
}

TEST_F(Mail, ExportForMailAttachesAFileAndMailsItOnlyWhenOneCameBack) {
  header = {{"cCusCode", "C001"}};
  PrintFlow flow = Make();
  control.attached_name = "/tmp/cavra-export-1.xml";
  EXPECT_TRUE(flow.ExportToFile(kStyle, DataWith(1), true, nullptr, 0));
  EXPECT_EQ(control.calls.back(), "ExportToAttached(||)");
  ASSERT_EQ(mail_log.size(), 1u);
  EXPECT_NE(mail_log[0].find("|/tmp/cavra-export-1.xml|"), std::string::npos);

  control.attached_name = "";
  EXPECT_TRUE(flow.ExportToFile(kStyle, DataWith(1), true, nullptr, 0));
  EXPECT_EQ(mail_log.size(), 1u) << "no attachment, no mail";
}

TEST_F(Mail, ANoCurrentRecordErrorDuringExportIsLoggedAndGivesFalse) {
  struct NoRecordControl : RecordingControl {
    Variant ExportToFileEx(std::int32_t, std::string&, std::string&, const std::string&,
                           const std::string&) override {
      throw VbError::Standard(err::kNoCurrentRecord);
    }
  } failing;
  TraceOn();
  PrintFlow flow(ctx, failing, voucher, nullptr);
  EXPECT_FALSE(flow.ExportToFile(kStyle, DataWith(1), false, nullptr, 0));
  EXPECT_NE(TraceText().find("ExportToFile -- XXXX" + GetResString("Ordra.AA.VCH.101")), std::string::npos);
}

// The recipient query on the real databases: a bill number with quotes finds
// nothing and breaks nothing; the plain one finds its row.
class MailOnDatabase : public Flow, public ::testing::WithParamInterface<std::string> {};

TEST_P(MailOnDatabase, AHostileBillNumberStaysInsideItsLiteral) {
  testing::ScratchDatabase db{GetParam()};
  if (!db.ds) GTEST_SKIP() << "CAVRA_TEST_PG is not set: run tests/datasource/pg_test_server.sh start";
  ASSERT_TRUE(db.ds->ExecuteSql("insert into VouchersExInfo values ('17', 'cCusCode', 1, 1)", {}).ok());
  ctx.SetDataSource(db.ds);
  UseMailer();
  header = {{"cCusCode", "C001"}};
  voucher.sBillNo = "17' or '1'='1";
  EXPECT_TRUE(Make().EmailFile(Variant("/tmp/a.xml")));
  voucher.sBillNo = "17";
  EXPECT_TRUE(Make().EmailFile(Variant("/tmp/a.xml")));
  ASSERT_EQ(mail_log.size(), 2u);
  EXPECT_NE(mail_log[0].find("|<DestInfo></DestInfo>|"), std::string::npos) << mail_log[0];
  EXPECT_NE(mail_log[1].find("<Person Id='C001' Type='1' />"), std::string::npos) << mail_log[1];
}

INSTANTIATE_TEST_SUITE_P(Backends, MailOnDatabase, ::testing::Values("sqlite", "postgresql"));

}  // namespace
}  // namespace cavra
