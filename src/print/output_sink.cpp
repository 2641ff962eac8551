#include "print/output_sink.h"

#include <cerrno>
#include <cstring>

#include "cavra/error.h"

namespace cavra {
namespace {
constexpr char32_t kReplacement = 0xFFFD;
}  // namespace

Utf16FileSink::Utf16FileSink(const std::filesystem::path& path) : path_(path) {
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) Fail("cannot create");
  static constexpr unsigned char kBom[] = {0xFF, 0xFE};
  if (std::fwrite(kBom, 1, sizeof kBom, file_) != sizeof kBom) Fail("cannot write");
}

Utf16FileSink::~Utf16FileSink() {
  if (file_) std::fclose(file_);
}

void Utf16FileSink::Fail(const char* doing) const {
  const std::string reason = std::strerror(errno);
  throw VbError(err::kPathFileAccess, std::string(doing) + " " + path_.string() + ": " + reason);
}

void Utf16FileSink::Put(char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
  unsigned char out[4];
  std::size_t n = 0;
  auto unit = [&](char32_t u) {
    out[n++] = static_cast<unsigned char>(u & 0xFF);
    out[n++] = static_cast<unsigned char>(u >> 8);
  };
  if (c >= 0x10000) {
    c -= 0x10000;
    unit(0xD800 + (c >> 10));
    unit(0xDC00 + (c & 0x3FF));
  } else {
    unit(c);
  }
  if (std::fwrite(out, 1, n, file_) != n) Fail("cannot write");
}

void Utf16FileSink::Write(std::string_view text) {
  if (!file_) throw VbError(err::kPathFileAccess, "write after close of " + path_.string());
  for (unsigned char b : text) {
    if (missing_ > 0) {
      if ((b & 0xC0) == 0x80) {
        pending_ = (pending_ << 6) | (b & 0x3F);
        if (--missing_ == 0) Put(pending_ < minimum_ ? kReplacement : pending_);
        continue;
      }
      missing_ = 0;  // cut short: the byte starts something new
      Put(kReplacement);
    }
    if (b < 0x80) {
      Put(b);
    } else if ((b & 0xE0) == 0xC0) {
      pending_ = b & 0x1F, missing_ = 1, minimum_ = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      pending_ = b & 0x0F, missing_ = 2, minimum_ = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      pending_ = b & 0x07, missing_ = 3, minimum_ = 0x10000;
    } else {
      Put(kReplacement);
    }
  }
}

void Utf16FileSink::Close() {
  if (!file_) return;
  if (missing_ > 0) {
    missing_ = 0;
    Put(kReplacement);
  }
  const bool ok = std::fflush(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!ok || !closed) Fail("cannot finish");
}

}  // namespace cavra
