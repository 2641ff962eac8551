#include "render/document.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "fakes/scratch.h"

namespace cavra::render {
namespace {

StyleDocument Style(const std::string& inner, const std::string& paper = "") {
  std::string text =
      "<?xml version='1.0' encoding='utf-16' ?>\r\n<格式 版本='2.0'>\r\n"
      "<打印设置 打印范围 = '全部' 横向平铺='是' 多任务强制分页 = '否'/>\r\n" +
      paper + "<表格 流式打印='否'>" + inner + "</表格></格式>";
  StyleDocument s;
  DocumentError e;
  EXPECT_TRUE(ReadStyleDocument(text, s, e)) << e.reason;
  return s;
}

TEST(RenderDocument, StyleAttributesAsTheDocumentsWriteThem) {
  StyleDocument s = Style(
      "<表头 字体名='Tahoma' 字体大小='9' 颜色='#800000'>"
      "<字段 类1型='7' 类型='5' 名字='金额' 关键字='金额(iMoney)' 粗体='是' 左顶点='120,340' 宽='500' "
      "高='60' "
      "颜色='#FF0000'  边框='0x1F' 垂直对齐='中'  打印='第一页'  对齐方式='右' />"
      "<字段 关键字='文本1' 类型='1' 套打='是' 标题宽度='150' 边框='0' 下标线='是'/></表头>"
      "<表体 左顶点='0,280' 列宽='100,-5,abc' 固定行数='12'><表体行 对齐方式='中,左,右,' 行高='60'/>"
      "<表体尾 打印='最后一表'/></表体>",
      "<纸张设置 纸张大小='2100,2970' 打印方向='横向' 页边距='100,110,120,130'/>");
  EXPECT_DOUBLE_EQ(s.paperWidth, 2970);  // landscape turns the sheet
  EXPECT_DOUBLE_EQ(s.marginBottom, 130);
  EXPECT_TRUE(s.tiling);
  EXPECT_FALSE(s.newPagePerTask);
  ASSERT_EQ(s.headFields.size(), 2u);
  const FieldStyle& f = s.headFields[0];
  EXPECT_EQ(f.type, 5);
  EXPECT_EQ(f.key, "金额(iMoney)");
  EXPECT_EQ(f.caption, "金额");
  EXPECT_EQ(f.font.name, "Tahoma");  // from 表头
  EXPECT_TRUE(f.font.bold);
  EXPECT_EQ(f.font.color.r, 255);
  EXPECT_EQ(f.font.color.g, 0);
  EXPECT_TRUE(f.box);
  EXPECT_EQ(f.align, Align::Right);
  EXPECT_DOUBLE_EQ(f.x, 120);
  EXPECT_DOUBLE_EQ(f.y, 340);
  EXPECT_EQ(f.print, "第一页");
  const FieldStyle& label = s.headFields[1];
  EXPECT_TRUE(label.preprinted && label.underlineBox && !label.box);
  EXPECT_DOUBLE_EQ(label.captionWidth, 150);
  EXPECT_EQ(label.font.color.r, 0x80);
  EXPECT_EQ(s.body.colWidths, (std::vector<double>{100, 0, 0}));
  EXPECT_EQ(s.body.fixedRows, 12);
  EXPECT_EQ(s.body.row.align, (std::vector<Align>{Align::Center, Align::Left, Align::Right}));
  EXPECT_TRUE(s.body.tail.lastTableOnly);
  EXPECT_FALSE(s.body.row.lastTableOnly);
}

TEST(RenderDocument, WildNumbersStayFiniteAndInRange) {
  StyleDocument s = Style(
      "<标题 左顶点='nan,1e999' 高='inf' 宽='-7'/><表头><字段 关键字='a' 类型='1e30' 左顶点='1e300,-1e300' "
      "宽='1e300' 字体大小='1e30'/></表头><表体 列宽='1e300,nan' 固定行数='1e30'><表体行 "
      "边框宽度='1e300'/></表体>");
  for (double v : {s.titleX, s.titleY, s.titleW, s.titleH, s.headFields[0].x, s.headFields[0].y,
                   s.headFields[0].w, s.body.colWidths[0], s.body.colWidths[1], s.body.row.borderWidth}) {
    EXPECT_TRUE(std::isfinite(v));
    EXPECT_GE(v, 0);
    EXPECT_LE(v, 100000);
  }
  EXPECT_DOUBLE_EQ(s.headFields[0].font.size, 9);
  EXPECT_LE(s.headFields[0].type, 1000000);
  EXPECT_EQ(s.body.fixedRows, 0);

  StyleDocument out;
  DocumentError e;
  for (const char* paper : {"纸张大小='nan,2970'", "纸张大小='2100'", "纸张大小='2100,1e999'"}) {
    std::string text = std::string("<格式><纸张设置 ") + paper + "/></格式>";
    EXPECT_FALSE(ReadStyleDocument(text, out, e)) << paper;
    EXPECT_EQ(e.code, kPaperUnusable) << paper;
  }
  EXPECT_FALSE(ReadStyleDocument("<格式><纸张设置 页边距='0,nan,0,3000'/></格式>", out, e));
  EXPECT_EQ(e.code, kMarginsUnusable);
}

TEST(RenderDocument, DataGroupsSumRowsAndEscapedTexts) {
  std::string text =
      "<?xml version='1.0' encoding='utf-16' ?>\r\n<数据>\r\n<任务>\r\n<页眉 "
      "图片='公司LOGO'>A&amp;B&apos;s</页眉>"
      "<标题>销售\r\n订单</标题><单据号>SO-1{##}1</单据号><表头>\r\n<字段 "
      "名字='客户(cCus)'>甲&lt;乙&gt;</字段></表头>"
      "<表体><表体头><单元>存货\r\n编码</单元><单元>金额</单元></表体头>"
      "<表体行><单元>1</单元><单元>2</单元></表体行>"
      "<分单><表体行><单元>3</单元></表体行><表体行 SumRow='1'><单元>4</单元></表体行></分单>"
      "<分单><表体行><单元>5</单元></表体行></分单>"
      "<表体尾><单元>小计</单元><单元>%PAGE_SUM_F%[0.00]</单元></表体尾></表体>"
      "<表尾><字段 名字='文本2'>尾</字段></表尾></任务>\r\n<任务/></数据>";
  DataDocument d;
  DocumentError e;
  ASSERT_TRUE(ReadDataDocument(text, d, e)) << e.reason;
  ASSERT_EQ(d.tasks.size(), 2u);
  const Task& t = d.tasks[0];
  EXPECT_EQ(t.pageHeader, "A&B's");
  EXPECT_EQ(t.title, "销售\n订单");
  EXPECT_EQ(t.headValues.at("客户(cCus)"), "甲<乙>");
  EXPECT_EQ(t.tailValues.at("文本2"), "尾");
  EXPECT_EQ(t.columnTitles, (std::vector<std::string>{"存货\n编码", "金额"}));
  ASSERT_EQ(t.groups.size(), 3u);  // the loose line, then each 分单
  EXPECT_EQ(t.groups[0].size(), 1u);
  EXPECT_EQ(t.groups[1].size(), 2u);
  EXPECT_TRUE(t.groups[1][1].sumRow);
  EXPECT_EQ(t.groups[2][0].cells[0], "5");
  ASSERT_EQ(t.tailRows.size(), 1u);
  EXPECT_EQ(d.tasks[1].groups.size(), 1u);  // an empty body is one empty group
  EXPECT_TRUE(d.tasks[1].groups[0].empty());

  EXPECT_FALSE(ReadDataDocument("<数据><任务></数据>", d, e));
  EXPECT_EQ(e.code, kDataUnreadable);
  EXPECT_FALSE(ReadDataDocument("<格式/>", d, e));
  EXPECT_EQ(e.code, kDataUnreadable);
}

TEST(RenderDocument, PicturesBarcodesAndGridRowHeights) {
  StyleDocument s = Style(
      "<页眉 高='100' 图片='是' 缩放模式='按框比例缩放' 图片居右='是'/>"
      "<表头><字段 名字='文本1' 图片='是'  缩放模式='自动缩小' 图片居右='否' 左顶点='35,18' 宽='212' "
      "高='88'/>"
      "<字段 关键字='文本9' 类型='15' 编码标准='EAN-13' 编码格式='2' 宽='400' 高='80'/></表头>"
      "<表体 条码='-1,33,x'><表体行 行高='567'/></表体><页脚 图片='否' 缩放模式='原始大小'/>");
  EXPECT_TRUE(s.pageHeader.picture && s.pageHeader.pictureRight);
  EXPECT_EQ(s.pageHeader.scale, ScaleMode::Stretch);
  EXPECT_FALSE(s.pageFooter.picture);
  ASSERT_EQ(s.headFields.size(), 2u);
  EXPECT_TRUE(s.headFields[0].picture);
  EXPECT_EQ(s.headFields[0].key, "文本1");  // the picture label's 名字 names its picture
  EXPECT_EQ(s.headFields[0].scale, ScaleMode::Shrink);
  EXPECT_EQ(s.headFields[1].barcodeStandard, "EAN-13");
  EXPECT_EQ(s.headFields[1].barcodeFormat, "2");
  EXPECT_EQ(s.body.barcodes, (std::vector<int>{-1, 33, -1}));
  EXPECT_NEAR(s.body.row.rowHeight, 100, 0.05);  // 567 twips are ten millimetres

  DataDocument d;
  DocumentError e;
  ASSERT_TRUE(ReadDataDocument(
      "<数据><任务><页眉 图片='公司LOGO'>公司</页眉><表体><表体行><单元>A-1</单元><单元 "
      "图片='存货图片'></单元>"
      "</表体行></表体><图片 名字='公司LOGO' 数据='iVBO\r\nRw=='/><图片 名字='A-1' 数据='TWFu'/>"
      "<图片 名字='坏' 数据='not*base64'/></任务></数据>",
      d, e))
      << e.reason;
  const Task& t = d.tasks.at(0);
  EXPECT_EQ(t.headerPicture, "公司LOGO");
  EXPECT_EQ(t.pictures.size(), 2u);  // the one that is not Base64 is left out
  EXPECT_EQ(t.pictures.at("公司LOGO"), "\x89PNG");
  EXPECT_EQ(t.pictures.at("A-1"), "Man");
  EXPECT_EQ(t.groups.at(0).at(0).pictureCells, (std::vector<std::size_t>{1}));
}

TEST(RenderDocument, Base64WithAndWithoutPadding) {
  struct Case {
    const char* in;
    bool ok;
    const char* out;
  } cases[] = {{"TWFu", true, "Man"},     {"TWE=", true, "Ma"},    {"TQ==", true, "M"},
               {"TWE", true, "Ma"},       {"TQ", true, "M"},       {"", true, ""},
               {"T", false, ""},          {"TQ==TQ==", false, ""}, {"TW-u", false, ""},
               {" TW\tFu\n", true, "Man"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    std::string out;
    EXPECT_EQ(DecodeBase64(c.in, out), c.ok);
    if (c.ok) {
      EXPECT_EQ(out, c.out);
    }
  }
}

TEST(RenderDocument, FilesInUtf16OrUtf8) {
  cavra::testing::ScratchDir dir;
  std::string out, reason;
  // "<a>" + U+4E2D + U+1F600 (a surrogate pair) + a lone high surrogate, with a byte-order mark
  std::ofstream(dir / "bom.xml", std::ios::binary)
      << std::string("\xFF\xFE<\0a\0>\0\x2D\x4E\x3D\xD8\x00\xDE\x3D\xD8", 16);
  ASSERT_TRUE(ReadDocumentFile((dir / "bom.xml").string(), out, reason));
  EXPECT_EQ(out, "<a>中\xF0\x9F\x98\x80\xEF\xBF\xBD");
  std::ofstream(dir / "plain.xml", std::ios::binary) << std::string("<\0b\0", 4);
  ASSERT_TRUE(ReadDocumentFile((dir / "plain.xml").string(), out, reason));
  EXPECT_EQ(out, "<b");
  std::ofstream(dir / "utf8.xml", std::ios::binary) << "\xEF\xBB\xBF<数据/>";
  ASSERT_TRUE(ReadDocumentFile((dir / "utf8.xml").string(), out, reason));
  EXPECT_EQ(out, "<数据/>");
  EXPECT_FALSE(ReadDocumentFile((dir / "missing.xml").string(), out, reason));
  EXPECT_NE(reason.find("missing.xml"), std::string::npos);
}

}  // namespace
}  // namespace cavra::render
