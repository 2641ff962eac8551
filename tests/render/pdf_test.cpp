// Renders hand-written print documents to PDF and reads the files back with
// poppler's tools, which know nothing of how they were made.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cavra/components.h"
#include "fakes/scratch.h"
#include "output_tools.h"
#include "render/document.h"
#include "render/pdf_writer.h"
#include "render/print_control.h"
#include "sales_order.h"

namespace cavra::render {
namespace {

// Fontconfig, cairo and pango keep process-wide caches to the end; freeing them
// after the last test lets the leak checker see whatever the renderer leaks.
class FontCaches : public ::testing::Environment {
 public:
  void TearDown() override { ReleaseFontCaches(); }
};
const auto* const kFontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);

using cavra::testing::Cents;
using cavra::testing::HavePoppler;
using cavra::testing::LastAmountOf;
using cavra::testing::ReadFile;
using cavra::testing::SalesOrder;
using cavra::testing::ScopedEnv;
using cavra::testing::ScratchDir;

// Loads both documents into a control writing to dir; the code SetDataStyleXML gives.
int Load(RenderPrintControl& control, const SalesOrder& order) {
  int code = control.SetDataStyleXML(order.Data(), false, order.Style(), false, "default");
  EXPECT_TRUE(code != 0 || control.LastError().empty()) << control.LastError();
  return code;
}

std::string Print(RenderPrintControl& control) {
  EXPECT_EQ(control.PrintEx(false).AsDouble(), 0) << control.LastError();
  return control.LastFile();
}

TEST(RenderPdf, AChineseSalesOrderOverThreePages) {
  if (!HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
  ScratchDir dir;
  RenderPrintControl control(dir.path.string());
  SalesOrder order;
  order.lines = 100;
  ASSERT_EQ(Load(control, order), 0);
  std::string pdf = Print(control);
  EXPECT_EQ(std::filesystem::path(pdf).filename(), "SO-0001.pdf");
  ASSERT_EQ(testing::PdfPages(pdf), 3);
  EXPECT_EQ(control.PageCount(), 3u);
  EXPECT_NE(testing::Sh("pdfinfo '" + pdf + "'").find("595.276 x 841.89 pts (A4)"), std::string::npos);

  std::int64_t carried = 0;
  int lines = 0;
  for (int page = 1; page <= 3; ++page) {
    SCOPED_TRACE(page);
    std::string text = testing::PdfText(pdf, page);
    for (const char* expected :
         {"卡拉贸易有限公司", "销售订单", "客户：上海云帆科技有限公司", "日期：贰零贰陆年壹拾贰月零陆日",
          "存货", "编码", "存货名称", "数量", "单价", "金额"})
      EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    EXPECT_NE(text.find("第" + std::to_string(page) + "页 共3页"), std::string::npos);
    EXPECT_EQ(text.find("SO-0001") != std::string::npos, page == 1);  // printed on the first page only
    std::int64_t sum = 0;
    std::istringstream in(text);
    std::smatch m;
    std::regex line("^\\s*(\\d+)\\s+SP\\d{4}\\s.*\\s([\\d,]+\\.\\d\\d)\\s*$");
    for (std::string l; std::getline(in, l);) {
      if (!std::regex_match(l, m, line)) continue;
      EXPECT_EQ(std::stoi(m[1]), ++lines);  // every line once, in order
      sum += Cents(m[2]);
    }
    carried += sum;
    EXPECT_GT(sum, 0);
    EXPECT_EQ(LastAmountOf(text, "本页小计"), sum);
    EXPECT_EQ(LastAmountOf(text, "累计"), carried);
    bool last = page == 3;
    EXPECT_EQ(LastAmountOf(text, "合计") != -1, last);
    EXPECT_EQ(text.find("制单人：张三") != std::string::npos, last);
  }
  EXPECT_EQ(lines, 100);
  EXPECT_EQ(carried, order.TotalCents());
  std::string third = testing::PdfText(pdf, 3);
  EXPECT_EQ(LastAmountOf(third, "合计"), order.TotalCents());
  EXPECT_NE(third.find("合计金额："), std::string::npos);
  EXPECT_NE(third.find("元"), std::string::npos);

  std::string fonts = testing::Sh("pdffonts '" + pdf + "'");
  std::istringstream in(fonts);
  std::string row;
  int count = 0;
  for (int skip = 0; skip < 2 && std::getline(in, row); ++skip) {
  }
  while (std::getline(in, row)) {
    std::istringstream cols(row);
    std::vector<std::string> c{std::istream_iterator<std::string>(cols),
                               std::istream_iterator<std::string>()};
    ASSERT_GE(c.size(), 6u) << row;
    EXPECT_EQ(c[c.size() - 5], "yes") << "not embedded: " << row;
    EXPECT_EQ(c[c.size() - 4], "yes") << "not a subset: " << row;
    ++count;
  }
  EXPECT_GE(count, 2) << fonts;  // serif CJK for 宋体, sans CJK for 黑体 at least
}

TEST(RenderPdf, BadStylesAndDataGiveACodeOrASensiblePage) {
  if (!HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
  struct Case {
    const char* name;
    void (*change)(SalesOrder&);
    int code;
    int pages;          // when code is 0
    const char* shows;  // on page 1, when code is 0
  } cases[] = {
      {"zero paper", [](SalesOrder& o) { o.paper = "纸张大小='0,2970'"; }, kPaperUnusable, 0, ""},
      {"negative paper", [](SalesOrder& o) { o.paper = "纸张大小='-2100,2970'"; }, kPaperUnusable, 0, ""},
      {"margins wider than the page",
       [](SalesOrder& o) { o.paper = "纸张大小='2100,2970' 页边距='1100,200,1100,200'"; }, kMarginsUnusable,
       0, ""},
      {"a column wider than the page", [](SalesOrder& o) { o.columnWidths = "9000,300,450,200,250,300"; }, 0,
       1, "存货名称"},
      {"2,000 characters in a fitted row",
       [](SalesOrder& o) {
         for (int i = 0; i < 2000; ++i) o.nameCell += "长";
       },
       0, 2, "本页小计"},
      {"a font that does not exist", [](SalesOrder& o) { o.bodyFont = "没有这种字体 Nonexistent"; }, 0, 1,
       "办公用品"},
      {"an empty body", [](SalesOrder& o) { o.lines = 0; }, 0, 1, "0.00"},
      {"an unknown type code", [](SalesOrder& o) { o.amountType = "77"; }, 0, 1, "合计金额：537.24"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    RenderPrintControl control(dir.path.string());
    SalesOrder order;
    order.lines = 10;
    c.change(order);
    int code = control.SetDataStyleXML(order.Data(), false, order.Style(), false, "default");
    EXPECT_EQ(code, c.code) << control.LastError();
    if (code != 0) {
      EXPECT_FALSE(control.LastError().empty());
      EXPECT_EQ(control.PrintEx(false).AsDouble(), kNoDocuments);
      continue;
    }
    std::string pdf = Print(control);
    EXPECT_EQ(testing::PdfPages(pdf), c.pages);
    EXPECT_NE(testing::PdfText(pdf, 1).find(c.shows), std::string::npos) << testing::PdfText(pdf, 1);
    EXPECT_EQ(testing::Sh("pdffonts '" + pdf + "'").find(" no "), std::string::npos);
  }
}

TEST(RenderPdf, DocumentsThatDoNotParseAreRefusedWithTheirReason) {
  ScratchDir dir;
  RenderPrintControl control(dir.path.string());
  SalesOrder order;
  EXPECT_EQ(control.SetDataStyleXML(order.Data(), false, "<格式><表格>", false, ""), kStyleUnreadable);
  EXPECT_NE(control.LastError().find("offset"), std::string::npos) << control.LastError();
  EXPECT_EQ(control.SetDataStyleXML(order.Data(), false, "<数据/>", false, ""), kStyleUnreadable);
  EXPECT_EQ(control.SetDataStyleXML("<数据><任务>", false, order.Style(), false, ""), kDataUnreadable);
  EXPECT_EQ(control.SetDataStyleXML(order.Data(), true, order.Style(), false, ""), kFileUnreadable);
  EXPECT_EQ(control.PageCount(), 0u);
  EXPECT_EQ(control.PrintPreview().AsDouble(), kNoDocuments);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path));
}

// UTF-16LE with a byte-order mark, as the service writes document files.
std::string Utf16(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    std::uint32_t cp = c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra) cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += 1 + extra;
    out += static_cast<char>(cp & 0xFF);
    out += static_cast<char>(cp >> 8);  // the documents hold no characters beyond the BMP
  }
  return out;
}

