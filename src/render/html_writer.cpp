#include "render/html_writer.h"

#include <glib.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <utility>

#include "render/barcode.h"
#include "render/picture.h"
#include "render/pdf_writer.h"

namespace cavra::render {
namespace {

// Lengths are written in millimetres with two decimals; tenths in SVG user units.
void Number(std::string& out, double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  char buf[48];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) {
    out += '0';
    return;
  }
  char* p = end;
  if (decimals > 0) {
    while (p[-1] == '0') --p;
    if (p[-1] == '.') --p;
  }
  if (p - buf == 2 && buf[0] == '-' && buf[1] == '0') {
    out += '0';
    return;
  }
  out.append(buf, p);
}

// SVG path and viewBox numbers (three decimals), each after its command
// letter or separator (none for '\0').
void Svg(std::string& out, std::initializer_list<std::pair<char, double>> parts) {
  for (const auto& [lead, value] : parts) {
    if (lead) out += lead;
    Number(out, value, 3);
  }
}

void Mm(std::string& out, double tenths) {
  Number(out, tenths / 10, 2);
  out += "mm";
}

void BoxStyle(std::string& out, const Rect& r) {
  out += "left:";
  Mm(out, r.x);
  out += ";top:";
  Mm(out, r.y);
  out += ";width:";
  Mm(out, r.w);
  out += ";height:";
  Mm(out, r.h);
}

// Text content or an attribute value: valid UTF-8, markup characters and
// control characters other than tab and line breaks replaced.
void Escape(std::string& out, const std::string& text) {
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  for (const char* p = valid; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t':
      case '\n':
      case '\r': out += *p; break;
      default:
        if (c < 0x20 || c == 0x7F)
          out += "\xEF\xBF\xBD";
        else
          out += *p;
    }
  }
  g_free(valid);
}

// A CSS font-family list from the pango one; names are CSS strings, so no
// name can end the declaration.
std::string CssFamilies(const std::string& name) {
  std::string families = FontFamilies(name), css;
  std::size_t start = 0;
  while (start <= families.size()) {
    std::size_t comma = families.find(',', start);
    if (comma == std::string::npos) comma = families.size();
    if (!css.empty()) css += ',';
    css += '\'';
    for (std::size_t i = start; i < comma; ++i) {
      const char c = families[i];
      if (c == '\'' || c == '\\' || c == '\n' || c == '\r') {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\%x ", static_cast<unsigned char>(c));
        css += hex;
      } else {
        css += c;
      }
    }
    css += '\'';
    start = comma + 1;
  }
  return css;
}

void Base64(std::string& out, const std::string& bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[v >> 18];
    out += kDigits[v >> 12 & 63];
    out += kDigits[v >> 6 & 63];
    out += kDigits[v & 63];
  }
  if (const std::size_t left = bytes.size() - i; left > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (left == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kDigits[v >> 18];
    out += kDigits[v >> 12 & 63];
    out += left == 2 ? kDigits[v >> 6 & 63] : '=';
    out += '=';
  }
}

void Text(std::string& out, std::map<std::string, std::string>& families, const TextItem& t) {
  out += "<div class=\"t\" style=\"";
  BoxStyle(out, t.box);
  if (t.padding > 0) {
    out += ";padding:0 ";
    Mm(out, t.padding);
  }
  out += ";font:";
  if (t.font.italic) out += "italic ";
  if (t.font.bold) out += "bold ";
  Number(out, t.font.size, 2);
  out += "pt ";
  auto it = families.find(t.font.name);
  if (it == families.end()) it = families.emplace(t.font.name, CssFamilies(t.font.name)).first;
  Escape(out, it->second);
  if (t.align != Align::Left) out += t.align == Align::Center ? ";text-align:center" : ";text-align:right";
  if (t.font.underline) out += ";text-decoration:underline";
  const Color& c = t.font.color;
  if (c.r || c.g || c.b) {
    char hex[16];
    std::snprintf(hex, sizeof hex, ";color:#%02x%02x%02x", c.r, c.g, c.b);
    out += hex;
  }
  out += "\"><span>";
  Escape(out, t.text);
  out += "</span></div>\n";
}

void Image(std::string& out, const ImageItem& item) {
  const PictureInfo info = ProbePicture(item.bytes);
  if (info.format == PictureFormat::None || !(item.box.w > 0) || !(item.box.h > 0)) return;  // left empty
  Rect r = PictureRect(item.box, info.width, info.height, item.mode, item.alignRight);
  r.x -= item.box.x;
  r.y -= item.box.y;
  out += "<div class=\"i\" style=\"";
  BoxStyle(out, item.box);
  out += "\"><img alt=\"\" style=\"";
  BoxStyle(out, r);
  out += "\" src=\"data:";
  out += MimeType(info.format);
  out += ";base64,";
  Base64(out, item.bytes);
  out += "\"></div>\n";
}

