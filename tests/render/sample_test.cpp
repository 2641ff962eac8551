// The examples/ sales orders as the service prepares them, laid out and
// written to PDF, then read back with poppler's tools and compared with the
// reviewed page images under tests/render/pages/. After a deliberate change
// of the pages, regenerate the images and look at them before committing:
//   CAVRA_UPDATE_GOLDEN=1 build/dev/tests/render/render_tests --gtest_filter='RenderSample*'
// CAVRA_RENDER_KEEP=<folder> keeps a copy of the PDFs there.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <pugixml.hpp>
#include <regex>
#include <sstream>

#include "cavra/datasource.h"
#include "cavra/rowset.h"
#include "cavra/template_file.h"
#include "cavra/voucher_service.h"
#include "fakes/fakes.h"
#include "fakes/fixed_clock_source.h"
#include "fakes/scratch.h"
#include "output_tools.h"
#include "render/document.h"
#include "render/layout.h"
#include "render/pdf_writer.h"
#include "render/values.h"

namespace cavra::render {
namespace {

const std::string kExamples = std::string(CAVRA_SOURCE_DIR) + "/examples/sales_order/";
const std::string kPages = std::string(CAVRA_SOURCE_DIR) + "/tests/render/pages/";
constexpr int kShortOrder = 1000001, kLongOrder = 1000002;

using testing::Cents;
using testing::FixedClockSource;
using testing::HavePoppler;
using testing::LastAmountOf;


// One voucher of the sample database: its print documents, page model and PDF.
struct Rendered {
  std::string style, data, pdf;
  PageModel model;
};

// The Base64 PNG of inventory A-1001 in the sample data: the host's logo here.
std::string ProductPicture() {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_file((kExamples + "voucher_pictures.xml").c_str()));
  pugi::xpath_node row = doc.select_node("//table[@name='AA_Picture']/row[@cPicName='数字压力表']");
  return row.node().attribute("Picture").value();
}

// All rendered once for the suite: preparing and writing take a while.
class RenderSample : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new testing::ScratchDir;
    auto db = OpenSqliteDataSource(*dir_ / "sample.db", true);
    ASSERT_TRUE(db.ok());
    auto tpl = LoadTemplateRecordset(**db, "17", 12);
    auto labels = ReadFixedLabelFile(kExamples + "labels.xml");
    ASSERT_TRUE(tpl.ok() && labels.ok());
    for (int id : {kShortOrder, kLongOrder}) {
      auto head = (*db)->QuerySql("select * from SO_SOMain where ID=?", {id});
      auto body = (*db)->QuerySql("select * from SO_SODetails where ID=? order by AutoID", {id});
      ASSERT_TRUE(head.ok() && body.ok());
      clsVoucherService svc;
      auto login = std::make_shared<testing::FakeLogin>();
      login->user_name = "王晓梅";
      svc.LoginObj(login);
      svc.SetDataSource(std::make_shared<FixedClockSource>(*db));
      svc.setTemplateData(*tpl);
      svc.setVoucherDataXML(RecordsetToRowset(**head), RecordsetToRowset(**body));
      svc.LogoPictureDataString(ProductPicture());
      Rendered& r = (*rendered_)[id];
      svc.PreParePrint(*tpl, *labels, r.style, r.data);
      StyleDocument style;
      DataDocument data;
      DocumentError error;
      ASSERT_TRUE(ReadStyleDocument(r.style, style, error)) << error.reason;
      ASSERT_TRUE(ReadDataDocument(r.data, data, error)) << error.reason;
      PangoMeasure measure;
      r.model = Layout(style, data, measure);
      r.pdf = (*dir_ / (std::to_string(id) + ".pdf")).string();
      std::string reason;
      ASSERT_TRUE(WritePdf(r.model, r.pdf, reason)) << reason;
      if (const char* keep = std::getenv("CAVRA_RENDER_KEEP"))  // a folder to look at the PDFs in
        std::filesystem::copy_file(r.pdf, std::filesystem::path(keep) / (std::to_string(id) + ".pdf"),
                                   std::filesystem::copy_options::overwrite_existing);
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    rendered_->clear();
  }

  static const Rendered& Order(int id) { return (*rendered_)[id]; }

  static testing::ScratchDir* dir_;
  static std::map<int, Rendered>* rendered_;
};

testing::ScratchDir* RenderSample::dir_ = nullptr;
std::map<int, Rendered>* RenderSample::rendered_ = new std::map<int, Rendered>;