TEST(RenderPdf, FilesInAndOutNeverReplaceEarlierOnes) {
  if (!HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
  ScratchDir dir;
  SalesOrder order;
  order.lines = 5;
  std::ofstream(dir / "style.xml", std::ios::binary) << Utf16(order.Style());
  std::ofstream(dir / "data.xml", std::ios::binary) << order.Data();
  RenderPrintControl control((dir / "out").string());
  ASSERT_EQ(
      control.SetDataStyleXML((dir / "data.xml").string(), true, (dir / "style.xml").string(), true, ""), 0)
      << control.LastError();
  std::string first = Print(control), second = Print(control);
  EXPECT_EQ(std::filesystem::path(second).filename(), "SO-0001-2.pdf");
  EXPECT_EQ(testing::PdfPages(first), 1);
  EXPECT_NE(testing::PdfText(second, 1).find("上海云帆科技有限公司"), std::string::npos);

  std::string a, b, c;
  Variant name;
  ASSERT_EQ(control.ExportToAttached(0, 0, a, b, c, "", name).AsDouble(), 0) << control.LastError();
  ASSERT_TRUE(name.IsString());
  EXPECT_EQ(testing::PdfPages(name.AsString()), 1);
  std::filesystem::remove(name.AsString());
  Variant chosen((dir / "mail.pdf").string());
  ASSERT_EQ(control.ExportToAttached(0, 0, a, b, c, "", chosen).AsDouble(), 0);
  EXPECT_EQ(testing::PdfPages((dir / "mail.pdf").string()), 1);

  control.sFileType(9);
  EXPECT_EQ(control.ExportToFileEx(0, a, b, c, "").AsDouble(), kUnknownFileType);
  EXPECT_NE(control.LastError().find("9"), std::string::npos);

  // an output folder that cannot be made: an error text, the earlier files kept
  std::ofstream(dir / "blocked") << "a file";
  RenderPrintControl blocked((dir / "blocked" / "sub").string());
  ASSERT_EQ(blocked.SetDataStyleXML(order.Data(), false, order.Style(), false, ""), 0);
  EXPECT_EQ(blocked.PrintEx(false).AsDouble(), kCannotWrite);
  EXPECT_FALSE(blocked.LastError().empty());
  EXPECT_TRUE(std::filesystem::exists(first) && std::filesystem::exists(second));
}


// The test printer (ipp_printer.py): a process answering IPP on a free port.
class TestPrinter {
 public:
  TestPrinter(const std::filesystem::path& folder, bool refuse) {
    std::string command = "/usr/bin/python3 " CAVRA_TEST_SOURCE_DIR "/ipp_printer.py '" + folder.string() + "'" +
                          (refuse ? " refuse" : "");
    pipe_ = ::popen(command.c_str(), "r");
    int port = 0;
    if (pipe_ && std::fscanf(pipe_, "%d %d", &port, &pid_) == 2) uri_ = "ipp://127.0.0.1:" + std::to_string(port) + "/ipp/print";
  }
  ~TestPrinter() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
    if (pipe_) ::pclose(pipe_);
  }
  const std::string& uri() const { return uri_; }

 private:
  FILE* pipe_ = nullptr;
  int pid_ = 0;
  std::string uri_;
};

