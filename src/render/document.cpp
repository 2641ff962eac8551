#include "render/document.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <pugixml.hpp>

namespace cavra::render {
namespace {

std::string Attr(const pugi::xml_node& n, const char* name) { return n.attribute(name).as_string(); }

// Leading number of a text ("9", " 2100 ", "1.5"); fallback when there is none.
double Number(std::string_view s, double fallback) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  if (s.empty()) return fallback;
  std::string copy(s);
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(copy.c_str(), &end);
  if (end == copy.c_str() || errno == ERANGE || !std::isfinite(v)) return fallback;
  return v;
}

// A length or position: at most ten metres, never negative.
double Length(std::string_view s, double fallback) { return std::clamp(Number(s, fallback), 0.0, 100000.0); }

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> parts;
  if (s.empty()) return parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = s.find(sep, start);
    parts.emplace_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  return parts;
}

std::vector<double> Numbers(std::string_view s) {
  std::vector<double> out;
  for (const std::string& p : Split(s, ',')) out.push_back(Number(p, 0));
  return out;
}

std::vector<double> Lengths(std::string_view s) {
  std::vector<double> out;
  for (const std::string& p : Split(s, ',')) out.push_back(Length(p, 0));
  return out;
}

bool Yes(const std::string& s) { return s == "是"; }

bool ParseAlign(std::string_view w, Align& out) {
  if (w == "左")
    out = Align::Left;
  else if (w == "中")
    out = Align::Center;
  else if (w == "右")
    out = Align::Right;
  else
    return false;
  return true;
}

