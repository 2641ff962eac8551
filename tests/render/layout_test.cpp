#include "render/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace cavra::render {
namespace {

// Every character 20 wide, every line 40 high: wrapping is easy to predict.
class GridMeasure : public TextMeasure {
 public:
  double Height(const std::string& text, const Font&, double width) override {
    ++calls;
    int lines = 1;
    double x = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (c == '\n') {
        ++lines;
        x = 0;
      } else if (c < 0x80 || c >= 0xC0) {
        if (x + 20 > width && x > 0) {
          ++lines;
          x = 0;
        }
        x += 20;
      }
    }
    return lines * 40.0;
  }
  int calls = 0;
};

// 1000 x 1100 paper without margins; body at y 100 with rows of 100.
StyleDocument Style() {
  StyleDocument s;
  s.paperWidth = 1000;
  s.paperHeight = 1100;
  s.marginLeft = s.marginTop = s.marginRight = s.marginBottom = 0;
  s.body.y = 100;
  s.body.colWidths = {300, 300};
  s.body.fieldNames = {"cName", "iMoney"};
  s.body.head.rowHeight = s.body.row.rowHeight = s.body.tail.rowHeight = 100;
  return s;
}

Task Order(int rows, int groupSize = 0) {
  Task t;
  t.columnTitles = {"名称", "金额"};
  t.groups.emplace_back();
  for (int i = 1; i <= rows; ++i) {
    if (groupSize > 0 && i > 1 && (i - 1) % groupSize == 0) t.groups.emplace_back();
    t.groups.back().push_back({{"货" + std::to_string(i), std::to_string(i)}, false, {}});
  }
  t.tailRows = {{"本页小计", "%PAGE_SUM_F%[0.00]"}, {"累计", "%SUB_TOTAL_F%[#,##0.00]"}};
  return t;
}

PageModel Lay(const StyleDocument& s, std::vector<Task> tasks) {
  GridMeasure m;
  DataDocument d;
  d.tasks = std::move(tasks);
  return Layout(s, d, m);
}

// Texts of a page in order, and the box of the first one equal to text.
std::vector<std::string> Texts(const Page& p) {
  std::vector<std::string> out;
  for (const TextItem& t : p.texts) out.push_back(t.text);
  return out;
}

const TextItem* Find(const Page& p, const std::string& text) {
  for (const TextItem& t : p.texts)
    if (t.text == text) return &t;
  return nullptr;
}

bool Has(const Page& p, const std::string& text) { return Find(p, text) != nullptr; }

TEST(RenderLayout, BodyBreaksWithItsHeadPageSumsAndCarriedTotalOnEveryPage) {
  // room for rows: 1100 - 100 (top) - 100 (head) - 200 (two tail rows) = 700, seven rows
  PageModel m = Lay(Style(), {Order(20)});
  ASSERT_EQ(m.pages.size(), 3u);
  const char* sums[] = {"28.00", "77.00", "105.00"};
  const char* carried[] = {"28.00", "105.00", "210.00"};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const Page& p = m.pages[i];
    EXPECT_TRUE(Has(p, "名称") && Has(p, "金额"));
    EXPECT_TRUE(Has(p, sums[i]));
    EXPECT_TRUE(Has(p, carried[i]));
  }
  EXPECT_TRUE(Has(m.pages[0], "货7") && !Has(m.pages[0], "货8"));
  EXPECT_TRUE(Has(m.pages[2], "货15") && Has(m.pages[2], "货20"));
  // the head sits at the body's place, the first row under it
  EXPECT_DOUBLE_EQ(Find(m.pages[1], "名称")->box.y, 100);
  EXPECT_DOUBLE_EQ(Find(m.pages[1], "货8")->box.y, 200);
}

TEST(RenderLayout, RowsMarkedAsSumsStayOutOfThePageSums) {
  Task t = Order(3);
  t.groups[0][1].sumRow = true;  // "2"
  PageModel m = Lay(Style(), {t});
  ASSERT_EQ(m.pages.size(), 1u);
  EXPECT_TRUE(Has(m.pages[0], "4.00"));
}