// The 价税合计 of every line of the voucher in the examples, in cents, by irowno.
std::map<int, std::int64_t> SampleLineSums(int id) {
  pugi::xml_document doc;
  std::string file = kExamples + (id == kShortOrder ? "voucher.xml" : "voucher_long.xml");
  EXPECT_TRUE(doc.load_file(file.c_str()));
  std::map<int, std::int64_t> sums;
  for (pugi::xml_node t : doc.child("voucher-data").children("table"))
    if (std::string(t.attribute("name").value()) == "SO_SODetails")
      for (pugi::xml_node r : t.children("row")) {
        std::int64_t micros = -1;
        EXPECT_TRUE(ParseAmount(r.attribute("iSum").value(), micros));
        sums[r.attribute("irowno").as_int()] = micros / 10000;
      }
  return sums;
}

TEST_F(RenderSample, TheShortOrderOnOnePageWithItsPicturesAndBarcode) {
  const Rendered& r = Order(kShortOrder);
  ASSERT_EQ(r.model.pages.size(), 1u);
  const Page& page = r.model.pages[0];
  // the logo the host gives and the company picture stored under its GUID
  ASSERT_EQ(page.images.size(), 2u);
  EXPECT_EQ(page.images[0].bytes.substr(1, 3), "PNG");
  EXPECT_NE(page.images[0].bytes, page.images[1].bytes);
  for (const ImageItem& image : page.images) {
    EXPECT_EQ(image.mode, ScaleMode::KeepRatio);
    EXPECT_LE(image.box.x + image.box.w, r.model.width - 180 + 1e-6);  // moved onto the paper
  }
  ASSERT_EQ(page.barcodes.size(), 1u);
  EXPECT_EQ(page.barcodes[0].value, "SO2026120001");
  EXPECT_EQ(page.barcodes[0].standard, "CODE128");

  // Above the body nothing overlaps: fields, labels, pictures and the barcode
  // (the title's box runs to the right margin, its text does not: left out).
  std::vector<Rect> boxes;
  double bodyTop = 200 + 476;
  for (const TextItem& t : page.texts)
    if (t.box.y >= 200 && t.box.y < bodyTop && t.text != "销售订单") boxes.push_back(t.box);
  for (const ImageItem& i : page.images) boxes.push_back(i.box);
  for (const BarcodeItem& b : page.barcodes) boxes.push_back(b.box);
  EXPECT_GE(boxes.size(), 17u);
  for (std::size_t i = 0; i < boxes.size(); ++i)
    for (std::size_t j = i + 1; j < boxes.size(); ++j) {
      const Rect &a = boxes[i], &b = boxes[j];
      bool apart = a.x + a.w <= b.x + 0.5 || b.x + b.w <= a.x + 0.5 || a.y + a.h <= b.y + 0.5 ||
                   b.y + b.h <= a.y + 0.5;
      EXPECT_TRUE(apart) << i << " (" << a.x << "," << a.y << " " << a.w << "x" << a.h << ") and " << j
                         << " (" << b.x << "," << b.y << " " << b.w << "x" << b.h << ")";
    }

  if (!HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
  ASSERT_EQ(testing::PdfPages(r.pdf), 1);
  EXPECT_NE(testing::Sh("pdfinfo '" + r.pdf + "'").find("595.276 x 841.89 pts (A4)"), std::string::npos);
  std::string text = testing::PdfText(r.pdf, 1);
  for (const char* expected :
       {"华北示例贸易有限公司", "销售订单", "订单号：SO2026120001", "客户名称：华东精密仪器有限公司",
        "存货名称", "价税合计", "数字压力表", "50,624.00", "制单人：王晓梅"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("第\\s*1\\s*页"))) << text;  // the template's "第 %P 页"
  EXPECT_EQ(LastAmountOf(text, "本页小计"), 9847385);
  EXPECT_EQ(LastAmountOf(text, "小计"), 9847385);
  EXPECT_EQ(LastAmountOf(text, "合计"), 9847385);
  EXPECT_NE(text.find("玖万捌仟肆佰柒拾叁元捌角伍分"), std::string::npos) << text;
  // the quantity column's sum shows its two decimals, not the raw "417.5"
  EXPECT_NE(text.find("417.50"), std::string::npos);
}

TEST_F(RenderSample, TheLongOrderCarriesItsTotalsFromPageToPage) {
  if (!HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
  const Rendered& r = Order(kLongOrder);
  std::map<int, std::int64_t> expected = SampleLineSums(kLongOrder);
  ASSERT_EQ(expected.size(), 120u);
  int pages = testing::PdfPages(r.pdf);
  ASSERT_EQ(pages, static_cast<int>(r.model.pages.size()));
  ASSERT_GE(pages, 3);
  std::int64_t carried = 0, total = 0;
  for (const auto& [row, sum] : expected) total += sum;
  int next = 1;
  std::regex line("^\\s*(\\d+)\\s+(\\d+)\\s+[A-F]-\\d{4}\\s.*\\s([\\d,]+\\.\\d\\d)\\s+2026-12-\\d\\d\\s");
  for (int p = 1; p <= pages; ++p) {
    SCOPED_TRACE(p);
    std::string text = testing::PdfText(r.pdf, p);
    for (const char* each : {"销售订单", "订单号：SO2026120002", "存货编码", "价税合计", "制单人：王晓梅"})
      EXPECT_NE(text.find(each), std::string::npos) << each << "\n" << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("第\\s*" + std::to_string(p) + "\\s*页"))) << text;
    std::int64_t pageSum = 0;
    int rows = 0;
    std::istringstream in(text);
    std::smatch m;
    for (std::string l; std::getline(in, l);) {
      if (!std::regex_search(l, m, line)) continue;
      EXPECT_EQ(std::stoi(m[1]), next) << l;  // every line once, in order
      EXPECT_EQ(Cents(m[3]), expected[next]) << l;
      pageSum += Cents(m[3]);
      ++next;
      ++rows;
    }
    EXPECT_GT(rows, 0);
    carried += pageSum;
    EXPECT_EQ(LastAmountOf(text, "本页小计"), pageSum);
    EXPECT_EQ(LastAmountOf(text, "小计"), carried);
    bool last = p == pages;
    EXPECT_EQ(LastAmountOf(text, "合计"), last ? total : -1);
    EXPECT_EQ(text.find("元") != std::string::npos, last);  // the upper-case total under the last table
    if (last) {                                             // whole, not clipped by its one-line box
      EXPECT_NE(text.find(UpperMoney(total * 10000)), std::string::npos) << UpperMoney(total * 10000) << text;
    }
  }
  EXPECT_EQ(next, 121);
  EXPECT_EQ(carried, total);
}

