#include "print/row_layout.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cavra/recordset.h"
#include "fakes/fakes.h"

namespace cavra {
namespace {

// A voucher with two body rows, a header field and one summed body column.
class Voucher : public RowLayoutVoucher {
 public:
  Voucher() {
    Add("cinvcode", "存货编码 & <码>", 1, 0);
    Add("iquantity", "数量", 3, 1, "#,##0.00");
    Add("cpersonname", "业务员", 1, 0);
    header["cpersonname"] = "O'Neil “张三”，经理";
    body = {{{"cinvcode", "A&1"}, {"iquantity", "2.00"}}, {{"cinvcode", "B<2>"}, {"iquantity", "3.50"}}};
  }
  const clsItemState* Item(std::string_view field) override {
    auto it = items.find(std::string(field));
    return it == items.end() ? nullptr : it->second.get();
  }
  std::string HeaderValue(const clsItemState& item) override { return header[item.sFieldName]; }
  std::int32_t BodyRowCount() override { return static_cast<std::int32_t>(body.size()); }
  std::string BodyValue(std::int32_t row, const clsItemState& item) override {
    return body.at(row - 1)[item.sFieldName];
  }
  std::string ColumnTotal(const clsItemState& item) override { return "total:" + item.sFieldName; }

  std::map<std::string, ItemPtr> items;
  std::map<std::string, std::string> header;
  std::vector<std::map<std::string, std::string>> body;

