// The layout engine: pages of positioned texts and lines from the style and
// data documents. Knows nothing of fonts beyond what TextMeasure tells it, so
// it runs the same for every output.
//
// How the documents are laid out:
// - Positions (左顶点) of the title, the fields and the body are relative to the
//   top-left corner of the printable area (the paper less its margins). 页眉 sits
//   in the top margin, its bottom on the printable area; 页脚 in the bottom margin.
//   A field reaching past the printable area's right edge (forms are often
//   designed wider than A4 less its margins) moves left to end at that edge.
// - A 标题 without width (宽 0) starts at its 左顶点, where the designer put it;
//   at x 0 it is centred on the printable width instead.
// - The body table starts at its position; its head (表体头) repeats on every
//   page, then the rows, then the 表体尾 rows: a cell "%PAGE_SUM_F%[fmt]" is the
//   sum of that column over the page's rows (rows marked SumRow excluded),
//   "%SUB_TOTAL_F%[fmt]" the sum up to the page's last row (the carried total).
//   fmt is the column's template format: "" and "0" to "4" are no picture ("1":
//   thousands separated), and the sum shows the most decimals the column's cells
//   show, grouped when they are or fmt is "1"; any other fmt is a number picture
//   such as "#,##0.00". The first cell of a 表体尾 row (its caption, "本页小计:")
//   runs over the empty cells after it, so that it does not wrap in a narrow
//   first column. A 表体尾 row without
//   those tokens prints on every page, or only under the last table of the
//   voucher (or 分单 group) when 表体尾 says 打印='最后一表'.
// - The body ends at its height (高 > 0), else at the first 表尾 field when the
//   footer keeps its place, else at the bottom of the printable area. 表尾 with
//   紧贴表体 follows the table's last row on each page it prints on. With
//   流式打印='是' the body flows: its 高 and 固定行数 are ignored and its rows run
//   to the bottom of the printable area (or to the 表尾 kept at its place).
// - A column wider than the printable area is cut to its width; a table still
//   wider is narrowed in proportion, its fonts and cell padding shrinking by the
//   same factor (not below 5 pt), so that cells wrap as they would at full
//   width; or with 横向平铺 tiled: each page of rows
//   becomes sheets side by side, each with as many whole columns as fit (the
//   first keeps the body's left offset, the others start at the margin), all
//   with the page's header, fields and footer, counted as one page.
// - 行高 of 表体头, 表体行 and 表体尾 is in twips (the service writes the grid
//   style's number unconverted, unlike every other length) and is converted.
//   Row height 0 fits the text, wrapping long cells; a row taller than a whole
//   body area is cut to it (its text clipped). 固定行数 n puts n rows on a page
//   (fewer when they do not fit) and pads the page with blank rows.
// - Every 分单 group starts a new page and has its own subtotals; every 任务
//   starts a new page whatever 多任务强制分页 says, because its fields sit at
//   fixed places.
// - Print-position words count pages within the 分单 group, the (整单) forms
//   within the voucher; 单页/双页 are odd/even pages of the group.
// - "%PAGE%" and "%PAGES%" in the page header, page footer, title and fields
//   become the page number and count within the voucher, and so do the short
//   forms "%P" and "%N" that templates' page footers use ("第 %P 页"), unless a
//   letter or "_" follows them.
// - A 字段 shows "caption：value" when its caption prints and it is not a
//   pre-printed form (套打); with 套打 and 标题宽度 the value starts after the
//   caption's width. Border words: 0x1F a box, 下标线 a line under the field.
//   A field's text that, wrapped at the box's width, is taller than the box
//   (a long upper-case amount in a one-line box) shrinks its font by half
//   points until it fits, not below 5 pt; what still does not fit is clipped.
// - Body grid lines are drawn unless 边框风格 is "0"; 边框宽度 is in tenths of a
//   millimetre.
// - Pictures (the output draws them; the model only places them), from the data
//   document's 图片 elements (名字, Base64 数据; one that does not decode is left
//   out): a 字段 with 图片='是' shows the picture named by its 名字 in its box,
//   with its 缩放模式 and 图片居右 (no picture of that name: an empty box); 页眉
//   and 页脚 with 图片='是' show the picture the data band names in its 图片
//   attribute ("公司LOGO") across the band's box; a body cell marked
//   图片='存货图片' shows the picture named by the row's inventory code (the
//   column whose 字段名称 is cInvCode or ends in "(cInvCode)", else any cell of
//   the row naming a picture), fitted to the cell keeping its proportions.
// - Barcodes: a 字段 of 类型 15 is its value as a barcode of 编码标准 (编码格式,
//   default "0") filling the field's box, without caption; a body column whose
//   条码 mark is not -1 shows its row cells as barcodes of standard mark / 16
//   (0 CODE128, 1 CODE39, 2 EAN-13, 3 EAN-8, 4 PDF417; others CODE128) and format
//   mark % 16, inside the cell; its head and 表体尾 cells stay text. Whether a
//   value can be encoded is the output's business.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "render/document.h"

namespace cavra::render {

struct Rect {
  double x = 0, y = 0, w = 0, h = 0;
};

struct TextItem {
  Rect box;  // the text wraps at the box's width less padding and is clipped to the box
  std::string text;
  Font font;
  Align align = Align::Left;
  double padding = 0;  // left and right
};

struct LineItem {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0, width = 1;
};

struct ImageItem {
  Rect box;
  std::string bytes;  // the picture file's bytes (PNG or JPEG), decoded from Base64
  ScaleMode mode = ScaleMode::Original;
  bool alignRight = false;  // 图片居右
};

struct BarcodeItem {
  Rect box;
  std::string standard;  // CODE128, CODE39, EAN-13, EAN-8 or PDF417
  std::string format;    // 编码格式
  std::string value;
  Font font;  // of the human-readable text under the bars
};

struct Page {
  std::vector<TextItem> texts;
  std::vector<LineItem> lines;
  std::vector<ImageItem> images;
  std::vector<BarcodeItem> barcodes;
};

// Lengths in tenths of a millimetre.
struct PageModel {
  double width = 0, height = 0;
  std::vector<Page> pages;
};

class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // Height of text in font when wrapped at width.
  virtual double Height(const std::string& text, const Font& font, double width) = 0;
};

// Receives the pages one by one, in order, so that a long voucher never has
// all its pages in memory.
using PageSink = std::function<void(Page&&)>;

// Lays out every 任务 into sink; a document without any gives one blank page.
// Returns the number of pages. The paper size is style.paperWidth x paperHeight.
std::size_t Layout(const StyleDocument& style, const DataDocument& data, TextMeasure& measure,
                   const PageSink& sink);

// The same, collected.
PageModel Layout(const StyleDocument& style, const DataDocument& data, TextMeasure& measure);

// Whether a print-position word lets an element print on a page: index from 0
// and count within the 分单 group, and within the voucher for the (整单) forms.
bool PrintsOn(const std::string& word, int groupIndex, int groupCount, int taskIndex, int taskCount);

}  // namespace cavra::render