Align AlignOr(std::string_view w, Align fallback) {
  Align a = fallback;
  ParseAlign(w, a);
  return a;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

Color ParseColor(std::string_view s, Color fallback) {
  if (s.size() != 7 || s[0] != '#') return fallback;
  int d[6];
  for (int i = 0; i < 6; ++i) {
    d[i] = HexDigit(s[static_cast<std::size_t>(i) + 1]);
    if (d[i] < 0) return fallback;
  }
  return Color{static_cast<std::uint8_t>(d[0] * 16 + d[1]), static_cast<std::uint8_t>(d[2] * 16 + d[3]),
               static_cast<std::uint8_t>(d[4] * 16 + d[5])};
}

// Attributes absent from an element keep what the parent (or default) says.
Font ParseFont(const pugi::xml_node& n, Font f) {
  if (auto a = n.attribute("字体名"); a && *a.value()) f.name = a.value();
  if (auto a = n.attribute("字体大小"); a) {
    double size = Number(a.value(), f.size);
    if (size > 0 && size <= 500) f.size = size;
  }
  if (auto a = n.attribute("粗体")) f.bold = Yes(a.value());
  if (auto a = n.attribute("斜体")) f.italic = Yes(a.value());
  if (auto a = n.attribute("下划线")) f.underline = Yes(a.value());
  if (auto a = n.attribute("颜色")) f.color = ParseColor(a.value(), f.color);
  return f;
}

ScaleMode ParseScale(std::string_view w) {
  if (w == "自动放大") return ScaleMode::Enlarge;
  if (w == "自动缩小") return ScaleMode::Shrink;
  if (w == "按图比例缩放") return ScaleMode::KeepRatio;
  if (w == "按框比例缩放") return ScaleMode::Stretch;
  return ScaleMode::Original;
}

// The grid style keeps its row height as the template stores it, in twips,
// while every other length of the style is converted: converted here.
double TwipsToTenths(double twips) { return twips * 100.0 / 56.692556 / 10.0; }

void ParsePosition(const pugi::xml_node& n, double& x, double& y) {
  std::vector<double> p = Lengths(Attr(n, "左顶点"));
  x = p.size() > 0 ? p[0] : 0;
  y = p.size() > 1 ? p[1] : 0;
}

// 类型 applies as written last: a fixed label holding a token carries an older
// 类型 renamed to 类1型, so only the real attribute is read.
FieldStyle ParseField(const pugi::xml_node& n, const Font& parent) {
  FieldStyle f;
  f.key = Attr(n, "关键字");
  if (f.key.empty())
    f.key = Attr(n, "名字");
  else
    f.caption = Attr(n, "名字");
  f.type = n.attribute("类型") ? static_cast<int>(std::clamp(Number(Attr(n, "类型"), -1), -1.0, 1e6)) : 0;
  f.preprinted = Yes(Attr(n, "套打"));
  f.captionWidth = Length(Attr(n, "标题宽度"), 0);
  f.font = ParseFont(n, parent);
  ParsePosition(n, f.x, f.y);
  f.w = Length(Attr(n, "宽"), 0);
  f.h = Length(Attr(n, "高"), 0);
  std::string border = Attr(n, "边框");
  f.box = border == "0x1F" || border == "0X1F";
  f.underlineBox = Yes(Attr(n, "下标线"));
  f.print = Attr(n, "打印");
  f.align = AlignOr(Attr(n, "对齐方式"), Align::Left);
  f.picture = Yes(Attr(n, "图片"));
  f.scale = ParseScale(Attr(n, "缩放模式"));
  f.pictureRight = Yes(Attr(n, "图片居右"));
  if (f.type == 15) {
    f.barcodeStandard = Attr(n, "编码标准");
    f.barcodeFormat = Attr(n, "编码格式");
  }
  return f;
}

GridRowStyle ParseGridRow(const pugi::xml_node& n) {
  GridRowStyle g;
  std::string align = Attr(n, "对齐方式");
  for (const std::string& w : Split(align, ',')) {
    Align a;
    if (ParseAlign(w, a)) g.align.push_back(a);
  }
  if (auto a = n.attribute("边框风格")) g.borderStyle = a.value();
  g.borderWidth = std::clamp(Number(Attr(n, "边框宽度"), 1), 0.0, 100.0);
  g.rowHeight = TwipsToTenths(Length(Attr(n, "行高"), 0));
  g.font = ParseFont(n, Font{});
  g.lastTableOnly = Attr(n, "打印") == "最后一表";
  return g;
}

BandStyle ParseBand(const pugi::xml_node& n) {
  BandStyle b;
  if (!n) return b;
  b.present = true;
  b.height = Length(Attr(n, "高"), 0);
  b.font = ParseFont(n, Font{});
  b.print = Attr(n, "打印");
  b.align = AlignOr(Attr(n, "对齐方式"), Align::Center);
  b.picture = Yes(Attr(n, "图片"));
  b.scale = ParseScale(Attr(n, "缩放模式"));
  b.pictureRight = Yes(Attr(n, "图片居右"));
  return b;
}

bool Load(pugi::xml_document& doc, std::string_view text, const char* root, int code, DocumentError& error) {
  pugi::xml_parse_result r =
      doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!r) {
    error = {code, std::string(r.description()) + " at offset " + std::to_string(r.offset)};
    return false;
  }
  if (std::strcmp(doc.document_element().name(), root) != 0) {
    error = {code, std::string("the root element is not ") + root};
    return false;
  }
  return true;
}

}  // namespace