TEST(RenderLayout, FixedRowsPadEveryPageAndGroupsRestartTheirTotals) {
  StyleDocument s = Style();
  s.body.fixedRows = 5;
  PageModel m = Lay(s, {Order(12)});
  ASSERT_EQ(m.pages.size(), 3u);
  // padded: the totals of the short last page sit where the full pages have them
  EXPECT_DOUBLE_EQ(Find(m.pages[2], "本页小计")->box.y, Find(m.pages[0], "本页小计")->box.y);
  EXPECT_DOUBLE_EQ(Find(m.pages[0], "本页小计")->box.y, 100 + 100 + 5 * 100);

  PageModel g = Lay(Style(), {Order(5, 3)});  // 分单 groups of 3 and 2 lines
  ASSERT_EQ(g.pages.size(), 2u);
  EXPECT_TRUE(Has(g.pages[0], "6.00"));
  EXPECT_TRUE(Has(g.pages[1], "9.00"));
  std::vector<std::string> last = Texts(g.pages[1]);
  EXPECT_EQ(std::count(last.begin(), last.end(), "9.00"), 2);  // page sum and carried total alike
}

TEST(RenderLayout, PrintWordsAndTheFooterThatFollowsTheBody) {
  StyleDocument s = Style();
  FieldStyle first;
  first.key = "单号(cCode)";
  first.print = "第一页";
  first.w = 400;
  first.h = 50;
  s.headFields.push_back(first);
  FieldStyle sum;
  sum.key = "合计(iSum)";
  sum.caption = "合计";
  sum.type = 5;
  sum.print = "最后一页";
  sum.y = 900;
  sum.w = 800;
  sum.h = 50;
  s.tailFields.push_back(sum);
  s.tailAfterBody = true;
  s.body.tail.lastTableOnly = true;
  Task t = Order(10);
  t.tailRows.push_back({"合计", "55.00"});
  t.headValues["单号(cCode)"] = "SO-1";
  t.tailValues["合计(iSum)"] = "55";
  s.pageFooter = {true, 0, {}, "除第一页", Align::Center, false, ScaleMode::Original, false};
  s.pageFooter.height = 50;
  s.marginBottom = 60;
  t.pageFooter = "第%PAGE%页/共%PAGES%页";
  PageModel m = Lay(s, {t});
  // rows room: 1040 - 100 - 100 - 200 = 640: six rows, then four, the last page also holding
  // the 合计 row and the footer field
  ASSERT_EQ(m.pages.size(), 2u);
  EXPECT_TRUE(Has(m.pages[0], "SO-1"));
  EXPECT_FALSE(Has(m.pages[1], "SO-1"));
  EXPECT_FALSE(Has(m.pages[0], "55.00"));
  EXPECT_FALSE(Has(m.pages[0], "第1页/共2页"));
  EXPECT_TRUE(Has(m.pages[1], "第2页/共2页"));
  const TextItem* total = Find(m.pages[1], "合计：伍拾伍元整");
  ASSERT_NE(total, nullptr);
  // right under the table: head, four rows, three tail rows
  EXPECT_DOUBLE_EQ(total->box.y, 100 + 100 + 4 * 100 + 3 * 100);
}

TEST(RenderLayout, AFooterThatNoLongerFitsTakesTheLastLineToANewPage) {
  StyleDocument s = Style();
  FieldStyle sum;
  sum.key = "合计(iSum)";
  sum.print = "最后一页";
  sum.y = 900;
  sum.w = 800;
  sum.h = 150;
  s.tailFields.push_back(sum);
  s.tailAfterBody = true;
  PageModel m = Lay(s, {Order(7)});  // seven lines fill the page, the footer needs 150 more
  ASSERT_EQ(m.pages.size(), 2u);
  EXPECT_TRUE(Has(m.pages[0], "货6") && !Has(m.pages[0], "货7"));
  EXPECT_TRUE(Has(m.pages[1], "货7"));
  EXPECT_TRUE(Has(m.pages[0], "21.00") && Has(m.pages[1], "28.00"));
}

