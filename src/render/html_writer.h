// HTML output: one self-contained file per job that a browser prints as the
// same pages as the PDF. No scripts, no network: fonts are asked for by name
// (the family lists of FontFamilies), pictures are inline data URLs, barcodes
// and lines inline SVG.
//
// Each page is an absolutely positioned box of the paper's size, the pages
// separated by page breaks, with "@page { size: W H; margin: 0 }". Texts sit in
// their boxes as the PDF draws them: wrapped at the box's width less padding,
// centred vertically (from the top when taller) and clipped to the box; items
// come in the PDF's drawing order (pictures, lines, barcodes, texts). All
// text is escaped; invalid UTF-8 and control characters show as U+FFFD.
//
// Pages are written as they come, so a long voucher is never held whole:
//   HtmlWriter html;
//   if (!html.Open(path, width, height)) ... html.reason()
//   html.AddPage(page); ...
//   if (!html.Finish()) ... html.reason()
#pragma once

#include <memory>
#include <string>

#include "render/layout.h"

namespace cavra::render {

class HtmlWriter {
 public:
  HtmlWriter();
  ~HtmlWriter();
  HtmlWriter(const HtmlWriter&) = delete;
  HtmlWriter& operator=(const HtmlWriter&) = delete;

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

// Writes the pages to an HTML file; false with the reason when it cannot.
bool WriteHtml(const PageModel& model, const std::string& path, std::string& reason);

}  // namespace cavra::render
