// The HTML writer: a real browser (headless Chromium) prints our HTML to a PDF
// with the pages of our own PDF, and the file stays self-contained and inert
// whatever the texts hold.
#include <gtest/gtest.h>

#include <filesystem>
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
}

}  // namespace
}  // namespace cavra::render