 private:
  void Add(const std::string& name, const std::string& caption, std::int32_t type, std::int32_t sum,
           const std::string& format = "") {
    auto item = std::make_shared<clsItemState>();
    item->sFieldName = name;
    item->sCardItemName = caption;
    item->nFieldType = type;
    item->nNeedSum = sum;
    item->sFormatData = format;
    items[name] = item;
  }
};

// Upper- and mixed-case names on purpose: the printer lower-cases them first.
const char* const kDefinition = R"(<Voucher>
  <Template VT_Width='2835' vt_height='567' PrintRowCaption='1'/>
  <Head><Item FieldName='cpersonname' CardItemName='业务员' FieldType='1'/></Head>
  <FixLabel>
    <Label LocaleID='zh-CN' Text='RowNumber' X='0' Y='0' Width='567' Height='283' nBorder='23'/>
    <Label localeid='en-US' Text='English only' X='0' Y='0' Width='567' Height='283'/>
    <Label localeid='ZH-cn' nActionText='1' nActionSource='2' sCol='cinvcode' X='567' Y='0'
           Width='1134' Height='283' nBorder='11' FontState='黑体,12,255,1,3'/>
    <Label localeid='zh-CN' nActionText='1' nActionSource='1' sCol='cpersonname' X='0' Y='283'
           Width='1134' Height='283' nBorder='0' nBorderLine='2'/>
    <Label localeid='zh-CN' Text='单价 &amp; "说明" &lt;x&gt; &apos;' X='0' Y='0' Width='0' Height='0'
           PrintInterval='1,500' PrintUpcase='1'/>
    <Label localeid='zh-CN' nActionText='1' nActionSource='2' sCol='iquantity' X='1701' Y='0'
           Width='567' Height='283'/>
    <Label localeid='zh-CN' Text='[%0,存货图片%]' ScaleMode='3' PictureRight='1'/>
  </FixLabel>
</Voucher>)";

std::vector<std::string> Children(const pugi::xml_node& node, const char* attribute = nullptr) {
  std::vector<std::string> out;
  for (const pugi::xml_node c : node.children()) {
    out.push_back(attribute ? c.attribute(attribute).value() : c.text().get());
  }
  return out;
}

pugi::xml_node Parse(pugi::xml_document& doc, const std::string& text) {
  const auto result = doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  EXPECT_TRUE(result) << result.description() << " in " << text;
  return doc.document_element();
}

RecordsetPtr DefinitionRows(const char* definition) {
  auto rs = std::make_shared<Recordset>(std::vector<std::string>{"vt_RowLayoutXML"});
  rs->AddRow({Variant(std::string(definition))});
  return rs;
}

class RowLayoutTest : public ::testing::Test {
 protected:
  RowLayoutTest() {
    bill.nID = 7;
    bill.sBillNo = "17";
  }
  bool PrepareFrom(const char* definition) {
    source.OnSql("vouchertemplates_lang", DefinitionRows(definition));
    return printer.Prepare(&source, bill, "zh-CN", voucher);
  }
  clsBillInformation bill;
  Voucher voucher;
  testing::FakeDataSource source;
  RowLayout printer;
};

TEST_F(RowLayoutTest, DefinitionQueryKeepsItsTextAndQuotesTheBillNumber) {
  EXPECT_EQ(RowLayoutDefinitionSql(7, "17", "zh-CN"),
            " select vt_RowLayoutXML from  vouchertemplates_lang  where  vt_id='7' and vt_cardNUmber='17' "
            "and localeid='zh-CN'");
  bill.sBillNo = "17' or '1'='1";
  EXPECT_FALSE(printer.Prepare(&source, bill, "zh-CN", voucher));  // nothing stored: the grid prints
  ASSERT_EQ(source.queries.size(), 1u);
  EXPECT_NE(source.queries[0].find("vt_cardNUmber='17'' or ''1''=''1' and"), std::string::npos)
      << source.queries[0];
  EXPECT_FALSE(printer.Prepare(nullptr, bill, "zh-CN", voucher));
}

TEST_F(RowLayoutTest, MissingOrBrokenDefinitionsLeaveTheGrid) {
  for (const char* definition : {"", "   ", "<voucher><template>", "<voucher/>", "<other><template/></other>"}) {
    SCOPED_TRACE(definition);
    RowLayout fresh;
    source.sql_handlers.clear();
    source.OnSql("vouchertemplates_lang", DefinitionRows(definition));
    EXPECT_FALSE(fresh.Prepare(&source, bill, "zh-CN", voucher));
    std::string style;
    fresh.StylePart(style);
    EXPECT_EQ(style, "");
  }
  auto nullValue = std::make_shared<Recordset>(std::vector<std::string>{"vt_RowLayoutXML"});
  nullValue->AddRow({Variant::Null()});
  source.sql_handlers.clear();
  source.OnSql("vouchertemplates_lang", nullValue);
  EXPECT_FALSE(printer.Prepare(&source, bill, "zh-CN", voucher));
  // A failing query is no error to the host either.
  source.sql_handlers.clear();
  source.OnSql("vouchertemplates_lang", DefinitionRows(kDefinition));
  source.fail_query_number = static_cast<int>(source.queries.size()) + 1;
  EXPECT_FALSE(printer.Prepare(&source, bill, "zh-CN", voucher));
  // Nor is a voucher that fails while the labels are read.
  struct Failing : Voucher {
    std::string HeaderValue(const clsItemState&) override { throw VbError(5, "no header"); }
  } failing;
  source.fail_query_number = 0;
  EXPECT_FALSE(printer.Prepare(&source, bill, "zh-CN", failing));
  EXPECT_FALSE(printer.Loaded());
}

TEST_F(RowLayoutTest, StylePartHasOneFieldPerLabelOfTheLoginLanguage) {
  ASSERT_TRUE(PrepareFrom(kDefinition));
  std::string style;
  printer.StylePart(style);
  EXPECT_EQ(style.rfind("<自定义表体 是否启用='是' 打印表头='是'  行宽='500' 行高='100'>", 0), 0u) << style;
  pugi::xml_document doc;
  const pugi::xml_node part = Parse(doc, style);
  // The en-US label is left out and numbering has no gap for it.
  EXPECT_EQ(Children(part, "名字"),
            (std::vector<std::string>{"文本1", "文本2", "文本3", "文本4", "文本5", "文本6"}));

  // nborder 23: position 2 (last page) and border 3 (no border attributes).
  const pugi::xml_node first = part.first_child();
  EXPECT_STREQ(first.attribute("打印").value(), "最后一页");
  EXPECT_FALSE(first.attribute("边框"));
  EXPECT_STREQ(first.attribute("左顶点").value(), "0,0");
  EXPECT_STREQ(first.attribute("宽").value(), "100");
  EXPECT_STREQ(first.attribute("类型").value(), "0");

  // nborder 11: first page, border 1; the font string decoded.
  const pugi::xml_node second = first.next_sibling();
  EXPECT_STREQ(second.attribute("打印").value(), "第一页");
  EXPECT_STREQ(second.attribute("边框").value(), "0x1F");
  EXPECT_STREQ(second.attribute("字体名").value(), "黑体");
  EXPECT_STREQ(second.attribute("字体大小").value(), "12");
  EXPECT_STREQ(second.attribute("粗体").value(), "是");
  EXPECT_STREQ(second.attribute("下划线").value(), "是");
  EXPECT_STREQ(second.attribute("颜色").value(), "#FF0000");
  EXPECT_STREQ(second.attribute("左顶点").value(), "100,0");

  const pugi::xml_node third = second.next_sibling();
  EXPECT_STREQ(third.attribute("边框").value(), "0");
  EXPECT_STREQ(third.attribute("边框宽度").value(), "2");
  EXPECT_STREQ(third.attribute("打印").value(), "打印");

  const pugi::xml_node fourth = third.next_sibling();
  EXPECT_STREQ(fourth.attribute("类型").value(), "5");
  EXPECT_STREQ(fourth.attribute("套打").value(), "是");
  EXPECT_STREQ(fourth.attribute("标题宽度").value(), "500");

  const pugi::xml_node picture = part.last_child();
  EXPECT_STREQ(picture.attribute("图片").value(), "是");
  EXPECT_STREQ(picture.attribute("缩放模式").value(), "按图比例缩放");
  EXPECT_STREQ(picture.attribute("图片居右").value(), "是");
}

TEST_F(RowLayoutTest, DataBodyRepeatsTheTemplatePerRowWithEscapedTexts) {
  bill.nPagesubTotal = 1;
  bill.sfootHeaderFont = "1";
  bill.nPageTotal = 2;
  ASSERT_TRUE(PrepareFrom(kDefinition));
  EXPECT_NE(printer.RowTemplate().find("<单元>#RowNumber#</单元><单元>%G:-1,##cinvcode##%</单元>"),
            std::string::npos)
      << printer.RowTemplate();
  std::string data;
  printer.AppendDataBody(data, bill, voucher);
  pugi::xml_document doc;
  const pugi::xml_node body = Parse(doc, data);
  ASSERT_STREQ(body.name(), "表体");
  const char* const note = "单价 & \"说明\" <x> '";
  const char* const person = "O'Neil \"张三\",经理";
  EXPECT_EQ(Children(body.child("表体头")),
            (std::vector<std::string>{"#RowNumber#", "存货编码 & <码>", person, note, "数量", "存货图片"}));
  std::vector<std::vector<std::string>> rows;
  for (const pugi::xml_node row : body.children("表体行")) rows.push_back(Children(row));
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"1", "A&1", person, note, "2.00", ""},
                                                         {"2", "B<2>", person, note, "3.50", ""}}));
  EXPECT_STREQ(body.child("表体行").last_child().attribute("图片").value(), "存货图片");

  std::vector<std::vector<std::string>> tails;
  for (const pugi::xml_node row : body.children("表体尾")) tails.push_back(Children(row));
  EXPECT_EQ(tails, (std::vector<std::vector<std::string>>{
                       {"", "", "", "", "%PAGE_SUM_F%[#,##0.00]", ""},
                       {"", "", "", "", "%SUB_TOTAL_F%[#,##0.00]", ""},
                       {"", "", "", "", "total:iquantity", ""}}));
  // The escaping is in the text itself, not only in what a parser gives back.
  EXPECT_NE(data.find("<单元>A&amp;1</单元>"), std::string::npos);
  EXPECT_NE(data.find("O&apos;Neil"), std::string::npos);

  // No summary flags: no 表体尾 rows.
  std::string plain;
  printer.AppendDataBody(plain, clsBillInformation(), voucher);
  EXPECT_EQ(plain.find("<表体尾>"), std::string::npos);
}

TEST_F(RowLayoutTest, RowTemplateThatDoesNotParseGivesABodyWithoutRows) {
  for (const char* broken : {"<单元>a</单元><单元>", "<单元>a</表体>", "</单元>", "<单元 图片=x/>"}) {
    SCOPED_TRACE(broken);
    std::string data;
    AppendRowLayoutBody(data, broken, bill, voucher);
    EXPECT_EQ(data, "<表体>\r\n<表体头>\r\n</表体头>\r\n</表体>");
  }
  // A template without the row-number token keeps "#" texts as they are.
  std::string data;
  // A field the template does not know prints empty.
  AppendRowLayoutBody(data, "<单元>#行#</单元><单元>%G:-1,##cinvcode##%</单元><单元>%G:-1,##nosuch##%</单元>",
                      bill, voucher);
  EXPECT_NE(data.find("<表体行><单元>#行#</单元><单元>A&amp;1</单元><单元></单元></表体行>"), std::string::npos)
      << data;
}

}  // namespace
}  // namespace cavra
