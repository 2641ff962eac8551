// Pictures: recognised and sized from their header, refused when too large
// before anything is allocated, and drawn into the PDF where the scale mode
// puts them (PNG re-encoded, JPEG embedded as it is).
#include <cairo-pdf.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "fakes/scratch.h"
#include "output_tools.h"
#include "render/html_writer.h"
#include "render/pdf_writer.h"
#include "render/picture.h"

namespace cavra::render {
namespace {

using cavra::testing::Have;
using cavra::testing::PdfPages;
using cavra::testing::PdfText;
using cavra::testing::PixelAt;
using cavra::testing::ReadFile;
using cavra::testing::ScratchDir;
using cavra::testing::Sh;
using cavra::testing::SolidPng;

std::string Be32(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

// A PNG signature and header claiming a size, with no pixel data after it.
std::string PngHeader(std::uint32_t w, std::uint32_t h) {
  return std::string("\x89PNG\r\n\x1a\n", 8) + Be32(13) + "IHDR" + Be32(w) + Be32(h) + std::string("\x08\x02\0\0\0", 5);
}

// A JPEG start, an application segment and a frame header claiming a size.
std::string JpegHeader(std::uint16_t w, std::uint16_t h, char frame = '\xC2') {
  return std::string("\xFF\xD8\xFF\xE0\x00\x06JFIF\xFF\xFF", 12) + '\xFF' + frame + std::string("\x00\x0B\x08", 3) +
         static_cast<char>(h >> 8) + static_cast<char>(h) + static_cast<char>(w >> 8) + static_cast<char>(w) +
         std::string("\x01\x01\x11\x00", 4);
}

// A real JPEG, made by poppler from a PDF of one colour; "" without poppler.
std::string SolidJpeg(const ScratchDir& dir) {
  if (!Have("pdftoppm")) return "";
  const std::string pdf = (dir / "blue.pdf").string();
  cairo_surface_t* s = cairo_pdf_surface_create(pdf.c_str(), 30, 15);  // 30 x 15 pixels at 72 dpi
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 0, 0, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  Sh("pdftoppm -r 72 -jpeg -singlefile '" + pdf + "' '" + (dir / "blue").string() + "'");
  return ReadFile(dir / "blue.jpg");
}

TEST(RenderPicture, TheHeaderGivesFormatAndSizeAndRefusesBadOrHugePictures) {
  ScratchDir dir;
  struct Case {
    const char* what;
    std::string bytes;
    PictureFormat format;
    std::uint32_t w, h;
  };
  std::string png = SolidPng(40, 20, 1, 0, 0);
  const Case cases[] = {
      {"png", png, PictureFormat::Png, 40, 20},
      {"png header only", PngHeader(300, 200), PictureFormat::Png, 300, 200},
      {"jpeg, progressive frame after fill bytes", JpegHeader(640, 480), PictureFormat::Jpeg, 640, 480},
      {"jpeg, baseline frame", JpegHeader(7, 9, '\xC0'), PictureFormat::Jpeg, 7, 9},
      {"at the pixel limit", PngHeader(6000, 4000), PictureFormat::Png, 6000, 4000},
      {"20,000 x 20,000 png", PngHeader(20000, 20000), PictureFormat::None, 0, 0},
      {"20,000 x 20,000 jpeg", JpegHeader(20000, 20000), PictureFormat::None, 0, 0},
      {"over the pixel limit", PngHeader(6000, 4001), PictureFormat::None, 0, 0},
      {"one side too long", PngHeader(16001, 10), PictureFormat::None, 0, 0},
      {"no pixels", PngHeader(0, 10), PictureFormat::None, 0, 0},
      {"sizes that overflow 32 bits", PngHeader(0xFFFFFFFF, 0xFFFFFFFF), PictureFormat::None, 0, 0},
      {"not a picture", "GIF89a not supported either", PictureFormat::None, 0, 0},
      {"empty", "", PictureFormat::None, 0, 0},
      {"png cut in its header", png.substr(0, 20), PictureFormat::None, 0, 0},
      {"jpeg without a frame", std::string("\xFF\xD8\xFF\xDA\x00\x02", 6), PictureFormat::None, 0, 0},
      {"jpeg cut short", JpegHeader(640, 480).substr(0, 18), PictureFormat::None, 0, 0},
      {"jpeg with a zero segment length", std::string("\xFF\xD8\xFF\xE0\x00\x00", 6), PictureFormat::None, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PictureInfo info = ProbePicture(c.bytes);
    EXPECT_EQ(info.format, c.format);
    EXPECT_EQ(info.reason.empty(), c.format != PictureFormat::None) << info.reason;
    if (c.format == PictureFormat::None) continue;
    EXPECT_EQ(info.width, c.w);
    EXPECT_EQ(info.height, c.h);
  }
  EXPECT_NE(ProbePicture(PngHeader(20000, 20000)).reason.find("20000 x 20000"), std::string::npos);
  if (std::string jpeg = SolidJpeg(dir); !jpeg.empty()) {
    PictureInfo info = ProbePicture(jpeg);
    EXPECT_EQ(info.format, PictureFormat::Jpeg);
    EXPECT_EQ(info.width, 30u);
    EXPECT_EQ(info.height, 15u);
  }
}

TEST(RenderPicture, EveryScaleModePlacesThePicture) {
  const Rect box{100, 200, 1000, 500};
  const double px = 254.0 / 96;  // tenths of a millimetre per pixel
  struct Case {
    const char* what;
    std::uint32_t w, h;
    ScaleMode mode;
    double drawnW, drawnH;
  };
  const Case cases[] = {
      {"original, small", 100, 50, ScaleMode::Original, 100 * px, 50 * px},
      {"original, large", 1000, 100, ScaleMode::Original, 1000 * px, 100 * px},
      {"enlarge, small", 100, 50, ScaleMode::Enlarge, 1000, 500},
      {"enlarge, wider than the box", 500, 20, ScaleMode::Enlarge, 500 * px, 20 * px},
      {"shrink, small", 100, 50, ScaleMode::Shrink, 100 * px, 50 * px},
      {"shrink, wider than the box", 1000, 100, ScaleMode::Shrink, 1000, 100 * 1000.0 / 1000},
      {"shrink, taller than the box", 100, 400, ScaleMode::Shrink, 125, 500},
      {"keep ratio, small", 50, 100, ScaleMode::KeepRatio, 250, 500},
      {"keep ratio, large", 4000, 1000, ScaleMode::KeepRatio, 1000, 250},
      {"stretch", 30, 300, ScaleMode::Stretch, 1000, 500},
  };
  for (const Case& c : cases) {
    for (bool right : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (right ? ", right" : ""));
      Rect r = PictureRect(box, c.w, c.h, c.mode, right);
      EXPECT_NEAR(r.w, c.drawnW, 1e-6);
      EXPECT_NEAR(r.h, c.drawnH, 1e-6);
      EXPECT_NEAR(r.y + r.h / 2, box.y + box.h / 2, 1e-6);  // centred vertically
      if (right)
        EXPECT_NEAR(r.x + r.w, box.x + box.w, 1e-6);
      else
        EXPECT_NEAR(r.x, box.x, 1e-6);
    }
  }
}

// pdfimages -list rows: page, width, height, encoding and object number.
std::vector<std::string> Images(const std::string& pdf) {
  std::istringstream in(Sh("pdfimages -list '" + pdf + "'"));
  std::vector<std::string> rows;
  std::string line;
  std::getline(in, line);
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream cols(line);
    std::vector<std::string> c{std::istream_iterator<std::string>(cols), std::istream_iterator<std::string>()};
    if (c.size() >= 11) rows.push_back(c[0] + " " + c[3] + "x" + c[4] + " " + c[8] + " obj " + c[10]);
  }
  return rows;
}

TEST(RenderPicture, PngAndJpegInThePdfWhereTheirModeSaysAndBadOnesLeaveTheirBoxEmpty) {
  if (!Have("pdfimages pdftoppm pdftotext")) GTEST_SKIP() << "poppler-utils is not installed";
  ScratchDir dir;
  const std::string red = SolidPng(40, 20, 1, 0, 0), blue = SolidJpeg(dir);
  ASSERT_FALSE(blue.empty());
  const std::string pdf = (dir / "pictures.pdf").string();
  PdfWriter writer;
  ASSERT_TRUE(writer.Open(pdf, 1000, 1000));  // 100 mm square
  Page first;
  first.images.push_back({{0, 0, 500, 200}, red, ScaleMode::KeepRatio, true});     // right half of the box
  first.images.push_back({{0, 500, 1000, 200}, blue, ScaleMode::Stretch, false});  // the whole box
  first.images.push_back({{0, 800, 500, 100}, "not a picture", ScaleMode::Stretch, false});
  first.images.push_back({{500, 800, 500, 100}, PngHeader(20000, 20000), ScaleMode::Stretch, false});
  first.texts.push_back({{0, 900, 1000, 100}, "图片之后", Font{}, Align::Left, 0});
  writer.AddPage(first);
  Page second;  // the same picture again: embedded once
  second.images.push_back({{0, 0, 500, 200}, red, ScaleMode::Original, false});
  writer.AddPage(second);
  ASSERT_TRUE(writer.Finish()) << writer.reason();
  ASSERT_EQ(PdfPages(pdf), 2);
  EXPECT_NE(PdfText(pdf, 1).find("图片之后"), std::string::npos);

  std::vector<std::string> images = Images(pdf);
  ASSERT_EQ(images.size(), 3u);
  EXPECT_EQ(images[0].substr(0, images[0].find(" obj")), "1 40x20 image");  // PNG: decoded, re-compressed
  EXPECT_EQ(images[1].substr(0, images[1].find(" obj")), "1 30x15 jpeg");   // JPEG: its own bytes
  EXPECT_EQ(images[2].substr(0, images[2].find(" obj")), "2 40x20 image");
  EXPECT_EQ(images[0].substr(images[0].find(" obj")), images[2].substr(images[2].find(" obj")));

  // At 254 dpi one pixel is a tenth of a millimetre.
  const std::string png = (dir / "page").string();
  Sh("pdftoppm -r 254 -png -f 1 -l 1 -singlefile '" + pdf + "' '" + png + "'");
  EXPECT_EQ(PixelAt(png + ".png", 400, 100), 0xFF0000);  // red in the right half
  EXPECT_EQ(PixelAt(png + ".png", 90, 100), 0xFFFFFF);  // white left of it: 400 wide, from 100
  EXPECT_EQ(PixelAt(png + ".png", 110, 100), 0xFF0000);
  EXPECT_EQ(PixelAt(png + ".png", 10, 510) & 0x0000F0, 0x0000F0);  // the JPEG stretched over its box
  EXPECT_EQ(PixelAt(png + ".png", 990, 690) & 0x0000F0, 0x0000F0);
  EXPECT_EQ(PixelAt(png + ".png", 250, 850), 0xFFFFFF);  // refused pictures: empty boxes
  EXPECT_EQ(PixelAt(png + ".png", 750, 850), 0xFFFFFF);
}

TEST(RenderPicture, HtmlCarriesThePictureInlineAndDropsBadOnes) {
  ScratchDir dir;
  const std::string red = SolidPng(40, 20, 1, 0, 0);
  Page page;
  page.images.push_back({{0, 0, 500, 200}, red, ScaleMode::KeepRatio, true});
  page.images.push_back({{0, 500, 500, 200}, PngHeader(20000, 20000), ScaleMode::Stretch, false});
  page.images.push_back({{0, 700, 500, 200}, "<script>", ScaleMode::Stretch, false});
  PageModel model{1000, 1000, {page}};
  std::string reason;
  ASSERT_TRUE(WriteHtml(model, (dir / "p.html").string(), reason)) << reason;
  std::string html = ReadFile(dir / "p.html");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(html, m, std::regex("<img[^>]*src=\"data:image/png;base64,([A-Za-z0-9+/=]+)\"")));
  // The decoded picture is the PNG given.
  const std::string b64 = m[1];
  std::string decoded;
  unsigned bits = 0, n = 0;
  const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (char c : b64) {
    if (c == '=') break;
    bits = bits << 6 | static_cast<unsigned>(digits.find(c));
    if ((n += 6) >= 8) decoded += static_cast<char>(bits >> (n -= 8) & 0xFF);
  }
  EXPECT_EQ(decoded, red);
  EXPECT_EQ(html.find("<img", m.position(0) + 1), std::string::npos);  // one picture only
  EXPECT_EQ(html.find("<script"), std::string::npos);
}

}  // namespace
}  // namespace cavra::render
