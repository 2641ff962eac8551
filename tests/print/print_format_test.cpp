#include "print/print_format.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>

namespace cavra {
namespace {

// Parses a fragment as UTF-8 whatever it declares, the way the control's
// input is checked everywhere in these tests.
pugi::xml_node ParseOne(pugi::xml_document& doc, const std::string& text) {
  const auto result = doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  EXPECT_TRUE(result) << result.description() << " at " << result.offset << " in " << text;
  return doc.first_child();
}

TEST(PrintFormatValues, EscapingKeepsTheDoubleQuoteAndOrder) {
  EXPECT_EQ(EscapeText("a&b<c>d'e\"f"), "a&amp;b&lt;c&gt;d&apos;e\"f");
  // "&" goes first, so an entity already in the text is escaped once, not twice.
  EXPECT_EQ(EscapeText("&lt;"), "&amp;lt;");
  EXPECT_EQ(EscapeText("中文"), "中文");
}

TEST(PrintFormatValues, LengthsColoursAndWords) {
  EXPECT_EQ(TenthMm(567), "100");
  EXPECT_EQ(TenthMm(0), "0");
  EXPECT_EQ(TenthMm(1440), "254");
  EXPECT_EQ(TopLeft(567, 1134), "100,200");
  EXPECT_EQ(ColorText(255), "#FF0000");
  EXPECT_EQ(ColorText(0), "#000000");
  EXPECT_EQ(ColorText(0x0A0B0C), "#0C0B0A");
  EXPECT_EQ(PrintPositionWord(1), "第一页");
  EXPECT_EQ(PrintPositionWord(9), "最后一页(整单)");
  EXPECT_EQ(PrintPositionWord(0), "打印");
  EXPECT_EQ(PrintPositionWord(10), "打印");
  EXPECT_EQ(ScaleModeText("3"), "按图比例缩放");
  EXPECT_EQ(ScaleModeText(""), "原始大小");
  EXPECT_EQ(ScaleModeText("x"), "原始大小");
  EXPECT_EQ(BorderText(1), " 边框='0x1F' 垂直对齐='中' ");
  EXPECT_EQ(BorderText(7), " ");
}

TEST(PrintFormatValues, AlignmentFollowsReserve2BeforeTheType) {
  EXPECT_EQ(ItemAlignmentText("", 1), " 对齐方式='左' ");
  EXPECT_EQ(ItemAlignmentText("0", 5), " 对齐方式='左' ");
  EXPECT_EQ(ItemAlignmentText("", 4), " 对齐方式='右' ");
  EXPECT_EQ(ItemAlignmentText("2", 1), " 对齐方式='中' ");
  EXPECT_EQ(ItemAlignmentText("1", 4), " 对齐方式='左' ");
  EXPECT_EQ(ItemAlignmentText("9", 1), " 对齐方式='右' ");
  EXPECT_EQ(ColumnAlignmentWord("2", 4), "中,");
  EXPECT_EQ(ColumnAlignmentWord("", 4), "右,");
  EXPECT_EQ(LabelAlignmentText(3), " 对齐方式='右' ");
  EXPECT_EQ(LabelAlignmentText(0), "");
}

TEST(PrintFormatValues, BarcodeMarks) {
  EXPECT_EQ(BarcodeMark(""), -1);
  EXPECT_EQ(BarcodeMark("1,300"), -1);
  EXPECT_EQ(BarcodeMark("BARCODE:1:CODE128"), 0);
  EXPECT_EQ(BarcodeMark("barcode:1:EAN-13:2"), 34);
  EXPECT_EQ(BarcodeMark("BARCODE:1:PDF417:1"), 65);
  EXPECT_EQ(BarcodeMark("BARCODE:1:UNKNOWN:3"), 3);
  EXPECT_EQ(BarcodeMark("BARCODE:0:CODE39"), 0);
  EXPECT_EQ(BarcodeMark("a:b"), 0);
}

TEST(PrintFormatTypes, FieldTypeTable) {
  struct Case {
    const char* text;
    bool upcase, type5, caption, header;
    const char* expected;
  } cases[] = {
      {"BARCODE:1:CODE39", false, false, true, true, " 类型='15' 编码标准='CODE39' 编码格式='0' "},
      {"Barcode:1:EAN-8:4", true, true, true, false, " 类型='15' 编码标准='EAN-8' 编码格式='4' "},
      {"1,300", true, false, true, true, "类型='5' 套打='是' 标题宽度='300'"},
      {"1,300", true, true, true, true, "类型='20' 套打='是' 标题宽度='300'"},
      {"1,120", false, false, true, true, "类型='1' 套打='是' 标题宽度='120'"},
      {"1,120", false, true, false, true, "类型='2' 套打='是' 标题宽度='120'"},
      {"0,999", true, false, true, true, "类型='10'"},
      {"0,5", true, false, true, true, "类型='5'"},
      {"", true, true, true, true, "类型='20'"},
      {"", false, false, true, true, "类型='0'"},
      // A header item whose caption does not print is always overprinted.
      {"", false, false, false, true, "类型='0' 套打='是'"},
      {"0,999", true, false, false, true, "类型='10' 套打='是'"},
      {"", false, false, false, false, "类型='0'"},  // labels never get it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TypeAttributes(c.text, c.upcase, c.type5, c.caption, c.header), c.expected);
  }
}

TEST(PrintFormatTypes, TokenTable) {
  EXPECT_EQ(TokenTypeAttributes("3", true, 2), " 类型='6' 对应列号='2' ");
  EXPECT_EQ(TokenTypeAttributes("3", false, 2), " 类型='7' 对应列号='2' ");
  EXPECT_EQ(TokenTypeAttributes("11", true, 0), " 类型='18' 对应列号='0' ");
  EXPECT_EQ(TokenTypeAttributes("12", false, 4), " 类型='17' 对应列号='4' ");
  EXPECT_EQ(TokenTypeAttributes("7", true, 3), " 类型='5' ");
  EXPECT_EQ(TokenTypeAttributes("8", false, 3), " 类型='0' ");
  EXPECT_EQ(TokenTypeAttributes("13", true, 1), " 类型='10' ");
  EXPECT_EQ(TokenTypeAttributes("14", true, 1), " 类型='5' ");
  EXPECT_EQ(TokenTypeAttributes("2", true, 1), "");
  EXPECT_EQ(DisableTypeAttribute("类型='5' 套打='是'"), "类1型='5' 套打='是'");
}

TEST(PrintFormatPacked, PageBandLines) {
  const PageBandLine full = ParsePageBand("Co & Sons\r黑体,12,255,1,2\r第一页\r中\r1\r1\r2");
  EXPECT_EQ(full.text, "Co & Sons");
  EXPECT_EQ(full.font.name, "黑体");
  EXPECT_EQ(full.font.size, 12);
  EXPECT_TRUE(full.font.bold);
  EXPECT_TRUE(full.font.underline);
  EXPECT_EQ(full.position, "第一页");
  EXPECT_TRUE(full.picture);
  EXPECT_TRUE(full.pictureRight);

  // LF and CR LF inside a line are removed; missing lines are empty.
  const PageBandLine one = ParsePageBand("ju\nst\r\n第一页");
  EXPECT_EQ(one.text, "just");
  EXPECT_EQ(one.font.name, "Tahoma");  // line 1 is "\n第一页": not a font, defaults stay
  std::string style;
  AppendStylePageHeader(style, ParsePageBand("only one line"));
  EXPECT_EQ(
      style,
      "<页眉 高='100' 颜色='#000000' 字体名='Tahoma' 字体大小='9' 粗体='否' 打印='' 对齐方式='' 图片='否'"
      " 缩放模式='原始大小' 图片居右='否' 斜体='否'/>\r\n");
}

TEST(PrintFormatPacked, GridStylesNeedFourParts) {
  const GridStyle four = ParseGridStyle("1@2@黑体,10,0,0,2@300");
  EXPECT_EQ(four.border, "1");
  EXPECT_EQ(four.rowHeight, "300");
  for (const char* text : {"", "1@2@黑体,10,0,0,2", "1@2@3@4@5"}) {
    SCOPED_TRACE(text);
    const GridStyle s = ParseGridStyle(text);
    EXPECT_EQ(s.border, "783");
    EXPECT_EQ(s.width, "1");
    EXPECT_EQ(s.font, "宋体,9,0,0,1");
    EXPECT_EQ(s.rowHeight, "0");
  }
}

TEST(PrintFormatPacked, PrintSettingElements) {
  EXPECT_EQ(GetEnvString("a|b|左", 2, "中"), "左");
  EXPECT_EQ(GetEnvString("a|b", 2, "中"), "中");
  EXPECT_EQ(GetEnvString("old{##}new|x{##}y", 0, "d"), "new");
  EXPECT_EQ(GetEnvString("old{##}new|x{##}y", 1, "d"), "x{##}y");
  EXPECT_EQ(GetEnvString("", 0, "d"), "d");

  const std::string plain = DefaultPrintSettingBlock(false, 3, "0");
  EXPECT_EQ(plain,
            "<打印设置 打印范围 = '全部' 打印份数 = '1' 压缩 = '否'  条码长度='3' 多任务强制分页 = '是' "
            "分单小计转合计='否'/>\r\n<纸张设置 纸张类型='9' 纸张大小='2100,2970' 打印方向='纵向' "
            "页边距='180,200,180,200'/>\r\n");
  const std::string tiled = DefaultPrintSettingBlock(true, 1, "1");
  EXPECT_NE(tiled.find("压缩 = '否' 横向平铺='是' 条码长度='1'"), std::string::npos);
  EXPECT_NE(tiled.find("分单小计转合计='是'"), std::string::npos);
  pugi::xml_document doc;
  const std::string wrapped = "<r>" + tiled + "</r>";
  ParseOne(doc, wrapped);
  EXPECT_STREQ(doc.child("r").child("打印设置").attribute("横向平铺").value(), "是");
}

clsItemState HeaderItem() {
  clsItemState item;
  item.sCardItemName = "客户 & 'Co'";
  item.sFieldName = "cCusName";
  item.nFieldType = 1;
  item.bPrintCaption = true;
  item.sFontState = "宋体,10,255,0,2";
  item.nCOX = 567;
  item.nCOY = 1134;
  item.nwidth = 2835;
  item.nheight = 284;
  item.sPrintPosition = "第一页";
  return item;
}

TEST(PrintFormatStyle, HeaderItemFieldExactText) {
  clsItemState item = HeaderItem();
  std::string out;
  AppendStyleItemField(out, item);
  EXPECT_EQ(out,
            "<字段 类型='0' 名字='客户 &amp; &apos;Co&apos;' 关键字='客户 &amp; &apos;Co&apos;(cCusName)'"
            " 字体名='宋体' 字体大小='10' 粗体='是' 下划线='否' 斜体='否' 左顶点='100,200' 宽='500' 高='50'"
            " 颜色='#FF0000' 边框='0'  打印='第一页' 对齐方式='左' />\r\n");

  // Without a printed caption: no 名字, but 关键字 and an overprint flag.
  item.bPrintCaption = false;
  item.sCardFormula1 = "Customer";
  out.clear();
  AppendStyleItemField(out, item);
  pugi::xml_document doc;
  const pugi::xml_node field = ParseOne(doc, out);
  EXPECT_FALSE(field.attribute("名字"));
  EXPECT_STREQ(field.attribute("关键字").value(), "Customer(cCusName)");
  EXPECT_STREQ(field.attribute("套打").value(), "是");
}

TEST(PrintFormatStyle, LabelFieldsTextPictureAndToken) {
  LabelStyle label;
  label.number = 3;
  label.x = 567;
  label.y = 567;
  label.width = 567;
  label.height = 567;
  label.border = 2;
  label.positionCode = 2;
  label.alignment = 2;
  label.typeAttributes = TypeAttributes("", true, false, true, false);
  std::string out;
  AppendStyleLabelField(out, label);
  EXPECT_EQ(
      out,
      "<字段 关键字='文本3' 粗体='否' 下划线='否' 斜体='否' 左顶点='100,100' 宽='100' 高='100' 颜色='#000000'"
      " 边框='0' 下标线='是'  打印='最后一页' 对齐方式='中'  类型='5'/>\r\n");

  label.tokenType = TokenTypeAttributes("4", true, 2);
  out.clear();
  AppendStyleLabelField(out, label);
  pugi::xml_document doc;
  pugi::xml_node field = ParseOne(doc, out);
  EXPECT_STREQ(field.attribute("类型").value(), "8");
  EXPECT_STREQ(field.attribute("类1型").value(), "5");
  EXPECT_STREQ(field.attribute("对应列号").value(), "2");

  label.picture = true;
  label.scaleMode = "4";
  label.pictureRight = true;
  label.tokenType.clear();
  out.clear();
  AppendStyleLabelField(out, label);
  EXPECT_EQ(out.rfind("<字段 名字='文本3' 图片='是'  缩放模式='按框比例缩放' 图片居右='是' 粗体=", 0), 0u)
      << out;
  pugi::xml_document doc2;
  field = ParseOne(doc2, out);
  EXPECT_FALSE(field.attribute("关键字"));
}

TEST(PrintFormatStyle, BodyElements) {
  clsBillInformation bill;
  bill.nBodyLeft = 567;
  bill.nBodyTop = 567;
  bill.nBodyWidth = 5670;
  bill.nBodyHeight = 2835;
  bill.nAutoCalcHeight = 1;
  bill.nPrnRows = 12;
  std::string out;
  AppendStyleBodyStart(out, bill, BodyColumnLists{});
  EXPECT_EQ(
      out,
      "<表体 左顶点='100,100' 宽='1000' 高='0' 固定行数='12' 列宽='' 条码='' 字段类型='10' 字段大小='255'"
      " 字段名称=''>\r\n");

  out.clear();
  AppendStyleBodyHead(out, ParseGridStyle("bad@style@three"), "中");
  EXPECT_EQ(out,
            "<表体头 对齐方式='中' 边框风格='783' 边框宽度='1' 行高='0' 字体名='宋体' 字体大小='9' 粗体='否' "
            "斜体='否'"
            " 下划线='否' 颜色='#000000'/>");
  out.clear();
  AppendStyleBodyRow(out, GridStyle{}, "左,右");
  EXPECT_EQ(
      out,
      "<表体行 边框风格='783' 边框宽度='1' 行高='0' 字体名='宋体' 对齐方式='左,右' 字体大小='9' 粗体='否'"
      " 斜体='否' 下划线='否' 颜色='#000000'/>");
  out.clear();
  AppendStyleBodyTail(out, GridStyle{}, "右", 2);
  EXPECT_EQ(out,
            "<表体尾 边框风格='783' 边框宽度='1' 行高='0' 字体名='宋体' 对齐方式='右' 字体大小='9' 合计行='1'"
            " 打印='最后一表' 颜色='#000000'/>");
  out.clear();
  AppendStyleBodyTail(out, GridStyle{}, "右", 1);
  EXPECT_EQ(out.find("合计行"), std::string::npos);

  out.clear();
  AppendStyleFooterStart(out, true, false);
  EXPECT_EQ(out, "<表尾 字体名='宋体' 字体大小='9' 颜色='#800000'   打印='最后一页'  紧贴表体='否'>\r\n");
}

TEST(PrintFormatStyle, TitleHeightFromSelfDef2) {
  clsBillInformation bill;
  bill.sSelftDef2 = "x";  // not numeric: 345 twips
  std::string out;
  AppendStyleTitle(out, bill);
  EXPECT_NE(out.find("高='87'"), std::string::npos) << out;  // (345 + 150) twips
  bill.sSelftDef2 = "417";
  out.clear();
  AppendStyleTitle(out, bill);
  EXPECT_NE(out.find("高='100'"), std::string::npos) << out;  // (417 + 150) twips
}

// The rest of the data document is checked through preparation; these are
// the pieces it does not reach.
TEST(PrintFormatData, VoucherNumberAndTabbedTitles) {
  std::string out;
  AppendDataHead(out, "", "", "R'1", "K", "C1");
  EXPECT_NE(out.find("<单据号>R&apos;1{##}K{##}C1</单据号>\r\n"), std::string::npos);
  out.clear();
  AppendDataBodyHead(out, {"数量\t(件)"});
  EXPECT_EQ(out, "<表体>\r\n<表体头>\r\n<单元>数量\r\n(件)</单元></表体头>\r\n");
  EXPECT_EQ(CellReference(-1, "iQuantity"), "%G:-1,##iQuantity##%");
}

}  // namespace
}  // namespace cavra
