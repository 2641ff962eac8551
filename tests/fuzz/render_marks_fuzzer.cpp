// Barcodes and pictures as the renderer shapes and places them, on values and
// bytes from anywhere. Input: a first byte choosing the barcode standard (or,
// from 5 on, a picture), the rest the value or the picture's bytes.
//
// Checked beyond not crashing: every bar and label is finite and inside the
// item's box; a picture the header check accepts is within the size limits,
// and the modes that fit a picture to its box keep it inside the box.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "render/barcode.h"
#include "render/picture.h"

namespace {

using cavra::render::Rect;

bool Inside(const Rect& r, const Rect& box) {
  constexpr double e = 1e-6;
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.w) && std::isfinite(r.h) && r.w >= -e &&
         r.h >= -e && r.x >= box.x - e && r.y >= box.y - e && r.x + r.w <= box.x + box.w + e &&
         r.y + r.h <= box.y + box.h + e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const Rect box{100, 200, 10 + data[0] % 7 * 150.0, 5 + data[0] % 5 * 80.0};
  static const char* const kStandards[] = {"CODE128", "CODE39", "EAN-13", "EAN-8", "PDF417"};
  if (data[0] % 8 < 5) {
    cavra::render::BarcodeItem item;
    item.box = box;
    item.standard = kStandards[data[0] % 8];
    item.value = std::string(rest);
    cavra::render::BarcodeShape shape = cavra::render::ShapeBarcode(item);
    for (const Rect& bar : shape.bars)
      if (!Inside(bar, box)) cavra::fuzz::Fail("a bar outside its box");
    for (const auto& label : shape.labels)
      if (!Inside(label.box, box)) cavra::fuzz::Fail("a barcode label outside its box");
    if (!shape.encoded && shape.bars.size() > 4) cavra::fuzz::Fail("more than a frame for a value not encoded");
    return 0;
  }
  cavra::render::PictureInfo info = cavra::render::ProbePicture(rest);
  if (info.format == cavra::render::PictureFormat::None) {
    if (info.reason.empty()) cavra::fuzz::Fail("a refused picture without a reason");
    return 0;
  }
  if (info.width == 0 || info.height == 0 || info.width > cavra::render::kMaxPictureSide ||
      info.height > cavra::render::kMaxPictureSide ||
      std::uint64_t{info.width} * info.height > cavra::render::kMaxPicturePixels)
    cavra::fuzz::Fail("a picture accepted outside the limits");
  using cavra::render::ScaleMode;
  for (ScaleMode mode : {ScaleMode::Shrink, ScaleMode::KeepRatio, ScaleMode::Stretch})
    for (bool right : {false, true})
      if (!Inside(cavra::render::PictureRect(box, info.width, info.height, mode, right), box))
        cavra::fuzz::Fail("a fitted picture outside its box");
  return 0;
}
