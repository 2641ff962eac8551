#include "render/picture.h"

#include <algorithm>

namespace cavra::render {
namespace {

constexpr double kTenthsPerPixel = 254.0 / 96;

std::uint32_t Be16(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at]) << 8 | static_cast<unsigned char>(b[at + 1]));
}

std::uint32_t Be32(std::string_view b, std::size_t at) { return Be16(b, at) << 16 | Be16(b, at + 2); }

bool ReadPng(std::string_view b, PictureInfo& info) {
  static constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
  if (b.substr(0, 8) != kSignature) return false;
  if (b.size() < 24 || b.substr(12, 4) != "IHDR") {
    info.reason = "a PNG picture without its header";
    return true;
  }
  info.format = PictureFormat::Png;
  info.width = Be32(b, 16);
  info.height = Be32(b, 20);
  return true;
}

// The size from the first start-of-frame segment.
bool ReadJpeg(std::string_view b, PictureInfo& info) {
  if (b.size() < 3 || b.substr(0, 3) != "\xff\xd8\xff") return false;
  for (std::size_t at = 2; at + 4 <= b.size();) {
    if (static_cast<unsigned char>(b[at]) != 0xFF) break;
    const unsigned char marker = static_cast<unsigned char>(b[at + 1]);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length
      at += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) break;  // image data before any frame header
    const std::size_t length = Be16(b, at + 2);
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 7 || at + 9 > b.size()) break;
      info.format = PictureFormat::Jpeg;
      info.height = Be16(b, at + 5);
      info.width = Be16(b, at + 7);
      return true;
    }
    if (length < 2) break;
    at += 2 + length;
  }
  info.reason = "a JPEG picture without a frame header";
  return true;
}

}  // namespace

PictureInfo ProbePicture(std::string_view bytes) {
  PictureInfo info;
  if (!ReadPng(bytes, info) && !ReadJpeg(bytes, info)) {
    info.reason = "not a PNG or JPEG picture";
    return info;
  }
  if (info.format == PictureFormat::None) return info;
  const std::uint64_t pixels = static_cast<std::uint64_t>(info.width) * info.height;
  if (info.width == 0 || info.height == 0)
    info.reason = "a picture without pixels";
  else if (info.width > kMaxPictureSide || info.height > kMaxPictureSide || pixels > kMaxPicturePixels)
    info.reason = "a picture of " + std::to_string(info.width) + " x " + std::to_string(info.height) +
                  " pixels is over the limit of " + std::to_string(kMaxPicturePixels) + " pixels";
  if (!info.reason.empty()) info.format = PictureFormat::None;
  return info;
}

const char* MimeType(PictureFormat format) {
  switch (format) {
    case PictureFormat::Png: return "image/png";
    case PictureFormat::Jpeg: return "image/jpeg";
    case PictureFormat::None: break;
  }
  return "";
}

Rect PictureRect(const Rect& box, std::uint32_t width, std::uint32_t height, ScaleMode mode, bool alignRight) {
  const double w = width * kTenthsPerPixel, h = height * kTenthsPerPixel;
  double scale = 1, sx = 0, sy = 0;
  if (w > 0 && h > 0) {
    const double fit = std::min(box.w / w, box.h / h);
    switch (mode) {
      case ScaleMode::Original: break;
      case ScaleMode::Enlarge: scale = (w < box.w && h < box.h) ? fit : 1; break;
      case ScaleMode::Shrink: scale = (w > box.w || h > box.h) ? fit : 1; break;
      case ScaleMode::KeepRatio: scale = fit; break;
      case ScaleMode::Stretch:
        sx = box.w / w;
        sy = box.h / h;
        break;
    }
  }
  if (mode != ScaleMode::Stretch) sx = sy = scale;
  Rect r;
  r.w = w * sx;
  r.h = h * sy;
  r.x = alignRight ? box.x + box.w - r.w : box.x;
  r.y = box.y + (box.h - r.h) / 2;
  return r;
}

}  // namespace cavra::render
