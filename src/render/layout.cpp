#include "render/layout.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "render/values.h"

namespace cavra::render {
namespace {

constexpr double kPad = 10;     // left and right inside a cell: 1 mm
constexpr double kPadY = 4;     // above and below a cell's text
constexpr double kMinFont = 5;  // points: shrinking text to fit stops here
constexpr std::string_view kPageSum = "%PAGE_SUM_F%[";
constexpr std::string_view kSubTotal = "%SUB_TOTAL_F%[";

double PointsToTenths(double pt) { return pt * 254.0 / 72.0; }

bool HasTotals(const std::string& cell) {
  return cell.find(kPageSum) != std::string::npos || cell.find(kSubTotal) != std::string::npos;
}

// How a column's cells show numbers: the most decimals any of them has, and
// whether any groups thousands.
struct Shown {
  int decimals = 0;
  bool grouping = false;
};

// A sum by the format of "%PAGE_SUM_F%[format]". The format is the column's
// template format text, where "0" to "4" are no picture ("1": thousands
// separated) and an empty one is none: those show the decimals the column's
// cells show, grouped like them. Anything else is a picture ("#,##0.00").
std::string TotalText(std::int64_t v, std::string_view format, const Shown& shown) {
  bool picture = !(format.empty() || (format.size() == 1 && format[0] >= '0' && format[0] <= '4'));
  if (picture) return FormatAmount(v, format);
  std::string pic = shown.grouping || format == "1" ? "#,##0" : "0";
  if (shown.decimals > 0) pic += "." + std::string(static_cast<std::size_t>(shown.decimals), '0');
  return FormatAmount(v, pic);
}

// Replaces the page-sum and subtotal tokens of a 表体尾 cell. ok false: the
// sum overflowed and shows as "#####".
std::string ReplaceTotals(const std::string& cell, std::int64_t pageSum, std::int64_t subTotal, bool ok,
                          const Shown& shown) {
  std::string out;
  std::size_t at = 0;
  for (;;) {
    std::size_t p = cell.find(kPageSum, at), s = cell.find(kSubTotal, at);
    std::size_t start = std::min(p, s);
    if (start == std::string::npos) break;
    std::size_t open = start + (start == p ? kPageSum.size() : kSubTotal.size());
    std::size_t close = cell.find(']', open);
    if (close == std::string::npos) break;
    out.append(cell, at, start - at);
    std::string_view format(cell.data() + open, close - open);
    out += ok ? TotalText(start == p ? pageSum : subTotal, format, shown) : "#####";
    at = close + 1;
  }
  out.append(cell, at, std::string::npos);
  return out;
}

void ReplaceAll(std::string& s, std::string_view from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
}

// The short tokens "%P" and "%N", unless a letter or "_" follows ("%PAGE_SUM_F%").
void ReplaceToken(std::string& s, std::string_view token, const std::string& to) {
  for (std::size_t at = s.find(token); at != std::string::npos; at = s.find(token, at)) {
    char next = at + token.size() < s.size() ? s[at + token.size()] : ' ';
    if ((next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z') || next == '_') {
      at += token.size();
      continue;
    }
    s.replace(at, token.size(), to);
    at += to.size();
  }
}

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

enum class RowKind { Head, Body, Tail };

bool LastOnly(const std::string& word) {
  return word == "最后一页" || word == "最后一页(整单)" || word == "不打印";
}

struct PagePlan {
  std::size_t group = 0, begin = 0, end = 0;
  double used = 0;
};

class TaskLayout {
 public:
  TaskLayout(const StyleDocument& s, const Task& t, TextMeasure& m, const PageSink& out)
      : s_(s), t_(t), m_(m), out_(out), head_(s.body.head), row_(s.body.row), tail_(s.body.tail) {
    contentW_ = s.paperWidth - s.marginLeft - s.marginRight;
    contentH_ = s.paperHeight - s.marginTop - s.marginBottom;
  }

  // Lays out the voucher; the number of pages.
  std::size_t Run() {
    Columns();
    Plan();
    Emit();
    return pages_;
  }

 private:
  double LineHeight(const Font& f) {
    auto key = std::make_tuple(f.name, f.size, f.bold, f.italic);
    auto it = lineHeights_.find(key);
    if (it != lineHeights_.end()) return it->second;
    double h = m_.Height("Ag国", f, 1e6);
    if (!(h > 0)) h = PointsToTenths(f.size) * 1.2;
    return lineHeights_[key] = h;
  }

  // Most cells are one short line: an upper bound on their width (a CJK
  // character at most one em, others at most 0.7 em) spares measuring them.
  double TextHeight(const std::string& text, const Font& f, double width) {
    if (text.empty()) return LineHeight(f);
    double em = PointsToTenths(f.size), est = 0;
    bool newline = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (c == '\n' || c == '\r') newline = true;
      if (c < 0x80)
        est += 0.7 * em;
      else if (c >= 0xC0)
        est += em;
    }
    if (!newline && est <= width) return LineHeight(f);
    return std::max(m_.Height(text, f, width), LineHeight(f));
  }

  // The end of the cells a 表体尾 row's first cell (its caption) covers: the
  // empty cells after it, within the sheet.
  std::size_t SpanEnd(const std::vector<std::string>& cells, std::size_t c, std::size_t end,
                      RowKind kind) const {
    if (kind != RowKind::Tail || c != 0 || cells.empty() || cells[0].empty()) return c + 1;
    std::size_t j = c + 1;
    while (j < end && (j >= cells.size() || cells[j].empty())) ++j;
    return j;
  }

  double SpanWidth(std::size_t from, std::size_t to) const {
    double w = 0;
    for (std::size_t c = from; c < to && c < widths_.size(); ++c) w += widths_[c];
    return w;
  }

  double RowHeight(const std::vector<std::string>& cells, const GridRowStyle& g, RowKind kind) {
    if (g.rowHeight > 0) return g.rowHeight;
    double h = LineHeight(g.font);
    for (std::size_t c = 0; c < cells.size() && c < widths_.size(); ++c) {
      std::size_t end = SpanEnd(cells, c, widths_.size(), kind);
      h = std::max(h, TextHeight(cells[c], g.font, std::max(1.0, SpanWidth(c, end) - 2 * pad_)));
    }
    return h + 2 * kPadY;
  }

  void Columns() {
    std::size_t n = std::max(s_.body.colWidths.size(), t_.columnTitles.size());
    for (const auto& g : t_.groups)
      for (const BodyRow& r : g) n = std::max(n, r.cells.size());
    for (const auto& r : t_.tailRows) n = std::max(n, r.size());
    x0_ = std::clamp(s_.body.x, 0.0, contentW_ * 0.9);
    double room = contentW_ - x0_, given = 0;
    widths_.assign(n, 0);
    std::size_t missing = 0;
    for (std::size_t c = 0; c < n; ++c) {
      if (c < s_.body.colWidths.size() && s_.body.colWidths[c] > 0) {
        widths_[c] = s_.body.colWidths[c];
        given += widths_[c];
      } else {
        ++missing;
      }
    }
    double share = missing ? std::max(100.0, (room - given) / static_cast<double>(missing)) : 0;
    double total = 0;
    // A column wider than the whole area is cut to it first, so that one wild
    // width does not squeeze the others to nothing.
    for (double& w : widths_) total += (w = std::min(w > 0 ? w : share, room));
    slices_.assign(1, {0, n});
    if (total > room && total > 0 && s_.tiling) {
      // 横向平铺: as many whole columns on each sheet as fit, left to right.
      slices_.clear();
      double used = 0;
      for (std::size_t c = 0, begin = 0; c < n; ++c) {
        if (c > begin && used + widths_[c] > room + 1e-6) {
          slices_.push_back({begin, c});
          begin = c;
          used = 0;
        }
        used += widths_[c];
        if (c + 1 == n) slices_.push_back({begin, n});
      }
    } else if (total > room && total > 0) {
      // A table designed wider than the paper is printed smaller as a whole:
      // its fonts and padding shrink with its columns (not below 5 pt), so
      // that cells wrap no more than they would at full width.
      double k = room / total;
      for (double& w : widths_) w *= k;
      pad_ = kPad * k;
      for (GridRowStyle* g : {&head_, &row_, &tail_})
        g->font.size = std::min(g->font.size, std::max(kMinFont, g->font.size * k));
    }
    shown_.assign(n, Shown{});
    for (const auto& g : t_.groups)
      for (const BodyRow& r : g)
        for (std::size_t c = 0; c < r.cells.size() && c < n; ++c) {
          const std::string& v = r.cells[c];
          std::int64_t micros;
          if (v.empty() || !ParseAmount(v, micros)) continue;
          std::size_t dot = v.find('.');
          if (dot != std::string::npos) {
            std::size_t end = dot + 1;
            while (end < v.size() && v[end] >= '0' && v[end] <= '9') ++end;
            shown_[c].decimals =
                std::max(shown_[c].decimals, static_cast<int>(std::min<std::size_t>(end - dot - 1, 6)));
          }
          if (v.find(',') != std::string::npos) shown_[c].grouping = true;
        }
    for (std::size_t c = 0; c < n; ++c) {
      if (c < s_.body.fieldNames.size() && !s_.body.fieldNames[c].empty()) {
        columnByName_[s_.body.fieldNames[c]] = c;
        std::string lower = LowerAscii(s_.body.fieldNames[c]);
        if (inventoryColumn_ == kNone && (lower == "cinvcode" || lower.ends_with("(cinvcode)")))
          inventoryColumn_ = c;
      }
      if (c < t_.columnTitles.size() && !columnByName_.count(t_.columnTitles[c]))
        columnByName_[t_.columnTitles[c]] = c;
    }
  }

  void Plan() {
    const BodyStyle& b = s_.body;
    bodyTop_ = std::clamp(b.y, 0.0, contentH_ * 0.95);
    double limit = contentH_;
    // 流式打印: the body flows down the page whatever its box and 固定行数 say.
    fixedRows_ = s_.flow ? 0 : b.fixedRows;
    if (b.h > 0 && !s_.flow) limit = std::min(limit, bodyTop_ + b.h);
    tailTop_ = 1e18;
    double tailBottom = 0;
    bool tailLastOnly = true;
    for (const FieldStyle& f : s_.tailFields) {
      tailTop_ = std::min(tailTop_, f.y);
      tailBottom = std::max(tailBottom, f.y + f.h);
      tailLastOnly = tailLastOnly && LastOnly(f.print);
    }
    double tailBlock = s_.tailFields.empty() ? 0 : tailBottom - tailTop_;
    if (!s_.tailAfterBody && !s_.tailFields.empty() && tailTop_ > bodyTop_) limit = std::min(limit, tailTop_);

    headH_ = RowHeight(t_.columnTitles, head_, RowKind::Head);
    double everyTail = 0, lastTail = 0;
    for (const auto& row : t_.tailRows) {
      bool every = !b.tail.lastTableOnly;
      std::vector<std::string> sample = row;
      for (std::size_t c = 0; c < sample.size(); ++c) {
        if (HasTotals(sample[c])) every = true;
        sample[c] = ReplaceTotals(sample[c], -999999999 * kMicros, -999999999 * kMicros, true,
                                  c < shown_.size() ? shown_[c] : Shown{});
      }
      double h = RowHeight(sample, tail_, RowKind::Tail);
      tailHeights_.push_back(h);
      tailEvery_.push_back(every);
      (every ? everyTail : lastTail) += h;
    }
    double room = limit - bodyTop_ - headH_ - everyTail - (s_.tailAfterBody && !tailLastOnly ? tailBlock : 0);
    double lastExtra = lastTail + (s_.tailAfterBody && tailLastOnly ? tailBlock : 0);
    padH_ = row_.rowHeight > 0 ? row_.rowHeight : LineHeight(row_.font) + 2 * kPadY;
    room = std::max(room, padH_);
    room_ = room;

    heights_.resize(t_.groups.size());
    for (std::size_t g = 0; g < t_.groups.size(); ++g) {
      const auto& rows = t_.groups[g];
      auto& hs = heights_[g];
      hs.reserve(rows.size());
      for (const BodyRow& r : rows) hs.push_back(std::min(RowHeight(r.cells, row_, RowKind::Body), room));
      std::size_t i = 0, n = rows.size();
      std::size_t first = plans_.size();
      do {
        PagePlan p{g, i, i, 0};
        int count = 0;
        while (i < n) {
          if (fixedRows_ > 0 && count == fixedRows_) break;
          if (count > 0 && p.used + hs[i] > room + 1e-6) break;
          p.used += hs[i++];
          ++count;
        }
        p.end = i;
        plans_.push_back(p);
      } while (i < n);
      PagePlan& last = plans_.back();
      if (lastExtra > 0 && last.used + lastExtra > room + 1e-6) {
        if (last.end - last.begin >= 2) {
          double h = hs[last.end - 1];
          last.used -= h;
          --last.end;
          plans_.push_back({g, last.end, last.end + 1, h});
        } else {
          plans_.push_back({g, last.end, last.end, 0});
        }
      }
      groupFirst_.push_back(first);
    }
  }

  std::string PageText(std::string text, int pageNo, int pages) const {
    ReplaceAll(text, "%PAGES%", std::to_string(pages));
    ReplaceAll(text, "%PAGE%", std::to_string(pageNo));
    ReplaceToken(text, "%P", std::to_string(pageNo));
    ReplaceToken(text, "%N", std::to_string(pages));
    return text;
  }

  std::string FieldValue(const FieldStyle& f, const std::map<std::string, std::string>& values) {
    auto it = values.find(f.key);
    std::string value = it == values.end() ? "" : it->second;
    value =
        ResolveCellReferences(value, [this](std::size_t row, const std::string& column, std::string& out) {
          auto col = columnByName_.find(column);
          if (col == columnByName_.end()) return;
          for (const auto& g : t_.groups) {
            if (row < g.size()) {
              if (col->second < g[row].cells.size()) out = g[row].cells[col->second];
              return;
            }
            row -= g.size();
          }
        });
    return FieldText(f.type, value);
  }

  void AddField(Page& page, const FieldStyle& f, const std::string& value, double dy) {
    Rect box{s_.marginLeft + f.x, s_.marginTop + f.y + dy, f.w, f.h};
    if (box.w <= 0) box.w = std::max(0.0, contentW_ - f.x);
    // A form designed wider than the paper: what reaches past the printable
    // area moves left to end at its edge, so that it is not cut off.
    box.w = std::min(box.w, contentW_);
    box.x = std::min(box.x, s_.marginLeft + contentW_ - box.w);
    if (box.h <= 0) box.h = LineHeight(f.font) + 2 * kPadY;
    double x1 = box.x, x2 = box.x + box.w, y1 = box.y, y2 = box.y + box.h;
    if (f.box) {
      page.lines.push_back({x1, y1, x2, y1, 1});
      page.lines.push_back({x1, y2, x2, y2, 1});
      page.lines.push_back({x1, y1, x1, y2, 1});
      page.lines.push_back({x2, y1, x2, y2, 1});
    } else if (f.underlineBox) {
      page.lines.push_back({x1, y2, x2, y2, 1});
    }
    if (f.picture) {  // the data picture of the field's name; none: the box stays empty
      auto pic = t_.pictures.find(f.key);
      if (pic != t_.pictures.end()) page.images.push_back({box, pic->second, f.scale, f.pictureRight});
      return;
    }
    if (f.type == 15) {  // the symbol fills the box; its standard draws the text under the bars
      if (!value.empty())
        page.barcodes.push_back(
            {box, f.barcodeStandard, f.barcodeFormat.empty() ? "0" : f.barcodeFormat, value, f.font});
      return;
    }
    std::string text = value;
    if (!f.preprinted && !f.caption.empty()) text = f.caption + "：" + value;
    if (f.preprinted && f.captionWidth > 0) {
      double cut = std::min(f.captionWidth, box.w);
      box.x += cut;
      box.w -= cut;
    }
    if (text.empty()) return;
    double padding = f.box ? kPad : 0;
    Font font = f.font;
    font.size = FittingSize(f, text, box.w - 2 * padding, box.h);
    page.texts.push_back({box, std::move(text), font, f.align, padding});
  }

  // The font size at which a field's text, wrapped at width, fits its box:
  // its own, or half a point smaller at a time down to 5 pt (below that it is
  // clipped). Most fields show the same text on every page: sizes are kept.
  double FittingSize(const FieldStyle& f, const std::string& text, double width, double height) {
    auto key = std::make_pair(&f, text);
    auto it = fitted_.find(key);
    if (it != fitted_.end()) return it->second;
    Font font = f.font;
    if (width > 0 && height > 0)
      while (font.size > kMinFont && m_.Height(text, font, width) > height + 0.5)
        font.size = std::max(kMinFont, font.size - 0.5);
    if (fitted_.size() > 10000) fitted_.clear();  // page numbers in fields make new texts on every page
    return fitted_[key] = font.size;
  }

  Align ColumnAlign(const GridRowStyle& g, std::size_t c) const {
    if (g.align.empty()) return Align::Left;
    if (g.align.size() == 1) return g.align[0];
    return c < g.align.size() ? g.align[c] : Align::Left;
  }

  // The picture a row's 存货图片 cell shows: the one named by the row's
  // inventory code, else by any of its cells.
  const std::string* RowPicture(const BodyRow& r) const {
    if (t_.pictures.empty()) return nullptr;
    if (inventoryColumn_ < r.cells.size()) {
      auto it = t_.pictures.find(r.cells[inventoryColumn_]);
      if (it != t_.pictures.end()) return &it->second;
    }
    for (const std::string& cell : r.cells) {
      auto it = cell.empty() ? t_.pictures.end() : t_.pictures.find(cell);
      if (it != t_.pictures.end()) return &it->second;
    }
    return nullptr;
  }

  void AddRow(Page& page, const std::vector<std::string>& cells, const GridRowStyle& g, double& y, double h,
              RowKind kind, const BodyRow* row = nullptr) {
    double x = s_.marginLeft + (slice_.first == 0 ? x0_ : 0);
    double left = x;
    double lineW = std::max(1.0, g.borderWidth);
    bool grid = g.borderStyle != "0";
    static const std::string kEmpty;
    for (std::size_t c = slice_.first; c < slice_.second;) {
      const std::string& text = c < cells.size() ? cells[c] : kEmpty;
      std::size_t end = SpanEnd(cells, c, slice_.second, kind);
      double w = SpanWidth(c, end);
      Rect cell{x, y, w, h};
      Rect inner{x + pad_, y + kPadY, std::max(0.0, w - 2 * pad_), std::max(0.0, h - 2 * kPadY)};
      int mark = kind == RowKind::Body && c < s_.body.barcodes.size() ? s_.body.barcodes[c] : -1;
      bool picture =
          row && std::find(row->pictureCells.begin(), row->pictureCells.end(), c) != row->pictureCells.end();
      if (picture) {
        if (const std::string* bytes = RowPicture(*row))
          page.images.push_back({inner, *bytes, ScaleMode::KeepRatio, false});
      } else if (mark >= 0 && !text.empty()) {
        std::size_t standard = static_cast<std::size_t>(mark / 16);
        if (standard >= std::size(kBarcodeStandards)) standard = 0;
        page.barcodes.push_back(
            {inner, kBarcodeStandards[standard], std::to_string(mark % 16), text, g.font});
      } else if (!text.empty()) {
        page.texts.push_back({cell, text, g.font, ColumnAlign(g, c), pad_});
      }
      if (grid) page.lines.push_back({x, y, x, y + h, lineW});
      x += w;
      c = end;
    }
    if (grid) {
      page.lines.push_back({x, y, x, y + h, lineW});
      page.lines.push_back({left, y, x, y, lineW});
      page.lines.push_back({left, y + h, x, y + h, lineW});
    }
    y += h;
  }

  // Sums of a column over a group's rows, before row i: prefix[i].
  const std::vector<std::int64_t>& Prefix(std::size_t g, std::size_t c, bool& ok) {
    auto key = std::make_pair(g, c);
    auto it = prefix_.find(key);
    if (it == prefix_.end()) {
      std::vector<std::int64_t> p{0};
      bool good = true;
      for (const BodyRow& r : t_.groups[g]) {
        std::int64_t v = 0;
        if (!r.sumRow && c < r.cells.size() && !ParseAmount(r.cells[c], v)) v = 0;
        std::int64_t next;
        if (__builtin_add_overflow(p.back(), v, &next)) good = false;
        p.push_back(good ? next : 0);
      }
      it = prefix_.emplace(key, std::move(p)).first;
      prefixOk_[key] = good;
    }
    ok = prefixOk_[key];
    return it->second;
  }

  // A band's picture fills the band's box (the whole width of the page, the
  // band's height, in the margin), its side set by 图片居右.
  void AddBandPicture(Page& page, const BandStyle& b, const std::string& name, bool top) {
    auto pic = t_.pictures.find(name);
    if (pic == t_.pictures.end() || b.height <= 0) return;
    double h = std::min(b.height, top ? s_.marginTop : s_.marginBottom);
    double y = top ? s_.marginTop - h : s_.paperHeight - s_.marginBottom;
    if (h <= 0) {
      h = b.height;
      y = top ? s_.marginTop : s_.paperHeight - s_.marginBottom - h;
    }
    page.images.push_back({{s_.marginLeft, y, contentW_, h}, pic->second, b.scale, b.pictureRight});
  }

  void Emit() {
    int taskCount = static_cast<int>(plans_.size());
    for (std::size_t k = 0; k < plans_.size(); ++k) {
      const PagePlan& p = plans_[k];
      std::size_t first = groupFirst_[p.group];
      std::size_t next = p.group + 1 < groupFirst_.size() ? groupFirst_[p.group + 1] : plans_.size();
      int gi = static_cast<int>(k - first), gc = static_cast<int>(next - first);
      int ti = static_cast<int>(k);
      bool lastOfGroup = k + 1 == next;
      auto prints = [&](const std::string& word) { return PrintsOn(word, gi, gc, ti, taskCount); };
      for (const auto& slice : slices_) {  // one sheet per slice of the columns
        slice_ = slice;
        Page page;

        const BandStyle& hb = s_.pageHeader;
        if (hb.present && prints(hb.print) && !t_.pageHeader.empty() && hb.height > 0) {
          Rect box{s_.marginLeft, std::max(0.0, s_.marginTop - hb.height), contentW_,
                   std::min(hb.height, s_.marginTop)};
          if (box.h <= 0) box = {s_.marginLeft, s_.marginTop, contentW_, hb.height};
          page.texts.push_back({box, PageText(t_.pageHeader, ti + 1, taskCount), hb.font, hb.align, 0});
        }
        if (hb.present && hb.picture && prints(hb.print)) AddBandPicture(page, hb, t_.headerPicture, true);
        if (s_.hasTitle && !t_.title.empty()) {
          // Without a width the title starts where it was placed, or is
          // centred on the paper when placed at the left edge.
          double w = s_.titleW > 0 ? s_.titleW : s_.titleX > 0 ? contentW_ - s_.titleX : contentW_;
          Align align = s_.titleW > 0 || s_.titleX <= 0 ? s_.titleAlign : Align::Left;
          double h = std::max(s_.titleH, TextHeight(t_.title, s_.titleFont, std::max(1.0, w)));
          page.texts.push_back({{s_.marginLeft + s_.titleX, s_.marginTop + s_.titleY, w, h},
                                PageText(t_.title, ti + 1, taskCount),
                                s_.titleFont,
                                align,
                                0});
        }
        for (const FieldStyle& f : s_.headFields)
          if (prints(f.print))
            AddField(page, f, PageText(FieldValue(f, t_.headValues), ti + 1, taskCount), 0);

        double y = s_.marginTop + bodyTop_;
        AddRow(page, t_.columnTitles, head_, y, headH_, RowKind::Head);
        const auto& rows = t_.groups[p.group];
        for (std::size_t i = p.begin; i < p.end; ++i)
          AddRow(page, rows[i].cells, row_, y, heights_[p.group][i], RowKind::Body, &rows[i]);
        if (fixedRows_ > 0) {
          double used = p.used;
          for (std::size_t n = p.end - p.begin; n < static_cast<std::size_t>(fixedRows_); ++n) {
            if (used + padH_ > room_ + 1e-6) break;
            AddRow(page, {}, row_, y, padH_, RowKind::Body);
            used += padH_;
          }
        }
        for (std::size_t r = 0; r < t_.tailRows.size(); ++r) {
          if (!tailEvery_[r] && !lastOfGroup) continue;
          std::vector<std::string> cells = t_.tailRows[r];
          for (std::size_t c = 0; c < cells.size(); ++c) {
            if (!HasTotals(cells[c])) continue;
            bool ok = true;
            const auto& pre = Prefix(p.group, c, ok);
            cells[c] = ReplaceTotals(cells[c], pre[p.end] - pre[p.begin], pre[p.end], ok,
                                     c < shown_.size() ? shown_[c] : Shown{});
          }
          AddRow(page, cells, tail_, y, tailHeights_[r], RowKind::Tail);
        }

        double dy = s_.tailAfterBody ? (y - s_.marginTop) - tailTop_ : 0;
        for (const FieldStyle& f : s_.tailFields)
          if (prints(f.print))
            AddField(page, f, PageText(FieldValue(f, t_.tailValues), ti + 1, taskCount), dy);

        const BandStyle& fb = s_.pageFooter;
        if (fb.present && prints(fb.print) && !t_.pageFooter.empty() && fb.height > 0) {
          double top = s_.paperHeight - s_.marginBottom;
          Rect box{s_.marginLeft, top, contentW_, std::min(fb.height, s_.marginBottom)};
          if (box.h <= 0) box = {s_.marginLeft, top - fb.height, contentW_, fb.height};
          page.texts.push_back({box, PageText(t_.pageFooter, ti + 1, taskCount), fb.font, fb.align, 0});
        }
        if (fb.present && fb.picture && prints(fb.print)) AddBandPicture(page, fb, t_.footerPicture, false);
        out_(std::move(page));
        ++pages_;
      }
    }
  }

  const StyleDocument& s_;
  const Task& t_;
  TextMeasure& m_;
  const PageSink& out_;
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  GridRowStyle head_, row_, tail_;  // the body's styles, fonts shrunk with a narrowed table
  double pad_ = kPad;
  int fixedRows_ = 0;
  std::size_t inventoryColumn_ = kNone;
  std::vector<Shown> shown_;
  std::map<std::pair<const FieldStyle*, std::string>, double> fitted_;
  std::size_t pages_ = 0;
  double contentW_ = 0, contentH_ = 0, x0_ = 0, bodyTop_ = 0, tailTop_ = 0, headH_ = 0, padH_ = 0, room_ = 0;
  std::vector<double> widths_;
  std::vector<std::pair<std::size_t, std::size_t>> slices_;  // columns [first, second) of each sheet
  std::pair<std::size_t, std::size_t> slice_;                // the sheet being laid out
  std::map<std::string, std::size_t> columnByName_;
  std::map<std::tuple<std::string, double, bool, bool>, double> lineHeights_;
  std::vector<double> tailHeights_;
  std::vector<bool> tailEvery_;
  std::vector<std::vector<double>> heights_;
  std::vector<PagePlan> plans_;
  std::vector<std::size_t> groupFirst_;
  std::map<std::pair<std::size_t, std::size_t>, std::vector<std::int64_t>> prefix_;
  std::map<std::pair<std::size_t, std::size_t>, bool> prefixOk_;
};

}  // namespace

bool PrintsOn(const std::string& word, int groupIndex, int groupCount, int taskIndex, int taskCount) {
  if (word == "不打印") return false;
  if (word == "第一页") return groupIndex == 0;
  if (word == "最后一页") return groupIndex == groupCount - 1;
  if (word == "除第一页") return groupIndex != 0;
  if (word == "除最后一页") return groupIndex != groupCount - 1;
  if (word == "单页") return groupIndex % 2 == 0;  // pages 1, 3, 5...
  if (word == "双页") return groupIndex % 2 == 1;
  if (word == "第一页(整单)") return taskIndex == 0;
  if (word == "最后一页(整单)") return taskIndex == taskCount - 1;
  return true;
}

std::size_t Layout(const StyleDocument& style, const DataDocument& data, TextMeasure& measure,
                   const PageSink& sink) {
  std::size_t pages = 0;
  for (const Task& t : data.tasks) pages += TaskLayout(style, t, measure, sink).Run();
  if (pages == 0) {  // no voucher at all: one blank sheet
    sink(Page{});
    pages = 1;
  }
  return pages;
}

PageModel Layout(const StyleDocument& style, const DataDocument& data, TextMeasure& measure) {
  PageModel model;
  model.width = style.paperWidth;
  model.height = style.paperHeight;
  Layout(style, data, measure, [&model](Page&& page) { model.pages.push_back(std::move(page)); });
  return model;
}

}  // namespace cavra::render
