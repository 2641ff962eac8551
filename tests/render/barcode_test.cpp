// Barcodes drawn into PDFs and read back by zbar from a rendered image, and
// the shapes of values their standard cannot take.
#include <gtest/gtest.h>

#include <filesystem>

#include "fakes/scratch.h"
#include "output_tools.h"
#include "render/barcode.h"
#include "render/pdf_writer.h"

namespace cavra::render {
namespace {

using cavra::testing::Have;
using cavra::testing::PdfPages;
using cavra::testing::PdfText;
using cavra::testing::Sh;
using cavra::testing::ScratchDir;

BarcodeItem Item(const std::string& standard, const std::string& value, Rect box = {200, 300, 700, 200}) {
  BarcodeItem b;
  b.box = box;
  b.standard = standard;
  b.value = value;
  return b;
}

bool Inside(const Rect& r, const Rect& box) {
  const double e = 1e-6;
  return r.x >= box.x - e && r.y >= box.y - e && r.x + r.w <= box.x + box.w + e &&
         r.y + r.h <= box.y + box.h + e && r.w > 0 && r.h > 0;
}

TEST(RenderBarcode, ZbarReadsWhatThePdfDraws) {
  if (!Have("pdftoppm zbarimg pdftotext")) GTEST_SKIP() << "poppler-utils or zbar-tools is not installed";
  struct Case {
    const char* standard;
    const char* value;
    const char* read;  // as zbarimg names it
  };
  const Case cases[] = {
      {"CODE128", "SO-0001/abc", "CODE-128:SO-0001/abc"},
      {"EAN-13", "690123456789", "EAN-13:6901234567892"},  // check digit added
      {"ean13", "6901234567892", "EAN-13:6901234567892"},
      {"CODE39", "CAVRA-39", "CODE-39:CAVRA-39"},
      {"EAN-8", "9638507", "EAN-8:96385074"},
  };
  ScratchDir dir;
  const std::string pdf = (dir / "codes.pdf").string();
  PdfWriter writer;
  ASSERT_TRUE(writer.Open(pdf, 1000, 600)) << writer.reason();
  for (const Case& c : cases) {
    Page page;
    page.barcodes.push_back(Item(c.standard, c.value));
    writer.AddPage(page);
  }
  ASSERT_TRUE(writer.Finish()) << writer.reason();
  ASSERT_EQ(PdfPages(pdf), 5);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(cases[i].standard);
    const std::string n = std::to_string(i + 1), png = (dir / ("code-" + n)).string();
    Sh("pdftoppm -r 300 -gray -png -singlefile -f " + n + " -l " + n + " '" + pdf + "' '" + png + "'");
    EXPECT_EQ(Sh("zbarimg -q '" + png + ".png'"), std::string(cases[i].read) + "\n");
  }
  // the human-readable text under the bars, with its check digit
  EXPECT_NE(PdfText(pdf, 2).find("6901234567892"), std::string::npos);
}

TEST(RenderBarcode, AValueItsStandardCannotTakeShowsAsFramedText) {
  const Rect box{100, 100, 600, 200};
  const char* const cases[][2] = {
      {"EAN-13", "69012345678AB"},  // letters
      {"EAN-13", "6901234567890"},  // wrong check digit
      {"EAN-13", "69012345"},       // wrong length
      {"EAN-8", "1234abcd"},
      {"CODE128", "条码"},
      {"CODE39", "lower~case"},
      {"QRCODE", "12345"},
  };
  for (const auto& [standard, value] : cases) {
    SCOPED_TRACE(std::string(standard) + " " + value);
    BarcodeShape shape = ShapeBarcode(Item(standard, value, box));
    EXPECT_FALSE(shape.encoded);
    EXPECT_FALSE(shape.reason.empty());
    ASSERT_EQ(shape.bars.size(), 4u);  // the frame
    for (const Rect& r : shape.bars) EXPECT_TRUE(Inside(r, box));
    ASSERT_EQ(shape.labels.size(), 1u);
    EXPECT_EQ(shape.labels[0].text, value);
  }
  BarcodeShape longValue = ShapeBarcode(Item("PDF417", std::string(100000, '7'), box));
  EXPECT_FALSE(longValue.encoded);
  ASSERT_EQ(longValue.labels.size(), 1u);
  EXPECT_LT(longValue.labels[0].text.size(), 300u);  // shown cut short
  for (const Rect& empty : {Rect{0, 0, 0, 100}, Rect{0, 0, 100, -5}}) {
    BarcodeShape none = ShapeBarcode(Item("CODE128", "1", empty));
    EXPECT_TRUE(none.bars.empty() && none.labels.empty());
  }
  BarcodeShape noValue = ShapeBarcode(Item("CODE128", "", box));
  EXPECT_TRUE(noValue.bars.empty() && noValue.labels.empty());

  if (!Have("pdftotext pdftoppm zbarimg")) return;
  ScratchDir dir;
  const std::string pdf = (dir / "bad.pdf").string();
  PdfWriter writer;
  ASSERT_TRUE(writer.Open(pdf, 1000, 600));
  Page page;
  page.barcodes.push_back(Item("EAN-13", "69012345678AB", box));
  writer.AddPage(page);
  ASSERT_TRUE(writer.Finish());
  EXPECT_NE(PdfText(pdf, 1).find("69012345678AB"), std::string::npos);
  Sh("pdftoppm -r 150 -gray -png -singlefile '" + pdf + "' '" + (dir / "bad").string() + "'");
  int status = 0;
  EXPECT_EQ(Sh("zbarimg -q '" + (dir / "bad.png").string() + "'", &status), "");
  EXPECT_EQ(status, 4);  // zbarimg: nothing found
}

TEST(RenderBarcode, BarsStayInTheBox) {
  const Rect wide{50, 80, 900, 300}, tall{50, 80, 200, 900};
  const char* const values[][2] = {
      {"CODE128", "SO-0001"}, {"CODE39", "SO-0001"}, {"EAN-13", "123456789012"}, {"EAN-8", "1234567"},
      {"PDF417", "销售订单 SO-0001"}};
  for (const auto& [standard, value] : values) {
    for (const Rect& box : {wide, tall}) {
      SCOPED_TRACE(standard);
      BarcodeShape shape = ShapeBarcode(Item(standard, value, box));
      ASSERT_TRUE(shape.encoded) << shape.reason;
      ASSERT_GT(shape.bars.size(), 10u);
      double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
      for (const Rect& r : shape.bars) {
        EXPECT_TRUE(Inside(r, box));
        left = std::min(left, r.x), right = std::max(right, r.x + r.w);
        top = std::min(top, r.y), bottom = std::max(bottom, r.y + r.h);
      }
      for (const TextItem& t : shape.labels) EXPECT_TRUE(Inside(t.box, box));
      if (std::string(standard) == "PDF417") {
        // in proportion and centred: equal margins on opposite sides of the long axis
        EXPECT_TRUE(shape.labels.empty());
        EXPECT_NEAR(left - box.x, box.x + box.w - right, box.w * 0.05 + 1);
        EXPECT_NEAR(top - box.y, box.y + box.h - bottom, box.h * 0.05 + 1);
      } else {
        ASSERT_EQ(shape.labels.size(), 1u);
        EXPECT_GE(shape.labels[0].box.y, bottom - 1e-6);  // text under the bars
      }
    }
  }
  // a box too low for the text keeps only the bars
  BarcodeShape low = ShapeBarcode(Item("CODE128", "1234567", {0, 0, 600, 60}));
  EXPECT_TRUE(low.encoded);
  EXPECT_TRUE(low.labels.empty());
}

}  // namespace
}  // namespace cavra::render
