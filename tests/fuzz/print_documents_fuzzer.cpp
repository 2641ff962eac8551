// The print documents as the renderer reads and lays them out. Input: the
// style document, a NUL byte, the data document.
//
// Checked beyond not crashing: documents that read give at least one page,
// never more pages than a page per line plus two per body group (times the
// columns when tiled), and every
// box on them is finite.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "render/document.h"
#include "render/layout.h"

namespace {

// Ten wide, twenty high per character: wrapping without fonts.
class CharMeasure : public cavra::render::TextMeasure {
 public:
  double Height(const std::string& text, const cavra::render::Font&, double width) override {
    double perLine = std::max(1.0, std::floor(width / 10));
    return 20 * std::ceil(std::max<double>(1, static_cast<double>(text.size())) / perLine);
  }
};

bool Finite(const cavra::render::Rect& r) {
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.w) && std::isfinite(r.h);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  std::size_t nul = all.find('\0');
  std::string_view styleText = all.substr(0, nul);
  std::string_view dataText = nul == std::string_view::npos ? std::string_view() : all.substr(nul + 1);

  cavra::render::StyleDocument style;
  cavra::render::DataDocument doc;
  cavra::render::DocumentError error;
  if (!cavra::render::ReadStyleDocument(styleText, style, error)) {
    if (error.code == 0 || error.reason.empty()) cavra::fuzz::Fail("a refused style without code or reason");
    return 0;
  }
  if (!cavra::render::ReadDataDocument(dataText, doc, error)) return 0;
  CharMeasure measure;
  cavra::render::PageModel model = cavra::render::Layout(style, doc, measure);
  std::size_t bound = 1, columns = style.body.colWidths.size();
  for (const auto& task : doc.tasks) {
    columns = std::max(columns, task.columnTitles.size());
    for (const auto& row : task.tailRows) columns = std::max(columns, row.size());
    for (const auto& group : task.groups) {
      bound += group.size() + 2;
      for (const auto& row : group) columns = std::max(columns, row.cells.size());
    }
  }
  if (style.tiling) bound *= std::max<std::size_t>(1, columns);  // a sheet per column at most
  if (model.pages.empty() || model.pages.size() > bound)
    cavra::fuzz::Fail("page count " + std::to_string(model.pages.size()) + " outside 1.." +
                      std::to_string(bound));
  for (const auto& page : model.pages) {
    for (const auto& t : page.texts)
      if (!Finite(t.box)) cavra::fuzz::Fail("a text box that is not finite");
    for (const auto& l : page.lines)
      if (!std::isfinite(l.x1 + l.y1 + l.x2 + l.y2 + l.width)) cavra::fuzz::Fail("a line that is not finite");
  }
  return 0;
}
