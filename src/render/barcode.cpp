#include "render/barcode.h"

#include <zint.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace cavra::render {
namespace {

constexpr std::size_t kMaxValueBytes = 2000;
constexpr std::size_t kMaxShownBytes = 200;
constexpr double kFrame = 2;                       // tenths of a millimetre
constexpr double kLineHeight = 254.0 / 72 * 1.25;  // tenths per point of font size, with leading

enum class Standard { Unknown, Code128, Code39, Ean13, Ean8, Pdf417 };

Standard Parse(const std::string& name) {
  std::string key;
  for (char c : name)
    if (c != '-' && c != '_' && c != ' ') key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (key == "CODE128" || key == "0") return Standard::Code128;
  if (key == "CODE39" || key == "1") return Standard::Code39;
  if (key == "EAN13" || key == "2") return Standard::Ean13;
  if (key == "EAN8" || key == "3") return Standard::Ean8;
  if (key == "PDF417" || key == "4") return Standard::Pdf417;
  return Standard::Unknown;
}

bool AllDigits(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The zint symbology for the value, 0 when the standard cannot take it. EAN
// lengths are checked here: zint would otherwise pick another EAN size.
int Symbology(Standard standard, const std::string& value, std::string& reason) {
  switch (standard) {
    case Standard::Code128: return BARCODE_CODE128;
    case Standard::Code39: return BARCODE_CODE39;
    case Standard::Pdf417: return BARCODE_PDF417;
    case Standard::Ean13:
    case Standard::Ean8: {
      const std::size_t n = standard == Standard::Ean13 ? 12 : 7;
      if (!AllDigits(value) || (value.size() != n && value.size() != n + 1)) {
        reason = "an EAN-" + std::to_string(n + 1) + " value is " + std::to_string(n) + " or " +
                 std::to_string(n + 1) + " digits";
        return 0;
      }
      return value.size() == n ? BARCODE_EANX : BARCODE_EANX_CHK;
    }
    case Standard::Unknown: break;
  }
  reason = "unknown barcode standard";
  return 0;
}

// Cuts text to at most max bytes without splitting a UTF-8 sequence.
std::string Shown(const std::string& text, std::size_t max) {
  if (text.size() <= max) return text;
  std::size_t end = max;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end) + "…";
}

void Unencoded(const BarcodeItem& item, BarcodeShape& shape) {
  const Rect& b = item.box;
  const double t = std::min({kFrame, b.w / 2, b.h / 2});
  shape.bars = {{b.x, b.y, b.w, t}, {b.x, b.y + b.h - t, b.w, t}, {b.x, b.y, t, b.h}, {b.x + b.w - t, b.y, t, b.h}};
  TextItem label;
  label.box = b;
  label.text = Shown(item.value, kMaxShownBytes);
  label.font = item.font;
  label.align = Align::Center;
  label.padding = 2 * t;
  shape.labels.push_back(std::move(label));
}

struct SymbolDeleter {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

}  // namespace

BarcodeShape ShapeBarcode(const BarcodeItem& item) {
  BarcodeShape shape;
  const Rect& box = item.box;
  if (item.value.empty() || !(box.w > 0) || !(box.h > 0)) return shape;
  const Standard standard = Parse(item.standard);
  int symbology = 0;
  if (item.value.size() > kMaxValueBytes)
    shape.reason = "a barcode value is at most " + std::to_string(kMaxValueBytes) + " bytes";
  else
    symbology = Symbology(standard, item.value, shape.reason);
  std::unique_ptr<zint_symbol, SymbolDeleter> symbol;
  if (symbology != 0) {
    symbol.reset(ZBarcode_Create());
    if (!symbol) shape.reason = "out of memory";
  }
  if (symbol) {
    symbol->symbology = symbology;
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = 0;  // the text is drawn in the item's font below
    symbol->output_options |= BARCODE_QUIET_ZONES;
    const auto* data = reinterpret_cast<const unsigned char*>(item.value.data());
    const int rc = ZBarcode_Encode_and_Buffer_Vector(symbol.get(), data, static_cast<int>(item.value.size()), 0);
    if (rc >= ZINT_ERROR || !symbol->vector || !(symbol->vector->width > 0) || !(symbol->vector->height > 0)) {
      shape.reason = symbol->errtxt[0] ? symbol->errtxt : "the value cannot be encoded";
      symbol.reset();
    }
  }
  if (!symbol) {
    Unencoded(item, shape);
    return shape;
  }
  shape.encoded = true;
  const zint_vector& v = *symbol->vector;
  double sx = box.w / v.width, sy = 0, left = box.x, top = box.y;
  if (standard == Standard::Pdf417) {
    sx = sy = std::min(box.w / v.width, box.h / v.height);
    left += (box.w - v.width * sx) / 2;
    top += (box.h - v.height * sy) / 2;
  } else {
    const std::string text = reinterpret_cast<const char*>(symbol->text);
    const double band = item.font.size * kLineHeight;
    double barsH = box.h;
    if (!text.empty() && band <= box.h / 3) {
      barsH -= band;
      TextItem label;
      label.box = {box.x, box.y + barsH, box.w, band};
      label.text = text;
      label.font = item.font;
      label.align = Align::Center;
      shape.labels.push_back(std::move(label));
    }
    sy = barsH / v.height;
  }
  for (const zint_vector_rect* r = v.rectangles; r; r = r->next)
    if (r->colour == -1 || r->colour == 7)  // foreground, or black
      shape.bars.push_back({left + r->x * sx, top + r->y * sy, r->width * sx, r->height * sy});
  return shape;
}

}  // namespace cavra::render
