// Barcodes as vector shapes, encoded by libzint and scaled into the item's
// box, for every writer to draw the same way.
//
// Standards (编码标准, compared without case, "-", "_" and blanks): CODE128,
// CODE39, EAN-13 (12 digits, or 13 with a correct check digit), EAN-8 (7 or 8
// digits) and PDF417; the column marks' numbers 0 to 4 name them in that order.
// 编码格式 is not interpreted.
//
// Geometry: the symbol keeps its quiet zones. A linear symbol fills the box's
// width and, above a line of human-readable text in the item's font (left out
// when it would take over a third of the box), its height. A PDF417 symbol
// keeps its proportions, centred in the box, without text.
//
// A value its standard cannot encode (EAN-13 with letters, CODE128 with
// Chinese, a value over 2,000 bytes), or an unknown standard, gives no bars:
// the box is framed by a thin line and shows the value as text, so that the
// page says what should have been there. An empty value or box draws nothing.
#pragma once

#include <string>
#include <vector>

#include "render/layout.h"

namespace cavra::render {

struct BarcodeShape {
  bool encoded = false;          // false: the frame and the value as text
  std::string reason;            // why it was not encoded
  std::vector<Rect> bars;        // filled, in page coordinates
  std::vector<TextItem> labels;  // human-readable text, or the value that was not encoded
};

BarcodeShape ShapeBarcode(const BarcodeItem& item);

}  // namespace cavra::render