void Barcode(std::string& out, std::map<std::string, std::string>& families, const BarcodeItem& item) {
  const BarcodeShape shape = ShapeBarcode(item);
  const Rect& b = item.box;
  if (!shape.bars.empty()) {
    out += "<svg class=\"b\" style=\"";
    BoxStyle(out, b);
    out += "\" viewBox=\"";
    Svg(out, {{'\0', b.x}, {' ', b.y}, {' ', b.w}, {' ', b.h}});
    out += "\" preserveAspectRatio=\"none\"><path d=\"";
    for (const Rect& r : shape.bars) {
      Svg(out, {{'M', r.x}, {' ', r.y}, {'h', r.w}, {'v', r.h}, {'h', -r.w}});
      out += 'z';
    }
    out += "\"/></svg>\n";
  }
  for (const TextItem& t : shape.labels) Text(out, families, t);
}

void Lines(std::string& out, const std::vector<LineItem>& lines, double width, double height) {
  if (lines.empty()) return;
  std::map<double, std::string> paths;  // by stroke width
  for (const LineItem& l : lines) {
    Svg(paths[l.width], {{'M', l.x1}, {' ', l.y1}, {'L', l.x2}, {' ', l.y2}});
  }
  out += "<svg class=\"l\" style=\"width:";
  Mm(out, width);
  out += ";height:";
  Mm(out, height);
  out += "\" viewBox=\"0 0 ";
  Svg(out, {{'\0', width}, {' ', height}});
  out += "\">";
  for (const auto& [w, d] : paths) {
    out += "<path stroke-width=\"";
    Number(out, w, 3);
    out += "\" d=\"";
    out += d;
    out += "\"/>";
  }
  out += "</svg>\n";
}

}  // namespace

struct HtmlWriter::State {
  std::string path;
  std::FILE* file = nullptr;
  double width = 0, height = 0;
  std::string buffer;
  std::map<std::string, std::string> families;  // CSS family lists by font name
  bool failed = false;

  void Flush() {
    failed = std::fwrite(buffer.data(), 1, buffer.size(), file) != buffer.size() || failed;
    buffer.clear();
  }

  void Close() {
    if (file) std::fclose(file);
    file = nullptr;
  }
};

HtmlWriter::HtmlWriter() : state_(std::make_unique<State>()) {}

HtmlWriter::~HtmlWriter() { state_->Close(); }

bool HtmlWriter::Open(const std::string& path, double width, double height) {
  State& s = *state_;
  s.Close();
  s.path = path;
  s.failed = false;
  s.buffer.clear();
  s.width = width;
  s.height = height;
  s.file = std::fopen(path.c_str(), "wb");
  if (!s.file) {
    reason_ = "cannot create " + path;
    return false;
  }
  std::string& out = s.buffer;
  out = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>CavraVoucherService</title>\n<style>\n@page { size: ";
  Mm(out, width);
  out += ' ';
  Mm(out, height);
  out += "; margin: 0 }\nhtml, body { margin: 0; padding: 0 }\n.p { position: relative; overflow: hidden; width: ";
  Mm(out, width);
  out += "; height: ";
  Mm(out, height);
  out +=
      " }\n"
      ".p + .p { break-before: page }\n"
      ".t, .i, .b, .l { position: absolute; overflow: hidden }\n"
      ".l { left: 0; top: 0 }\n"
      // auto margins centre the text and, unlike align-items, never push a
      // taller text above the box
      ".t { display: flex; flex-direction: column; box-sizing: border-box; white-space: pre-wrap;"
      " overflow-wrap: anywhere; line-height: normal }\n"
      ".t > span { margin: auto 0 }\n"
      ".i > img { position: absolute; display: block }\n"
      ".l path { stroke: #000; stroke-linecap: square; fill: none }\n"
      ".b path { fill: #000 }\n"
      "</style></head><body>\n";
  return true;
}

void HtmlWriter::AddPage(const Page& page) {
  State& s = *state_;
  if (!s.file) return;
  std::string& out = s.buffer;
  out += "<div class=\"p\">\n";
  for (const ImageItem& i : page.images) Image(out, i);
  Lines(out, page.lines, s.width, s.height);
  for (const BarcodeItem& b : page.barcodes) Barcode(out, s.families, b);
  for (const TextItem& t : page.texts) Text(out, s.families, t);
  out += "</div>\n";
  if (out.size() >= (1u << 20)) s.Flush();
}

bool HtmlWriter::Finish() {
  State& s = *state_;
  if (!s.file) return false;
  s.buffer += "</body></html>\n";
  s.Flush();
  bool ok = std::fflush(s.file) == 0 && !std::ferror(s.file) && !s.failed;
  ok = std::fclose(s.file) == 0 && ok;
  s.file = nullptr;
  if (!ok) reason_ = "cannot write " + s.path;
  return ok;
}

bool WriteHtml(const PageModel& model, const std::string& path, std::string& reason) {
  HtmlWriter html;
  bool ok = html.Open(path, model.width, model.height);
  if (ok) {
    for (const Page& page : model.pages) html.AddPage(page);
    ok = html.Finish();
  }
  if (!ok) reason = html.reason();
  return ok;
}

}  // namespace cavra::render
