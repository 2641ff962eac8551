// Pictures (PNG and JPEG bytes): recognising them from their header and the
// rectangle they are drawn in, shared by the PDF and HTML writers.
//
// A picture's natural size is its pixel size at 96 pixels per inch (one pixel
// is 254/96 tenths of a millimetre); densities written in the file are not
// read. In its box (缩放模式):
//   原始大小 Original   natural size
//   自动放大 Enlarge    enlarged in proportion to fit the box when smaller than it in
//                       both directions, else natural size
//   自动缩小 Shrink     shrunk in proportion to fit the box when larger than it in
//                       either direction, else natural size
//   按图比例缩放 KeepRatio  scaled in proportion, up or down, to fit the box
//   按框比例缩放 Stretch    scaled to fill the box, proportions lost
// It sits at the box's left edge, or its right edge with 图片居右, centred
// vertically, and is clipped to the box.
//
// Bad input: bytes that are neither PNG nor JPEG, a header without a size, or
// a picture over kMaxPicturePixels pixels (or over kMaxPictureSide on a side)
// are refused from the header alone, before anything is decoded or allocated:
// their box is left empty. The limit allows a 24-megapixel photograph; a
// decoded picture within it takes at most 96 MB.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "render/layout.h"

namespace cavra::render {

constexpr std::uint64_t kMaxPicturePixels = 24'000'000;
constexpr std::uint32_t kMaxPictureSide = 16'000;

enum class PictureFormat { None, Png, Jpeg };

struct PictureInfo {
  PictureFormat format = PictureFormat::None;  // None: refused, see reason
  std::uint32_t width = 0, height = 0;         // pixels
  std::string reason;
};

// Reads the format and size from the header; refuses pictures over the limits.
PictureInfo ProbePicture(std::string_view bytes);

// The MIME type of a recognised format ("image/png", "image/jpeg"), else "".
const char* MimeType(PictureFormat format);

// Where a picture of the given pixel size is drawn for box, mode and alignRight.
Rect PictureRect(const Rect& box, std::uint32_t width, std::uint32_t height, ScaleMode mode, bool alignRight);

}  // namespace cavra::render