bool ReadStyleDocument(std::string_view text, StyleDocument& out, DocumentError& error) {
  pugi::xml_document doc;
  if (!Load(doc, text, "格式", kStyleUnreadable, error)) return false;
  StyleDocument s;
  pugi::xml_node root = doc.document_element();

  pugi::xml_node setting = root.child("打印设置");
  s.newPagePerTask = Attr(setting, "多任务强制分页") != "否";
  s.tiling = Yes(Attr(setting, "横向平铺"));
  s.flow = Yes(Attr(root.child("表格"), "流式打印"));

  if (pugi::xml_node paper = root.child("纸张设置")) {
    std::vector<double> size = Numbers(Attr(paper, "纸张大小"));
    if (size.size() >= 2) {
      s.paperWidth = size[0];
      s.paperHeight = size[1];
    } else if (paper.attribute("纸张大小")) {
      s.paperWidth = s.paperHeight = 0;
    }
    s.landscape = Attr(paper, "打印方向") == "横向";
    std::vector<double> m = Numbers(Attr(paper, "页边距"));
    if (m.size() >= 4) {
      s.marginLeft = m[0];
      s.marginTop = m[1];
      s.marginRight = m[2];
      s.marginBottom = m[3];
    }
  }
  if (s.landscape && s.paperWidth < s.paperHeight) std::swap(s.paperWidth, s.paperHeight);
  if (!(s.paperWidth > 0 && s.paperHeight > 0 && s.paperWidth <= 100000 && s.paperHeight <= 100000)) {
    error = {kPaperUnusable, "the paper size " + std::to_string(s.paperWidth) + " x " +
                                 std::to_string(s.paperHeight) + " (tenths of a millimetre) is not usable"};
    return false;
  }
  if (s.marginLeft < 0 || s.marginTop < 0 || s.marginRight < 0 || s.marginBottom < 0 ||
      s.marginLeft + s.marginRight >= s.paperWidth || s.marginTop + s.marginBottom >= s.paperHeight) {
    error = {kMarginsUnusable, "the margins leave no printable area on the paper"};
    return false;
  }

  pugi::xml_node table = root.child("表格");
  s.pageHeader = ParseBand(table.child("页眉"));
  s.pageFooter = ParseBand(table.child("页脚"));
  if (pugi::xml_node title = table.child("标题")) {
    s.hasTitle = true;
    ParsePosition(title, s.titleX, s.titleY);
    s.titleW = Length(Attr(title, "宽"), 0);
    s.titleH = Length(Attr(title, "高"), 0);
    s.titleAlign = AlignOr(Attr(title, "对齐方式"), Align::Center);
    s.titleFont = ParseFont(title, Font{});
  }
  pugi::xml_node head = table.child("表头");
  Font headFont = ParseFont(head, Font{});
  for (pugi::xml_node f : head.children("字段")) s.headFields.push_back(ParseField(f, headFont));
  pugi::xml_node tail = table.child("表尾");
  Font tailFont = ParseFont(tail, Font{});
  for (pugi::xml_node f : tail.children("字段")) s.tailFields.push_back(ParseField(f, tailFont));
  s.tailAfterBody = Yes(Attr(tail, "紧贴表体"));

  pugi::xml_node body = table.child("表体");
  ParsePosition(body, s.body.x, s.body.y);
  s.body.w = Length(Attr(body, "宽"), 0);
  s.body.h = Length(Attr(body, "高"), 0);
  double fixedRows = Number(Attr(body, "固定行数"), 0);
  s.body.fixedRows = fixedRows >= 0 && fixedRows <= 10000 ? static_cast<int>(fixedRows) : 0;
  s.body.colWidths = Lengths(Attr(body, "列宽"));
  s.body.fieldTypes = Split(Attr(body, "字段类型"), ',');
  s.body.fieldSizes = Split(Attr(body, "字段大小"), ',');
  s.body.fieldNames = Split(Attr(body, "字段名称"), ',');
  for (const std::string& mark : Split(Attr(body, "条码"), ','))
    s.body.barcodes.push_back(static_cast<int>(std::clamp(Number(mark, -1), -1.0, 1e6)));
  s.body.head = ParseGridRow(body.child("表体头"));
  s.body.row = ParseGridRow(body.child("表体行"));
  s.body.tail = ParseGridRow(body.child("表体尾"));
  out = std::move(s);
  return true;
}

namespace {

std::vector<std::string> Cells(const pugi::xml_node& row) {
  std::vector<std::string> cells;
  for (pugi::xml_node c : row.children("单元")) cells.emplace_back(c.child_value());
  return cells;
}

BodyRow Row(const pugi::xml_node& row) {
  BodyRow r;
  for (pugi::xml_node c : row.children("单元")) {
    if (c.attribute("图片").as_string() == std::string_view("存货图片"))
      r.pictureCells.push_back(r.cells.size());
    r.cells.emplace_back(c.child_value());
  }
  r.sumRow = row.attribute("SumRow").as_string() == std::string_view("1");
  return r;
}

void ReadFields(const pugi::xml_node& n, std::map<std::string, std::string>& out) {
  for (pugi::xml_node f : n.children("字段")) out[Attr(f, "名字")] = f.child_value();
}

}  // namespace