TEST(RenderLayout, EveryVoucherStartsAPageAndCountsItsOwnPages) {
  StyleDocument s = Style();
  FieldStyle mark;
  mark.key = "文本1";
  mark.print = "第一页(整单)";
  mark.w = 400;
  mark.h = 50;
  s.headFields.push_back(mark);
  s.pageHeader = {true, 50, {}, "", Align::Right, false, ScaleMode::Original, false};
  Task a = Order(10), b = Order(3);
  a.headValues["文本1"] = "甲单首页";
  b.headValues["文本1"] = "乙单首页";
  a.pageHeader = b.pageHeader = "%PAGE%/%PAGES%";
  PageModel m = Lay(s, {a, b});
  ASSERT_EQ(m.pages.size(), 3u);
  EXPECT_TRUE(Has(m.pages[0], "甲单首页") && Has(m.pages[0], "1/2"));
  EXPECT_TRUE(!Has(m.pages[1], "甲单首页") && Has(m.pages[1], "2/2"));
  EXPECT_TRUE(Has(m.pages[2], "乙单首页") && Has(m.pages[2], "1/1"));
  EXPECT_TRUE(Has(m.pages[2], "6.00"));  // its totals start from nothing
}

TEST(RenderLayout, AFooterInItsPlaceEndsTheBodyAndPrePrintedFieldsSkipTheCaption) {
  StyleDocument s = Style();
  FieldStyle sign;
  sign.key = "签字(cSign)";
  sign.caption = "签字";
  sign.y = 700;  // rows room: 700 - 100 - 100 - 200 = 300, three rows
  sign.w = 600;
  sign.h = 50;
  s.tailFields.push_back(sign);
  FieldStyle form = sign;
  form.key = "单号(cCode)";
  form.caption = "";
  form.preprinted = true;
  form.captionWidth = 150;
  form.y = 0;
  form.x = 100;
  s.headFields.push_back(form);
  Task t = Order(7);
  t.tailValues["签字(cSign)"] = "李四";
  t.headValues["单号(cCode)"] = "SO-9";
  PageModel m = Lay(s, {t});
  ASSERT_EQ(m.pages.size(), 3u);
  EXPECT_TRUE(Has(m.pages[0], "货3") && !Has(m.pages[0], "货4"));
  for (const Page& p : m.pages) {
    ASSERT_NE(Find(p, "签字：李四"), nullptr);
    EXPECT_DOUBLE_EQ(Find(p, "签字：李四")->box.y, 700);
    ASSERT_NE(Find(p, "SO-9"), nullptr);
    EXPECT_DOUBLE_EQ(Find(p, "SO-9")->box.x, 250);
    EXPECT_DOUBLE_EQ(Find(p, "SO-9")->box.w, 450);
  }
}

TEST(RenderLayout, OversizedInputGivesBoundedPages) {
  StyleDocument s = Style();
  s.body.row.rowHeight = 0;  // fit the text
  Task t = Order(3);
  t.groups[0][0].cells[0] = std::string(2000 * 3, '\0');
  for (std::size_t i = 0; i < 2000; ++i) t.groups[0][0].cells[0].replace(i * 3, 3, "长");
  PageModel m = Lay(s, {t});
  ASSERT_EQ(m.pages.size(), 2u);  // the long line alone, cut to one body area
  const TextItem* tall = nullptr;
  for (const TextItem& x : m.pages[0].texts)
    if (x.text.size() == 6000) tall = &x;
  ASSERT_NE(tall, nullptr);
  EXPECT_DOUBLE_EQ(tall->box.h, 700);

  s = Style();
  s.body.colWidths = {5000, 600};  // cut to 1000 + 600, then narrowed in proportion
  m = Lay(s, {Order(1)});
  double right = 0;
  for (const LineItem& l : m.pages[0].lines) right = std::max({right, l.x1, l.x2});
  EXPECT_NEAR(right, 1000, 1e-9);
  EXPECT_NEAR(Find(m.pages[0], "金额")->box.w, 600.0 * 1000 / 1600, 1e-9);
}

