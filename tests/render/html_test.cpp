// The HTML writer: a real browser (headless Chromium) prints our HTML to a PDF
// with the pages of our own PDF, and the file stays self-contained and inert
// whatever the texts hold.
#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "fakes/scratch.h"
#include "output_tools.h"
#include "render/document.h"
#include "render/html_writer.h"
#include "render/layout.h"
#include "render/pdf_writer.h"
#include "sales_order.h"

namespace cavra::render {
namespace {

using cavra::testing::Have;
using cavra::testing::PdfPages;
using cavra::testing::PdfPageSize;
using cavra::testing::PdfText;
using cavra::testing::ReadFile;
using cavra::testing::SalesOrder;
using cavra::testing::ScratchDir;
using cavra::testing::Sh;
using cavra::testing::SolidPng;

PageModel LaidOut(const SalesOrder& order) {
  StyleDocument style;
  DataDocument data;
  DocumentError error;
  EXPECT_TRUE(ReadStyleDocument(order.Style(), style, error)) << error.reason;
  EXPECT_TRUE(ReadDataDocument(order.Data(), data, error)) << error.reason;
  PangoMeasure measure;
  return Layout(style, data, measure);
}

// Text without white space, and without U+00AD that a browser may leave at a break.
std::string Squeezed(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\xC2\xAD") == 0) {
      ++i;
      continue;
    }
    if (!std::isspace(static_cast<unsigned char>(text[i]))) out += text[i];
  }
  return out;
}

// Prints html to pdf with headless Chromium; false when it did not.
bool PrintWithChromium(const ScratchDir& dir, const std::string& html, const std::string& pdf) {
  const std::string profile = (dir / "chromium-profile").string();
  int status = -1;
  Sh("timeout 300 chromium --headless --no-sandbox --disable-gpu --no-pdf-header-footer --user-data-dir='" +
         profile + "' --print-to-pdf='" + pdf + "' 'file://" + html + "'",
     &status);
  return status == 0 && std::filesystem::exists(pdf);
}

TEST(RenderHtml, ChromiumPrintsTheSamePagesAsOurPdf) {
  if (!Have("chromium")) GTEST_SKIP() << "chromium is not installed";
  ASSERT_TRUE(Have("pdfinfo pdftotext"));
  ScratchDir dir;
  SalesOrder order;
  order.lines = 100;
  PageModel model = LaidOut(order);
  ASSERT_EQ(model.pages.size(), 3u);
  // What layout does not place yet: a barcode, a picture and hostile texts.
  Page& first = model.pages.front();
  BarcodeItem code;
  code.box = {1200, 20, 500, 120};
  code.standard = "EAN-13";
  code.value = "690123456789";
  first.barcodes.push_back(code);
  code.box.y = 2500;
  code.value = "69012345678X";  // not encodable: shown as text
  first.barcodes.push_back(code);
  first.images.push_back({{0, 2400, 300, 200}, SolidPng(60, 40, 0, 0.5, 0), ScaleMode::KeepRatio, false});
  first.texts.push_back({{400, 2650, 1200, 60}, "<b>不是粗体</b> & \"引号\" 'x' </div>", Font{}, Align::Left, 5});
  Font strange;
  strange.name = "Evil'; } .p { display: none } '";
  first.texts.push_back({{400, 2720, 1200, 60}, "字体名奇怪", strange, Align::Right, 0});

  const std::string ours = (dir / "ours.pdf").string(), html = (dir / "ours.html").string(),
                    theirs = (dir / "chromium.pdf").string();
  std::string reason;
  ASSERT_TRUE(WritePdf(model, ours, reason)) << reason;
  ASSERT_TRUE(WriteHtml(model, html, reason)) << reason;
  ASSERT_TRUE(PrintWithChromium(dir, html, theirs));

  ASSERT_EQ(PdfPages(theirs), 3);
  ASSERT_EQ(PdfPages(ours), 3);
  for (int page = 1; page <= 3; ++page) {
    SCOPED_TRACE(page);
    EXPECT_EQ(PdfPageSize(theirs, page), "595 x 842");
    EXPECT_EQ(PdfPageSize(ours, page), "595 x 842");
    // In drawing order: the two draw the same items in the same order, while
    // the grouping into lines by position depends on each font's box.
    const std::string a = PdfText(ours, page, "-raw"), b = PdfText(theirs, page, "-raw");
    EXPECT_EQ(Squeezed(a), Squeezed(b)) << "ours:\n" << a << "\nchromium:\n" << b;
  }
  const std::string text = Squeezed(PdfText(theirs, 1, "-raw"));
  EXPECT_NE(text.find(Squeezed(first.texts[first.texts.size() - 2].text)), std::string::npos) << text;
  EXPECT_NE(text.find("字体名奇怪"), std::string::npos);
  EXPECT_NE(text.find("6901234567892"), std::string::npos);
  EXPECT_NE(text.find("69012345678X"), std::string::npos);
  if (!Have("pdftoppm zbarimg")) return;
  const std::string png = (dir / "chromium-1").string();  // the SVG bars read back
  Sh("pdftoppm -r 300 -gray -png -singlefile -f 1 -l 1 '" + theirs + "' '" + png + "'");
  EXPECT_EQ(Sh("zbarimg -q '" + png + ".png'"), "EAN-13:6901234567892\n");
}