// Pixels of a PNG as ARGB words; empty when it cannot be read.
std::vector<std::uint32_t> ReadPng(const std::string& file, int& w, int& h) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(file.c_str());
  std::vector<std::uint32_t> px;
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(s);
    w = cairo_image_surface_get_width(s);
    h = cairo_image_surface_get_height(s);
    int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    for (int y = 0; y < h; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
      px.insert(px.end(), row, row + w);
    }
  }
  cairo_surface_destroy(s);
  return px;
}

// Share of pixels whose grey level differs by more than a quarter.
double Difference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  auto grey = [](std::uint32_t p) { return ((p >> 16 & 255) + (p >> 8 & 255) + (p & 255)) / 3; };
  std::size_t off = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::abs(static_cast<int>(grey(a[i])) - static_cast<int>(grey(b[i]))) > 64) ++off;
  return a.empty() ? 1.0 : static_cast<double>(off) / static_cast<double>(a.size());
}

TEST_F(RenderSample, PagesLookLikeTheReviewedImages) {
  if (!HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
  const bool update = std::getenv("CAVRA_UPDATE_GOLDEN") != nullptr;
  struct Image {
    int order, page;
    const char* name;
  } images[] = {{kShortOrder, 1, "sales_order"},
                {kLongOrder, 1, "sales_order_long-1"},
                {kLongOrder, 2, "sales_order_long-2"}};
  for (const Image& image : images) {
    SCOPED_TRACE(image.name);
    std::string out = (*dir_ / image.name).string(), n = std::to_string(image.page);
    testing::Sh("pdftoppm -png -r 40 -singlefile -f " + n + " -l " + n + " '" + Order(image.order).pdf + "' '" +
          out + "'");
    std::string reviewed = kPages + image.name + ".png";
    if (update) {
      std::filesystem::create_directories(kPages);
      std::filesystem::copy_file(out + ".png", reviewed, std::filesystem::copy_options::overwrite_existing);
    }
    int w = 0, h = 0, rw = 0, rh = 0;
    std::vector<std::uint32_t> now = ReadPng(out + ".png", w, h), then = ReadPng(reviewed, rw, rh);
    ASSERT_FALSE(now.empty());
    ASSERT_FALSE(then.empty()) << "no reviewed image " << reviewed;
    ASSERT_EQ(w, rw);
    ASSERT_EQ(h, rh);
    // Anti-aliasing may move a few pixels; a moved line or a missing column moves thousands.
    EXPECT_LT(Difference(now, then), 0.002);
  }
}

}  // namespace
}  // namespace cavra::render