TEST(RenderLayout, TilingPutsTheColumnsThatDoNotFitOnSheetsBeside) {
  StyleDocument s = Style();
  s.tiling = true;
  s.body.x = 100;
  s.body.colWidths = {400, 400, 500, 300};  // 900 of room: [400 400] [500 300]
  s.pageHeader = {true, 50, {}, "", Align::Right, false, ScaleMode::Original, false};
  Task t = Order(10);
  t.columnTitles = {"名称", "金额", "备注", "单位"};
  t.pageHeader = "%PAGE%/%PAGES%";
  PageModel m = Lay(s, {t});
  ASSERT_EQ(m.pages.size(), 4u);  // two pages of rows, two sheets each
  const char* headers[] = {"1/2", "1/2", "2/2", "2/2"};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const Page& p = m.pages[i];
    EXPECT_TRUE(Has(p, headers[i]));
    bool left = i % 2 == 0;
    EXPECT_EQ(Has(p, "名称") && Has(p, "金额"), left);
    EXPECT_EQ(Has(p, "备注") && Has(p, "单位"), !left);
    if (left) {
      EXPECT_DOUBLE_EQ(Find(p, "名称")->box.x, 100);
    } else {
      EXPECT_DOUBLE_EQ(Find(p, "备注")->box.x, 0);
      EXPECT_DOUBLE_EQ(Find(p, "单位")->box.w, 300);  // not narrowed
    }
  }
  EXPECT_TRUE(Has(m.pages[0], "28.00"));  // the totals' column is on the left sheets
  EXPECT_FALSE(Has(m.pages[1], "28.00"));
}

TEST(RenderLayout, TailCaptionsSpanTheirEmptyCellsAndSumsShowLikeTheirColumn) {
  StyleDocument s = Style();
  s.body.colWidths = {100, 200, 300, 300};
  Task t;
  t.columnTitles = {"序号", "名称", "数量", "金额"};
  t.groups = {{{{"1", "甲", "2.5", "1,250.50"}, false, {}}, {{"2", "乙", "3.25", "10.00"}, false, {}}}};
  // the formats as the service writes them: none, and "1" (thousands separated)
  t.tailRows = {{"本页小计:", "", "%PAGE_SUM_F%[]", "%PAGE_SUM_F%[1]"},
                {"小计:", "", "%SUB_TOTAL_F%[0]", "%SUB_TOTAL_F%[#,##0.000]"}};
  t.pageFooter = "第 %P 页 共 %N 页 %PAGE_SUM_F%";
  s.pageFooter = {true, 50, {}, "", Align::Center, false, ScaleMode::Original, false};
  s.marginBottom = 60;
  PageModel m = Lay(s, {t});
  ASSERT_EQ(m.pages.size(), 1u);
  const Page& p = m.pages[0];
  EXPECT_TRUE(Has(p, "5.75"));       // the decimals the column shows
  EXPECT_TRUE(Has(p, "1,260.50"));   // grouped like its cells
  EXPECT_TRUE(Has(p, "1,260.500"));  // a picture applies as written
  ASSERT_NE(Find(p, "本页小计:"), nullptr);
  EXPECT_DOUBLE_EQ(Find(p, "本页小计:")->box.w, 300);  // over the empty 名称 cell
  EXPECT_TRUE(Has(p, "第 1 页 共 1 页 %PAGE_SUM_F%"));
  // no grid line between the caption and the cell it covers
  for (const LineItem& l : p.lines) {
    bool tail = l.x1 == l.x2 && l.y1 >= Find(p, "本页小计:")->box.y;
    EXPECT_FALSE(tail && l.x1 == 100);
  }
}