bool ReadDataDocument(std::string_view text, DataDocument& out, DocumentError& error) {
  pugi::xml_document doc;
  if (!Load(doc, text, "数据", kDataUnreadable, error)) return false;
  DataDocument d;
  for (pugi::xml_node t : doc.document_element().children("任务")) {
    Task task;
    task.pageHeader = t.child("页眉").child_value();
    task.pageFooter = t.child("页脚").child_value();
    task.title = t.child("标题").child_value();
    task.billNo = t.child("单据号").child_value();
    ReadFields(t.child("表头"), task.headValues);
    ReadFields(t.child("表尾"), task.tailValues);
    pugi::xml_node body = t.child("表体");
    task.columnTitles = Cells(body.child("表体头"));
    task.groups.emplace_back();
    for (pugi::xml_node n : body.children()) {
      std::string_view name = n.name();
      if (name == "表体行") {
        task.groups.back().push_back(Row(n));
      } else if (name == "分单") {
        if (!task.groups.back().empty()) task.groups.emplace_back();
        for (pugi::xml_node r : n.children("表体行")) task.groups.back().push_back(Row(r));
        task.groups.emplace_back();
      } else if (name == "表体尾") {
        task.tailRows.push_back(Cells(n));
      }
    }
    if (task.groups.size() > 1 && task.groups.back().empty()) task.groups.pop_back();
    task.headerPicture = Attr(t.child("页眉"), "图片");
    task.footerPicture = Attr(t.child("页脚"), "图片");
    // A picture whose data is not Base64 is left out: the page shows its empty box.
    for (pugi::xml_node p : t.children("图片")) {
      std::string bytes;
      if (DecodeBase64(Attr(p, "数据"), bytes) && !bytes.empty())
        task.pictures[Attr(p, "名字")] = std::move(bytes);
    }
    d.tasks.push_back(std::move(task));
  }
  out = std::move(d);
  return true;
}

bool DecodeBase64(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size() / 4 * 3);
  std::uint32_t bits = 0;
  int count = 0;
  bool padded = false;
  for (char ch : text) {
    int v;
    if (ch >= 'A' && ch <= 'Z')
      v = ch - 'A';
    else if (ch >= 'a' && ch <= 'z')
      v = ch - 'a' + 26;
    else if (ch >= '0' && ch <= '9')
      v = ch - '0' + 52;
    else if (ch == '+')
      v = 62;
    else if (ch == '/')
      v = 63;
    else if (ch == '=') {
      padded = true;
      continue;
    } else if (ch == ' ' || ch == '\r' || ch == '\n' || ch == '\t') {
      continue;
    } else {
      return false;
    }
    if (padded) return false;  // data after the padding
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    if (++count == 4) {
      out += static_cast<char>(bits >> 16 & 0xFF);
      out += static_cast<char>(bits >> 8 & 0xFF);
      out += static_cast<char>(bits & 0xFF);
      bits = 0;
      count = 0;
    }
  }
  if (count == 1) return false;
  if (count == 2) out += static_cast<char>(bits >> 4 & 0xFF);
  if (count == 3) {
    out += static_cast<char>(bits >> 10 & 0xFF);
    out += static_cast<char>(bits >> 2 & 0xFF);
  }
  return true;
}

bool ReadDocumentFile(const std::string& path, std::string& utf8, std::string& reason) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    reason = "cannot open " + path;
    return false;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bool utf16 = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
               static_cast<unsigned char>(bytes[1]) == 0xFE;
  // Without a mark, "<" followed by a zero byte is UTF-16LE as well.
  if (!utf16 && bytes.size() >= 2 && bytes[0] == '<' && bytes[1] == '\0') utf16 = true;
  if (!utf16) {
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    utf8 = std::move(bytes);
    return true;
  }
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = (static_cast<unsigned char>(bytes[0]) == 0xFF) ? 2 : 0;
  auto unit = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
  };
  for (; i + 1 < bytes.size(); i += 2) {
    std::uint32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      std::uint32_t lo = unit(i + 2);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
        i += 2;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  utf8 = std::move(out);
  return true;
}

}  // namespace cavra::render
