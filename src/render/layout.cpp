#include "render/layout.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "render/values.h"

namespace cavra::render {
namespace {

constexpr double kPad = 10;  // left and right inside a cell: 1 mm
constexpr double kPadY = 4;  // above and below a cell's text
constexpr std::string_view kPageSum = "%PAGE_SUM_F%[";
constexpr std::string_view kSubTotal = "%SUB_TOTAL_F%[";

double PointsToTenths(double pt) { return pt * 254.0 / 72.0; }

bool HasTotals(const std::string& cell) {
  return cell.find(kPageSum) != std::string::npos || cell.find(kSubTotal) != std::string::npos;
}

// Replaces the page-sum and subtotal tokens of a 表体尾 cell. ok false: the
// sum overflowed and shows as "#####".
std::string ReplaceTotals(const std::string& cell, std::int64_t pageSum, std::int64_t subTotal, bool ok) {
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
    out += ok ? FormatAmount(start == p ? pageSum : subTotal, format) : "#####";
    at = close + 1;
  }
  out.append(cell, at, std::string::npos);
  return out;
}

void ReplaceAll(std::string& s, std::string_view from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
}

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
      : s_(s), t_(t), m_(m), out_(out) {
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

  double RowHeight(const std::vector<std::string>& cells, const GridRowStyle& g) {
    if (g.rowHeight > 0) return g.rowHeight;
    double h = LineHeight(g.font);
    for (std::size_t c = 0; c < cells.size() && c < widths_.size(); ++c)
      h = std::max(h, TextHeight(cells[c], g.font, std::max(1.0, widths_[c] - 2 * kPad)));
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
      for (double& w : widths_) w *= room / total;
    }
    for (std::size_t c = 0; c < n; ++c) {
      if (c < s_.body.fieldNames.size() && !s_.body.fieldNames[c].empty())
        columnByName_[s_.body.fieldNames[c]] = c;
      if (c < t_.columnTitles.size() && !columnByName_.count(t_.columnTitles[c]))
        columnByName_[t_.columnTitles[c]] = c;
    }
  }

  void Plan() {
    const BodyStyle& b = s_.body;
    bodyTop_ = std::clamp(b.y, 0.0, contentH_ * 0.95);
    double limit = contentH_;
    if (b.h > 0) limit = std::min(limit, bodyTop_ + b.h);
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

    headH_ = RowHeight(t_.columnTitles, b.head);
    double everyTail = 0, lastTail = 0;
    for (const auto& row : t_.tailRows) {
      bool every = !b.tail.lastTableOnly;
      std::vector<std::string> sample = row;
      for (std::string& c : sample) {
        if (HasTotals(c)) every = true;
        c = ReplaceTotals(c, -999999999 * kMicros, -999999999 * kMicros, true);
      }
      double h = RowHeight(sample, b.tail);
      tailHeights_.push_back(h);
      tailEvery_.push_back(every);
      (every ? everyTail : lastTail) += h;
    }
    double room = limit - bodyTop_ - headH_ - everyTail - (s_.tailAfterBody && !tailLastOnly ? tailBlock : 0);
    double lastExtra = lastTail + (s_.tailAfterBody && tailLastOnly ? tailBlock : 0);
    padH_ = b.row.rowHeight > 0 ? b.row.rowHeight : LineHeight(b.row.font) + 2 * kPadY;
    room = std::max(room, padH_);
    room_ = room;

    heights_.resize(t_.groups.size());
    for (std::size_t g = 0; g < t_.groups.size(); ++g) {
      const auto& rows = t_.groups[g];
      auto& hs = heights_[g];
      hs.reserve(rows.size());
      for (const BodyRow& r : rows) hs.push_back(std::min(RowHeight(r.cells, b.row), room));
      std::size_t i = 0, n = rows.size();
      std::size_t first = plans_.size();
      do {
        PagePlan p{g, i, i, 0};
        int count = 0;
        while (i < n) {
          if (b.fixedRows > 0 && count == b.fixedRows) break;
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
    std::string text = value;
    if (!f.preprinted && !f.caption.empty()) text = f.caption + "：" + value;
    if (f.preprinted && f.captionWidth > 0) {
      double cut = std::min(f.captionWidth, box.w);
      box.x += cut;
      box.w -= cut;
    }
    if (!text.empty()) page.texts.push_back({box, std::move(text), f.font, f.align, f.box ? kPad : 0});
  }

  Align ColumnAlign(const GridRowStyle& g, std::size_t c) const {
    if (g.align.empty()) return Align::Left;
    if (g.align.size() == 1) return g.align[0];
    return c < g.align.size() ? g.align[c] : Align::Left;
  }

  void AddRow(Page& page, const std::vector<std::string>& cells, const GridRowStyle& g, double& y, double h) {
    double x = s_.marginLeft + (slice_.first == 0 ? x0_ : 0);
    double left = x;
    double lineW = std::max(1.0, g.borderWidth);
    bool grid = g.borderStyle != "0";
    static const std::string kEmpty;
    for (std::size_t c = slice_.first; c < slice_.second; ++c) {
      const std::string& text = c < cells.size() ? cells[c] : kEmpty;
      if (!text.empty()) page.texts.push_back({{x, y, widths_[c], h}, text, g.font, ColumnAlign(g, c), kPad});
      if (grid) page.lines.push_back({x, y, x, y + h, lineW});
      x += widths_[c];
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
        if (s_.hasTitle && !t_.title.empty()) {
          double w = s_.titleW > 0 ? s_.titleW : contentW_ - s_.titleX;
          double h = std::max(s_.titleH, TextHeight(t_.title, s_.titleFont, std::max(1.0, w)));
          page.texts.push_back({{s_.marginLeft + s_.titleX, s_.marginTop + s_.titleY, w, h},
                                PageText(t_.title, ti + 1, taskCount),
                                s_.titleFont,
                                s_.titleAlign,
                                0});
        }
        for (const FieldStyle& f : s_.headFields)
          if (prints(f.print))
            AddField(page, f, PageText(FieldValue(f, t_.headValues), ti + 1, taskCount), 0);

        double y = s_.marginTop + bodyTop_;
        AddRow(page, t_.columnTitles, s_.body.head, y, headH_);
        const auto& rows = t_.groups[p.group];
        for (std::size_t i = p.begin; i < p.end; ++i)
          AddRow(page, rows[i].cells, s_.body.row, y, heights_[p.group][i]);
        if (s_.body.fixedRows > 0) {
          double used = p.used;
          for (std::size_t n = p.end - p.begin; n < static_cast<std::size_t>(s_.body.fixedRows); ++n) {
            if (used + padH_ > room_ + 1e-6) break;
            AddRow(page, {}, s_.body.row, y, padH_);
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
            cells[c] = ReplaceTotals(cells[c], pre[p.end] - pre[p.begin], pre[p.end], ok);
          }
          AddRow(page, cells, s_.body.tail, y, tailHeights_[r]);
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
        out_(std::move(page));
        ++pages_;
      }
    }
  }

  const StyleDocument& s_;
  const Task& t_;
  TextMeasure& m_;
  const PageSink& out_;
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