TEST(RenderLayout, PicturesAndBarcodesArePlacedInTheirBoxes) {
  StyleDocument s = Style();
  s.marginTop = 100;
  s.pageHeader = {true, 80, {}, "", Align::Left, true, ScaleMode::KeepRatio, true};
  FieldStyle logo;
  logo.key = "文本1";
  logo.picture = true;
  logo.scale = ScaleMode::Shrink;
  logo.x = 900;  // reaches past the paper: moved onto it
  logo.w = 200;
  logo.h = 80;
  FieldStyle code;
  code.key = "文本9";
  code.type = 15;
  code.barcodeStandard = "CODE39";
  code.x = 300;
  code.w = 400;
  code.h = 90;
  FieldStyle missing = logo;
  missing.key = "文本2";
  s.headFields = {logo, code, missing};
  s.body.barcodes = {-1, 2 * 16 + 1};  // EAN-13, format 1
  Task t = Order(2);
  t.headValues["文本9"] = "SO-1";
  t.pictures = {{"文本1", "logo-bytes"}, {"公司LOGO", "band-bytes"}, {"货2", "goods-bytes"}};
  t.headerPicture = "公司LOGO";
  t.groups[0][1].pictureCells = {0};
  PageModel m = Lay(s, {t});
  ASSERT_EQ(m.pages.size(), 1u);
  const Page& p = m.pages[0];
  ASSERT_EQ(p.images.size(), 3u);  // 文本2 has no data: nothing drawn
  EXPECT_EQ(p.images[0].bytes, "band-bytes");
  EXPECT_TRUE(p.images[0].alignRight);
  EXPECT_DOUBLE_EQ(p.images[0].box.y, 20);  // in the top margin, on the printable area
  EXPECT_EQ(p.images[1].bytes, "logo-bytes");
  EXPECT_EQ(p.images[1].mode, ScaleMode::Shrink);
  EXPECT_DOUBLE_EQ(p.images[1].box.x, 800);
  EXPECT_EQ(p.images[2].bytes, "goods-bytes");  // the row's own picture, inside its cell
  EXPECT_DOUBLE_EQ(p.images[2].box.x, 10);
  EXPECT_FALSE(Has(p, "货2"));  // the picture replaces the cell's text
  ASSERT_EQ(p.barcodes.size(), 3u);
  EXPECT_EQ(p.barcodes[0].value, "SO-1");
  EXPECT_EQ(p.barcodes[0].standard, "CODE39");
  EXPECT_EQ(p.barcodes[0].format, "0");
  EXPECT_DOUBLE_EQ(p.barcodes[0].box.w, 400);
  EXPECT_EQ(p.barcodes[1].value, "1");
  EXPECT_EQ(p.barcodes[1].standard, "EAN-13");
  EXPECT_EQ(p.barcodes[1].format, "1");
  EXPECT_TRUE(Has(p, "金额"));  // the head of a barcode column stays text
}

TEST(RenderLayout, ATableWiderThanThePaperShrinksItsFontsAndFlowIgnoresTheBox) {
  StyleDocument s = Style();
  s.body.colWidths = {1000, 1000};  // twice the paper: half size
  s.body.row.font.size = 12;
  s.body.head.font.size = 9;  // never below 5 pt
  PageModel m = Lay(s, {Order(1)});
  EXPECT_DOUBLE_EQ(Find(m.pages[0], "货1")->font.size, 6);
  EXPECT_DOUBLE_EQ(Find(m.pages[0], "货1")->padding, 5);
  EXPECT_DOUBLE_EQ(Find(m.pages[0], "名称")->font.size, 5);

  s = Style();
  s.body.h = 400;  // head, one row and the two tail rows
  s.body.fixedRows = 1;
  EXPECT_EQ(Lay(s, {Order(7)}).pages.size(), 7u);
  s.flow = true;  // the rows run down the page
  m = Lay(s, {Order(7)});
  ASSERT_EQ(m.pages.size(), 1u);
  EXPECT_TRUE(Has(m.pages[0], "28.00"));
}