TEST(RenderHtml, TheFileIsSelfContainedInertAndWrittenAsPagesCome) {
  ScratchDir dir;
  const std::string path = (dir / "page.html").string();
  HtmlWriter html;
  ASSERT_TRUE(html.Open(path, 2100, 2970)) << html.reason();
  Page page;
  Font font;
  font.name = "Tahoma\"><script>x()</script>";
  page.texts.push_back({{0, 0, 500, 60}, "<script src=\"http://example.com/a.js\"></script>", font, Align::Left, 0});
  page.texts.push_back({{0, 100, 500, 60}, std::string("bell\x07 cut \xE4\xB8 nul\0end", 20), Font{}, Align::Left, 0});
  page.lines.push_back({0, 0, 100, 0, 2});
  page.lines.push_back({0, 0, 0, 100, 1});
  const std::string red = SolidPng(40, 20, 1, 0, 0);
  page.images.push_back({{0, 200, 500, 200}, red, ScaleMode::KeepRatio, true});
  page.images.push_back({{0, 500, 500, 200}, std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x4e\x20\0\0\x4e\x20", 24),
                         ScaleMode::Stretch, false});  // 20,000 x 20,000: refused
  page.images.push_back({{0, 700, 500, 200}, "<script>", ScaleMode::Stretch, false});
  html.AddPage(page);
  Page filler;  // enough pages to pass the write buffer
  for (int i = 0; i < 2000; ++i) filler.texts.push_back({{0, i * 1.0, 100, 1}, "填充文字", Font{}, Align::Center, 0});
  for (int i = 0; i < 10; ++i) html.AddPage(filler);
  EXPECT_GT(std::filesystem::file_size(path), 1u << 20);  // already on disk
  ASSERT_TRUE(html.Finish()) << html.reason();

  const std::string file = ReadFile(path);
  EXPECT_NE(file.find("@page { size: 210mm 297mm; margin: 0 }"), std::string::npos);
  EXPECT_EQ(file.find("<script"), std::string::npos);
  for (const char* outside : {"src=\"http", "href", "url(", "@import", "<link", "<iframe"})
    EXPECT_EQ(file.find(outside), std::string::npos) << outside;
  EXPECT_NE(file.find("&lt;script src=&quot;http"), std::string::npos);  // shown as text; no link was made
  EXPECT_NE(file.find("bell\xEF\xBF\xBD cut \xEF\xBF\xBD\xEF\xBF\xBD nul\xEF\xBF\xBD" "end"), std::string::npos);
  EXPECT_NE(file.find("9pt 'Tahoma&quot;&gt;&lt;script&gt;x()&lt;/script&gt;','Noto Sans CJK SC'"), std::string::npos);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(file, m, std::regex("<img[^>]*src=\"data:image/png;base64,([A-Za-z0-9+/=]+)\"")));
  gchar* encoded = g_base64_encode(reinterpret_cast<const guchar*>(red.data()), red.size());
  EXPECT_EQ(m[1], encoded);  // the PNG given, whole; the refused ones left out
  g_free(encoded);
  EXPECT_EQ(file.find("<img", m.position(0) + 1), std::string::npos);
  std::size_t pages = 0;
  for (std::size_t at = 0; (at = file.find("<div class=\"p\">", at)) != std::string::npos; ++at) ++pages;
  EXPECT_EQ(pages, 11u);
  EXPECT_NE(file.find("<path stroke-width=\"1\" d=\"M0 0L0 100\"/><path stroke-width=\"2\" d=\"M0 0L100 0\"/>"),
            std::string::npos);

  HtmlWriter nowhere;
  EXPECT_FALSE(nowhere.Open((dir / "missing" / "x.html").string(), 2100, 2970));
  EXPECT_NE(nowhere.reason().find("missing"), std::string::npos);
  nowhere.AddPage(page);
  EXPECT_FALSE(nowhere.Finish());
  if (std::filesystem::exists("/dev/full")) {
    HtmlWriter full;
    ASSERT_TRUE(full.Open("/dev/full", 2100, 2970));
    full.AddPage(page);
    EXPECT_FALSE(full.Finish());
    EXPECT_NE(full.reason().find("cannot write"), std::string::npos);
  }
}

}  // namespace
}  // namespace cavra::render
