// PDF output through cairo and pango. Font names map to installed faces
// through fontconfig, with Noto CJK behind every name so that Chinese text
// always finds glyphs: 宋体, 新宋体, 仿宋 and 楷体 (and their Latin names) ask
// for Noto Serif CJK SC, 黑体 and 微软雅黑 for Noto Sans CJK SC, and any other
// name (Tahoma, or one not installed) for itself, then Noto Sans CJK SC.
// cairo embeds every face as a subset.
#pragma once

#include <memory>
#include <string>

#include "render/layout.h"

namespace cavra::render {

// Measures with the same font set-up the writer draws with.
class PangoMeasure : public TextMeasure {
 public:
  PangoMeasure();
  ~PangoMeasure() override;
  PangoMeasure(const PangoMeasure&) = delete;
  PangoMeasure& operator=(const PangoMeasure&) = delete;
  double Height(const std::string& text, const Font& font, double width) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The pango font family list for a font name.
std::string FontFamilies(const std::string& name);

// A PDF file written page by page. Each page draws its pictures (render/picture.h),
// then its lines, barcodes (render/barcode.h) and texts, so that text is never
// under a picture; a picture used again is decoded and embedded once.
//
//   PdfWriter pdf;
//   if (!pdf.Open(path, width, height)) ... pdf.reason()
//   pdf.AddPage(page); ...
//   if (!pdf.Finish()) ... pdf.reason()
class PdfWriter {
 public:
  PdfWriter();
  ~PdfWriter();
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  // Paper size in tenths of a millimetre.
  bool Open(const std::string& path, double width, double height);
  void AddPage(const Page& page);
  bool Finish();
  const std::string& reason() const { return reason_; }

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::string reason_;
};

// Writes the pages to a PDF file; false with the reason when it cannot.
bool WritePdf(const PageModel& model, const std::string& path, std::string& reason);

// Frees the process-wide caches of fontconfig, cairo and pango, so that a leak
// checker at exit sees only real leaks. For a test program about to end: every
// writer and measure must be gone (cairo aborts on a font still in use), and
// nothing may render afterwards.
void ReleaseFontCaches();

}  // namespace cavra::render