TEST(RenderLayout, CellReferencesInFieldsReadTheBodyOrShowNothing) {
  StyleDocument s = Style();
  FieldStyle ref;
  ref.key = "文本1";
  ref.w = 600;
  ref.h = 50;
  s.headFields.push_back(ref);
  Task t = Order(2, 1);  // two 分单 groups: rows count on across them
  t.headValues["文本1"] = "首[%G:0,##cName##%] 次[%G:1,##iMoney##%] 无[%G:5,##iMoney##%][%G:0,##nope##%]";
  PageModel m = Lay(s, {t});
  ASSERT_EQ(m.pages.size(), 2u);
  EXPECT_TRUE(Has(m.pages[0], "首[货1] 次[2] 无[][]"));
  t = Order(0);
  t.headValues["文本1"] = "[%G:0,##cName##%]";
  EXPECT_TRUE(Has(Lay(s, {t}).pages.at(0), "[]"));
}

// Characters two units wide per point, lines four per point: size matters.
class ScaledMeasure : public TextMeasure {
 public:
  double Height(const std::string& text, const Font& f, double width) override {
    double chars = 0;
    for (unsigned char c : text) chars += (c < 0x80 || c >= 0xC0) ? 1 : 0;
    double perLine = std::max(1.0, std::floor(width / (2 * f.size)));
    return std::ceil(chars / perLine) * 4 * f.size;
  }
};

TEST(RenderLayout, FieldTextsShrinkToFitTheirBoxDownToAFloor) {
  StyleDocument s = Style();
  FieldStyle f;
  f.key = "文本1";
  f.w = 200;
  f.h = 50;
  f.font.size = 12;  // ten characters need 240 at 12 pt; at 10 pt they fit one line of 40
  FieldStyle many = f;
  many.key = "文本2";
  many.y = 60;
  FieldStyle fits = f;
  fits.key = "文本3";
  fits.y = 120;
  s.headFields = {f, many, fits};
  Task t = Order(1);
  t.headValues = {{"文本1", "壹贰叁肆伍陆柒捌玖拾"}, {"文本2", std::string(300, 'x')}, {"文本3", "壹贰"}};
  ScaledMeasure m;
  DataDocument d;
  d.tasks = {t, t};
  PageModel model = Layout(s, d, m);
  ASSERT_EQ(model.pages.size(), 2u);
  for (const Page& p : model.pages) {
    EXPECT_DOUBLE_EQ(Find(p, "壹贰叁肆伍陆柒捌玖拾")->font.size, 10);
    EXPECT_DOUBLE_EQ(Find(p, std::string(300, 'x'))->font.size, 5);  // clipped below the floor
    EXPECT_DOUBLE_EQ(Find(p, "壹贰")->font.size, 12);
  }
}

TEST(RenderLayout, EmptyBodiesAndEmptyDocumentsStillGiveAPage) {
  PageModel m = Lay(Style(), {Order(0)});
  ASSERT_EQ(m.pages.size(), 1u);
  EXPECT_TRUE(Has(m.pages[0], "名称"));
  EXPECT_TRUE(Has(m.pages[0], "0.00"));
  EXPECT_EQ(Lay(Style(), {}).pages.size(), 1u);
}

TEST(RenderLayout, AHundredThousandShortLinesAreNotMeasuredOneByOne) {
  StyleDocument s = Style();
  s.body.row.rowHeight = 0;
  GridMeasure m;
  DataDocument d;
  d.tasks = {Order(100000)};
  PageModel pages = Layout(s, d, m);
  EXPECT_LT(m.calls, 20);                           // one measure per font, not per cell
  EXPECT_EQ(pages.pages.size(), 100000u / 14 + 1);  // 14 rows of 48 in 700
}

}  // namespace
}  // namespace cavra::render