struct CountingPolicy : IPrintPolicy {
  int printed = 0;
  void Printed() override { ++printed; }
};

TEST(RenderPrintControl, IsTheDefaultAndPrintsToAPrinterKeepingThePdf) {
  EXPECT_NE(std::dynamic_pointer_cast<RenderPrintControl>(ComponentRegistry::Create("PrintCanvas.PrintControl")),
            nullptr);
  ScratchDir dir;
  SalesOrder order;
  order.lines = 5;
  RenderPrintControl control((dir / "out").string());
  ASSERT_EQ(Load(control, order), 0);

  TestPrinter printer(dir.path, false);
  ASSERT_FALSE(printer.uri().empty()) << "the test printer did not start";
  auto policy = std::make_shared<CountingPolicy>();
  {
    ScopedEnv env("CAVRA_PRINTER", printer.uri().c_str());
    control.SetOB(policy);
    EXPECT_EQ(control.PrintEx(true).AsDouble(), 0) << control.LastError();
  }
  EXPECT_EQ(policy->printed, 1);
  EXPECT_EQ(ReadFile(dir / "job-1.bin"), ReadFile(control.LastFile()));  // the printer got the PDF whole

  // A printer that refuses the job, or is not there: an error text, the PDF
  // kept, the print not counted.
  TestPrinter refusing(dir / "out", true);
  for (const std::string& uri : {refusing.uri(), std::string("ipp://127.0.0.1:1/ipp/print")}) {
    SCOPED_TRACE(uri);
    ScopedEnv env("CAVRA_PRINTER", uri.c_str());
    EXPECT_EQ(control.PrintEx(false).AsDouble(), kPrinterFailed);
    EXPECT_NE(control.LastError().find(uri), std::string::npos) << control.LastError();
    EXPECT_NE(control.LastError().find(control.LastFile()), std::string::npos);
    EXPECT_EQ(testing::PdfPages(control.LastFile()), 1);
  }
  EXPECT_EQ(policy->printed, 1);
}

