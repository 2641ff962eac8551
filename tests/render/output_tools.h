// Reading rendered files back with outside tools (poppler, zbar, a browser)
// and making small pictures for the renderer to draw.
#pragma once

#include <cairo.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>

namespace cavra::testing {

// Output of a shell command (its exit status in status when given).
inline std::string Sh(const std::string& command, int* status = nullptr) {
  std::string out;
  if (FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int rc = ::pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  return out;
}

inline bool Have(const std::string& tools) { return Sh("command -v " + tools + " >/dev/null && echo yes") == "yes\n"; }

inline int PdfPages(const std::string& pdf) {
  std::smatch m;
  std::string info = Sh("pdfinfo '" + pdf + "'");
  return std::regex_search(info, m, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(m[1]) : -1;
}

// "W x H" in points, rounded to whole points.
inline std::string PdfPageSize(const std::string& pdf, int page) {
  std::smatch m;
  std::string n = std::to_string(page);
  std::string info = Sh("pdfinfo -f " + n + " -l " + n + " '" + pdf + "'");
  if (!std::regex_search(info, m, std::regex("Page\\s+" + n + " size:\\s+([\\d.]+) x ([\\d.]+)"))) return "";
  return std::to_string(std::lround(std::stod(m[1]))) + " x " + std::to_string(std::lround(std::stod(m[2])));
}

inline std::string PdfText(const std::string& pdf, int page, const std::string& options = "-layout") {
  std::string n = std::to_string(page);
  return Sh("pdftotext " + options + " -f " + n + " -l " + n + " '" + pdf + "' -");
}

inline bool HavePoppler() { return Have("pdfinfo pdftotext pdffonts pdftoppm"); }

// "1,234.56" in cents.
inline std::int64_t Cents(std::string money) {
  std::erase(money, ',');
  std::size_t dot = money.find('.');
  return std::stoll(money.substr(0, dot)) * 100 + std::stoll(money.substr(dot + 1));
}

// The last amount of the first line starting (after blanks) with label, in
// cents; -1 when there is none.
inline std::int64_t LastAmountOf(const std::string& text, const std::string& label) {
  std::istringstream in(text);
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    std::size_t at = line.find_first_not_of(' ');
    if (at != std::string::npos && line.compare(at, label.size(), label) == 0 &&
        std::regex_search(line, m, std::regex("([\\d,]+\\.\\d\\d)\\s*$")))
      return Cents(m[1]);
  }
  return -1;
}

// A PNG of one colour.
inline std::string SolidPng(int width, int height, double r, double g, double b) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, r, g, b);
  cairo_paint(cr);
  cairo_destroy(cr);
  std::string bytes;
  cairo_surface_write_to_png_stream(
      s,
      [](void* closure, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
      },
      &bytes);
  cairo_surface_destroy(s);
  return bytes;
}

// The colour of a pixel of a PNG file as 0xRRGGBB, -1 when unreadable.
inline long PixelAt(const std::string& png, int x, int y) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(png.c_str());
  long rgb = -1;
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS && x < cairo_image_surface_get_width(s) &&
      y < cairo_image_surface_get_height(s)) {
    cairo_surface_flush(s);
    const unsigned char* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    std::uint32_t px = reinterpret_cast<const std::uint32_t*>(row)[x];
    rgb = static_cast<long>(px & 0xFFFFFF);
  }
  cairo_surface_destroy(s);
  return rgb;
}

}  // namespace cavra::testing