TEST(RenderPrintControl, PreviewWritesPdfAndHtmlAndHandsThePdfToTheCommand) {
  ScratchDir dir;
  SalesOrder order;
  order.lines = 5;
  // A voucher number that would run commands if it reached a shell as text.
  std::string data = order.Data();
  data.replace(data.find("SO-0001{##}"), 7, "SO'$(touch pwned)`touch pwned2`");
  ScopedEnv cwd("CAVRA_PRINT_DIR", (dir / "out").c_str());
  std::string command = "cp \"$1\" '" + (dir / "seen.pdf").string() + "'; echo $CAVRA_PREVIEW_EXPORT > '" +
                        (dir / "export").string() + "'";
  ScopedEnv preview("CAVRA_PREVIEW_COMMAND", command.c_str());
  RenderPrintControl control;  // the folder from the environment
  ASSERT_EQ(control.SetDataStyleXML(data, false, order.Style(), false, "default"), 0) << control.LastError();
  control.EnableExport(false);
  ASSERT_EQ(control.PrintPreview().AsDouble(), 0) << control.LastError();
  std::filesystem::path pdf = control.LastFile(), html = pdf;
  html.replace_extension(".html");
  EXPECT_EQ(pdf.parent_path(), dir / "out");
  EXPECT_TRUE(std::filesystem::exists(html));
  // The command runs in the background: wait for it, boundedly.
  for (int i = 0; i < 200 && ReadFile(dir / "export").empty(); ++i) ::usleep(50000);
  EXPECT_EQ(ReadFile(dir / "export"), "0\n");
  EXPECT_EQ(ReadFile(dir / "seen.pdf"), ReadFile(pdf));
  for (const char* name : {"pwned", "pwned2"})
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / name) || std::filesystem::exists(name));
}

TEST(RenderPrintControl, ExportsEachFileTypeWithItsExtension) {
  ScratchDir dir;
  SalesOrder order;
  order.lines = 5;
  RenderPrintControl control(dir.path.string());
  ASSERT_EQ(Load(control, order), 0);
  struct Case {
    std::int16_t type;
    const char *extension, *starts;
  } cases[] = {{kXlsx, ".xlsx", "PK"}, {kPdf, ".pdf", "%PDF"}, {kHtml, ".html", "<!DOCTYPE html>"},
               {kCsv, ".csv", "\xEF\xBB\xBF"}};
  std::string types, sizes, names;
  for (const Case& c : cases) {
    control.sFileType(c.type);
    EXPECT_EQ(control.ExportToFileEx(0, types, sizes, names, "").AsDouble(), 0) << control.LastError();
    EXPECT_EQ(std::filesystem::path(control.LastFile()).extension(), c.extension);
    EXPECT_EQ(ReadFile(control.LastFile()).rfind(c.starts, 0), 0u) << c.extension;
    Variant attached;
    EXPECT_EQ(control.ExportToAttached(0, 0, types, sizes, names, "", attached).AsDouble(), 0);
    ASSERT_TRUE(attached.IsString());
    EXPECT_EQ(std::filesystem::path(attached.AsString()).extension(), c.extension);
    EXPECT_EQ(ReadFile(attached.AsString()).rfind(c.starts, 0), 0u) << c.extension;
    std::filesystem::remove(attached.AsString());
  }
}

}  // namespace
}  // namespace cavra::render
