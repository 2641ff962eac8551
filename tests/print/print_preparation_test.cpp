#include "print/print_preparation.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <string>

#include "cavra/components.h"
#include "cavra/outside.h"
#include "cavra/voucher_service.h"
#include "core/resources.h"
#include "core/trace_log.h"
#include "fakes/fakes.h"
#include "fakes/rowset_xml.h"
#include "fakes/scratch.h"
#include "fakes/template_xml.h"
#include "print/print_count.h"
#include "service/service_fixture.h"
#include "workflow/customer_info.h"

namespace cavra {
namespace {

using testing::MakeRecordset;

// The print subsystems of one service, wired as the service wires them, over
// a fake data source.
struct Preparation {
  std::shared_ptr<testing::FakeDataSource> ds = std::make_shared<testing::FakeDataSource>();
  std::shared_ptr<testing::RecordingSink> sink = std::make_shared<testing::RecordingSink>();
  ServiceContext ctx;
  FieldRights rights;
  TemplateModel model{ctx, rights, nullptr};
  VoucherDocuments docs{ctx, model};
  FieldValues values{ctx, model, docs};
  CustomerInfo info{ctx, model};
  PrintPreparation prep{ctx, model, docs, values, rights, info};
  RecordsetPtr tpl;
  std::string style, data;

  Preparation() {
    InitResourceService();  // the service does it when it is created
    ctx.SetDataSource(ds);
    ctx.SetLogin(std::make_shared<testing::FakeLogin>());
    ctx.AddSink(sink);
  }
  // items and extra as testing::TemplateXml takes them; the service loads the
  // same template it prints.
  void Template(const std::string& items, const std::string& extra = "") {
    tpl = testing::TemplateRecordset(items, extra);
    model.setTemplateData(tpl);
  }
  void Data(const std::string& headColumns, const std::string& headRow, const std::string& bodyColumns,
            const std::string& bodyRows) {
    docs.Load(testing::Rowset(headColumns, headRow), testing::Rowset(bodyColumns, bodyRows));
  }
  bool Run(const RecordsetPtr& labels = nullptr, PrintRequest request = {}) {
    return prep.Prepare(tpl, labels, request, style, data);
  }
};

pugi::xml_document Parse(const std::string& text) {
  pugi::xml_document doc;
  const auto result = doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  EXPECT_TRUE(result) << result.description() << " at " << result.offset << "\n" << text;
  return doc;
}

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

const char* kHeadItems =
    "<item fieldname='cCode' carditemname='单号' cardsection='T' fieldtype='1' showit='1' printcaption='1'"
    " cox='567' coy='100' width='567' height='300'/>";
const char* kBodyItems =
    "<item fieldname='cInv' carditemname='存货' cardsection='B' fieldtype='1' showit='1' width='567'"
    " maxlength='20'/>"
    "<item fieldname='iQty' carditemname='数量' cardsection='B' fieldtype='4' numpoint='2' needsum='1'"
    " showit='1' width='1134' maxlength='12'/>"
    "<item fieldname='dDue' carditemname='到期' cardsection='B' fieldtype='5' showit='1' width='567'/>";
const char* kTemplateExtra = "VT_BodyTop='2000' VT_BodyHeight='1000'";

// A template with a header field and three body columns, and two lines.
void SmallVoucher(Preparation& p, const std::string& extra = "") {
  p.Template(std::string(kHeadItems) + kBodyItems, std::string(kTemplateExtra) + " " + extra);
  p.Data("ID:int,cCode,cSOCode", "<z:row ID='1' cCode='R-1' cSOCode='R-1'/>",
         "ID:int,cInv,iQty:float,dDue:dateTime",
         "<z:row ID='1' cInv='A' iQty='2' dDue='2026-12-01T10:20:30.5'/>"
         "<z:row ID='1' cInv='B' iQty='3.5' SumRow='1'/>");
}

RecordsetPtr Labels(std::vector<std::vector<Variant>> rows) {
  return MakeRecordset({"Text", "X", "Y", "Width", "Height", "FontState", "nBorder", "nAlignment",
                        "PrintUpcase", "PrintInterval", "nActionText", "nActionSource", "sCol", "nRow"},
                       std::move(rows));
}
// A label at y with a literal text (or token).
std::vector<Variant> TextLabel(const std::string& text, int y = 100) {
  return {Variant(text), Variant(0), Variant(y), Variant(567), Variant(300), Variant("宋体,9,0,0,1"),
          Variant(3),    Variant(1), Variant(0), Variant(""),  Variant(0),   Variant(0),
          Variant(""),   Variant(1)};
}
std::vector<Variant> FieldLabel(int source, const std::string& col, int row = 1, int y = 100) {
  std::vector<Variant> label = TextLabel("", y);
  label[10] = Variant(1);
  label[11] = Variant(source);
  label[12] = Variant(col);
  label[13] = Variant(row);
  return label;
}

// ---------------------------------------------------------------- structure

TEST(PrintPreparation, DocumentsHaveTheirPartsInOrder) {
  Preparation p;
  SmallVoucher(p);
  ASSERT_TRUE(p.Run());
  const auto style = Parse(p.style);
  const pugi::xml_node format = style.child("格式");
  std::vector<std::string> names;
  for (pugi::xml_node n : format.children()) names.push_back(n.name());
  EXPECT_EQ(names, (std::vector<std::string>{"打印设置", "纸张设置", "表格"}));
  names.clear();
  for (pugi::xml_node n : format.child("表格").children()) names.push_back(n.name());
  EXPECT_EQ(names, (std::vector<std::string>{"页眉", "标题", "表头", "表体", "表尾", "页脚"}));
  const pugi::xml_node body = format.child("表格").child("表体");
  EXPECT_STREQ(body.attribute("字段类型").value(), "10,7,8");
  EXPECT_STREQ(body.attribute("字段大小").value(), "20,12,0");
  EXPECT_STREQ(body.attribute("字段名称").value(), "存货(cInv),数量(iQty),到期(dDue)");
  EXPECT_STREQ(body.attribute("列宽").value(), "100,200,100");
  EXPECT_STREQ(body.attribute("条码").value(), "-1,-1,-1");
  EXPECT_STREQ(body.child("表体行").attribute("对齐方式").value(), "左,右,左");
  EXPECT_EQ(p.prep.LastColumnLists(), "10,7,8{##}20,12,0{##}存货(cInv),数量(iQty),到期(dDue)");

  const auto data = Parse(p.data);
  const pugi::xml_node task = data.child("数据").child("任务");
  EXPECT_STREQ(task.child("单据号").text().get(), "R-1{##}1");
  EXPECT_STREQ(task.child("表头").child("字段").attribute("名字").value(), "单号(cCode)");
  EXPECT_STREQ(task.child("表头").child("字段").text().get(), "R-1");
  const pugi::xml_node rows = task.child("表体");
  pugi::xml_node row = rows.child("表体行");
  EXPECT_FALSE(row.attribute("SumRow"));
  EXPECT_STREQ(row.child("单元").next_sibling().text().get(), "2.00");
  EXPECT_STREQ(row.last_child().text().get(), "2026-12-01 10:20:30");  // "T" gone, cut to 19
  row = row.next_sibling("表体行");
  EXPECT_STREQ(row.attribute("SumRow").value(), "1");
}

TEST(PrintPreparation, RowNumberColumnComesFirst) {
  Preparation p;
  SmallVoucher(p, "nPrintSeril='601'");
  p.ds->total_titles = "页小计{##}小计{##}行{##}总计";
  ASSERT_TRUE(p.Run());
  const auto style = Parse(p.style);
  const pugi::xml_node body = style.child("格式").child("表格").child("表体");
  EXPECT_STREQ(body.attribute("字段名称").value(), "行,存货(cInv),数量(iQty),到期(dDue)");
  EXPECT_STREQ(body.attribute("字段大小").value(), "20,20,12,0");
  EXPECT_STREQ(body.attribute("条码").value(), "-1,-1,-1,-1");
  EXPECT_STREQ(body.attribute("列宽").value(), "106,100,200,100");
  const auto data = Parse(p.data);
  const pugi::xml_node rows = data.child("数据").child("任务").child("表体");
  EXPECT_STREQ(rows.child("表体头").first_child().text().get(), "行");
  EXPECT_STREQ(rows.child("表体行").first_child().text().get(), "1");
  EXPECT_STREQ(rows.child("表体行").next_sibling("表体行").first_child().text().get(), "2");
}

TEST(PrintPreparation, SummaryRowsFollowTheTemplateSwitches) {
  Preparation p;
  SmallVoucher(p, "VT_PageSubTotal='1' VT_footHeaderFont='1' VT_PageTotal='2'");
  p.ds->total_titles = "页小计{##}小计";
  ASSERT_TRUE(p.Run());
  const auto data = Parse(p.data);
  std::vector<std::string> cells;
  for (pugi::xml_node tail : data.child("数据").child("任务").child("表体").children("表体尾"))
    for (pugi::xml_node cell : tail.children("单元")) cells.push_back(cell.text().get());
  EXPECT_EQ(cells, (std::vector<std::string>{"页小计:", "%PAGE_SUM_F%[]", "", "小计:", "%SUB_TOTAL_F%[]", "",
                                             "合计:", "5.50", ""}));
  EXPECT_TRUE(Has(p.style, "合计行='1' 打印='最后一表' "));
  EXPECT_TRUE(Has(p.style, "分单小计转合计='是'"));
}

TEST(PrintPreparation, TemplateWithoutBodyItems) {
  Preparation p;
  p.Template(kHeadItems);
  p.Data("cCode", "<z:row cCode='x'/>", "a", "<z:row a='1'/>");
  ASSERT_TRUE(p.Run());
  const auto style = Parse(p.style);
  const pugi::xml_node body = style.child("格式").child("表格").child("表体");
  EXPECT_STREQ(body.attribute("字段类型").value(), "10");
  EXPECT_STREQ(body.attribute("字段大小").value(), "255");
  EXPECT_EQ(p.prep.LastColumnLists(), "10{##}255{##}");
  Parse(p.data);
}

TEST(PrintPreparation, HeaderAndFooterPlacementAndLastPageFooter) {
  Preparation p;
  const std::string low =
      "<item fieldname='cLow' carditemname='签字' cardsection='T' fieldtype='1' showit='1' coy='3001'"
      " printcaption='1'/>";
  p.Template(std::string(kHeadItems) + low + kBodyItems, kTemplateExtra);
  p.Data("cCode,cLow", "<z:row cCode='R' cLow='L'/>", "cInv", "<z:row cInv='A'/>");
  // A label at Y 2001 lies below the body top (2000): footer. nBorder 23 = last page only.
  std::vector<Variant> footerLabel = TextLabel("页末", 2001);
  footerLabel[6] = Variant(23);
  ASSERT_TRUE(p.Run(Labels({TextLabel("页首", 2000), footerLabel})));
  const auto style = Parse(p.style);
  const pugi::xml_node table = style.child("格式").child("表格");
  EXPECT_STREQ(table.child("表头").first_child().attribute("关键字").value(), "文本1");
  EXPECT_STREQ(table.child("表尾").first_child().attribute("关键字").value(), "文本2");
  EXPECT_STREQ(table.child("表尾").first_child().attribute("打印").value(), "最后一页");
  EXPECT_STREQ(table.child("表尾").last_child().attribute("关键字").value(), "签字(cLow)");
  // cLow prints everywhere, so the footer as a whole is not last-page only.
  EXPECT_FALSE(table.child("表尾").attribute("打印"));
  const auto data = Parse(p.data);
  const pugi::xml_node task = data.child("数据").child("任务");
  EXPECT_STREQ(task.child("表尾").first_child().text().get(), "页末");
  EXPECT_STREQ(task.child("表尾").last_child().text().get(), "L");
  EXPECT_STREQ(task.child("表头").first_child().text().get(), "页首");
}

// ---------------------------------------------------------------- bad input

TEST(PrintPreparationBadInput, TemplateThatDoesNotLoadLeavesBothTextsEmpty) {
  Preparation p;
  SmallVoucher(p);
  const RecordsetPtr good = p.tpl;
  p.style = "old";
  p.data = "old";
  EXPECT_FALSE(p.prep.Prepare(nullptr, nullptr, {}, p.style, p.data));
  EXPECT_EQ(p.style, "");
  EXPECT_EQ(p.data, "");
  EXPECT_EQ(p.ctx.LastError(), "打印模板加载失败");
  // No rows at all fails the copy too; the service keeps its own template.
  p.tpl = MakeRecordset({"a"}, {});
  EXPECT_FALSE(p.Run());
  EXPECT_EQ(p.model.Bill().nBodyTop, 2000);
  ASSERT_NE(p.model.FindItem("cCode", false), nullptr);
}

TEST(PrintPreparationBadInput, PrintTemplateCopyDoesNotTouchTheService) {
  Preparation p;
  SmallVoucher(p);
  p.rights.SetAuthString("x");
  p.ds->auth_string = "other";
  p.tpl = testing::TemplateRecordset(kHeadItems, "CardNumber='99' VT_BodyTop='5'");
  ASSERT_TRUE(p.Run());
  EXPECT_EQ(p.model.Bill().sBillNo, "17");
  EXPECT_EQ(p.model.Bill().nBodyTop, 2000);
  EXPECT_EQ(p.rights.AuthString(), "x");
  EXPECT_NE(p.model.FindItem("iQty", true), nullptr);
}

TEST(PrintPreparationBadInput, ClosedOrEmptyLabelRecordsets) {
  for (bool closed : {false, true}) {
    SCOPED_TRACE(closed ? "closed" : "empty");
    Preparation p;
    SmallVoucher(p);
    RecordsetPtr labels = closed ? Labels({TextLabel("x")}) : Labels({});
    if (closed) labels->Close();
    ASSERT_TRUE(p.Run(labels));
    EXPECT_FALSE(Has(p.style, "文本"));
    EXPECT_FALSE(Has(p.data, "文本"));
    Parse(p.style);
    Parse(p.data);
  }
}

TEST(PrintPreparationBadInput, PrintSettings) {
  // Stored settings that parse: their block is used, with the barcode length of the template.
  Preparation p;
  SmallVoucher(p, "nbarcodeMultiple='4'");
  PrintRequest request;
  request.printEntir = "old{##}<打印设置 打印份数='2' 条码长度='9'/><纸张设置 纸张类型='1'/>|x|右|中|左";
  ASSERT_TRUE(p.Run(nullptr, request));
  auto style = Parse(p.style);
  pugi::xml_node format = style.child("格式");
  EXPECT_STREQ(format.child("打印设置").attribute("条码长度").value(), "4");
  EXPECT_STREQ(format.child("打印设置").attribute("打印份数").value(), "2");
  EXPECT_STREQ(format.child("纸张设置").attribute("纸张类型").value(), "1");
  EXPECT_TRUE(Has(p.style, "<打印设置 打印份数='2' 条码长度='4'/>\r\n<纸张设置 纸张类型='1'/>\r\n<表格 "));
  const pugi::xml_node body = format.child("表格").child("表体");
  EXPECT_STREQ(body.child("表体头").attribute("对齐方式").value(), "右");
  EXPECT_STREQ(body.child("表体行").attribute("对齐方式").value(), "中");
  EXPECT_STREQ(body.child("表体尾").attribute("对齐方式").value(), "左");

  // Settings that do not parse stay as they are (and so the style does not parse either).
  Preparation q;
  SmallVoucher(q);
  request.printEntir = "<打印设置 打印份数='2'";
  ASSERT_TRUE(q.Run(nullptr, request));
  EXPECT_TRUE(Has(q.style, "'>\r\n<打印设置 打印份数='2'<表格"));

  // Blank settings: the customer setting, then the default block (horizontal tiling asked for).
  Preparation r;
  SmallVoucher(r);
  r.ds->customer_info["PrintSetting|17|12"] = "";
  request = {};
  request.horzTile = true;
  ASSERT_TRUE(r.Run(nullptr, request));
  style = Parse(r.style);
  EXPECT_STREQ(style.child("格式").child("打印设置").attribute("横向平铺").value(), "是");
  ASSERT_FALSE(r.ds->info_requests.empty());
  EXPECT_TRUE(Has(r.ds->info_requests.back(), "fchrType='PrintSetting'"));
}

TEST(PrintPreparationBadInput, OneLineHeaderAndThreePartGridStyles) {
  Preparation p;
  SmallVoucher(p, "VT_Header='只有一行' VT_GridStyleHead='1@2@宋体,12,0,0,2' VT_GridStyleBody='9@9@x@9@9'");
  ASSERT_TRUE(p.Run());
  const auto style = Parse(p.style);
  const pugi::xml_node table = style.child("格式").child("表格");
  const pugi::xml_node header = table.child("页眉");
  EXPECT_STREQ(header.attribute("打印").value(), "");
  EXPECT_STREQ(header.attribute("对齐方式").value(), "");
  EXPECT_STREQ(header.attribute("图片").value(), "否");
  EXPECT_STREQ(header.attribute("图片居右").value(), "否");
  EXPECT_STREQ(header.attribute("缩放模式").value(), "原始大小");
  for (const char* part : {"表体头", "表体行"}) {
    SCOPED_TRACE(part);
    const pugi::xml_node grid = table.child("表体").child(part);
    EXPECT_STREQ(grid.attribute("边框风格").value(), "783");
    EXPECT_STREQ(grid.attribute("边框宽度").value(), "1");
    EXPECT_STREQ(grid.attribute("行高").value(), "0");
    EXPECT_STREQ(grid.attribute("字体名").value(), "宋体");
    EXPECT_STREQ(grid.attribute("字体大小").value(), "9");
  }
  EXPECT_TRUE(Has(p.data, "<页眉 图片='公司LOGO'>只有一行</页眉>\r\n"));
}

TEST(PrintPreparationBadInput, HostileTextsAreEscapedInBothDocuments) {
  Preparation p;
  const std::string nasty = "A&B <C> 'D' \"E\"\r\n中文";
  p.Template(std::string("<item fieldname='cCode' carditemname='") +
                 "客&amp;户&apos;s &lt;名&gt; &quot;q&quot;" +
                 "' cardsection='T' fieldtype='1' showit='1' printcaption='1'/>" + kBodyItems,
             "VT_TitleName='标题&amp;\\n第二行' VT_Header='页&lt;眉' VT_Foot='脚&apos;注'");
  p.Data(
      "cCode",
      "<z:row cCode='" + std::string("A&amp;B &lt;C&gt; &apos;D&apos; &quot;E&quot;&#13;&#10;中文") + "'/>",
      "cInv", "<z:row cInv='x&amp;&lt;'/>");
  ASSERT_TRUE(p.Run(Labels({TextLabel(nasty)})));
  EXPECT_TRUE(Has(p.style, "名字='客&amp;户&apos;s &lt;名&gt; \"q\"'"));
  EXPECT_TRUE(Has(p.data, "<字段 名字='客&amp;户&apos;s &lt;名&gt; \"q\"(cCode)'>"));
  EXPECT_TRUE(Has(p.data, ">A&amp;B &lt;C&gt; &apos;D&apos; \"E\"\r\n中文</字段>"));
  EXPECT_TRUE(Has(p.data, "<标题>标题&amp;\r\n第二行</标题>"));
  EXPECT_TRUE(Has(p.data, "<单元>x&amp;&lt;</单元>"));
  Parse(p.style);
  const auto data = Parse(p.data);
  const pugi::xml_node task = data.child("数据").child("任务");
  EXPECT_STREQ(task.child("页眉").text().get(), "页<眉");
  EXPECT_STREQ(task.child("页脚").text().get(), "脚'注");
  EXPECT_EQ(std::string(task.child("表头").first_child().text().get()), "A&B <C> 'D' \"E\"\n中文");
}

TEST(PrintPreparationBadInput, NeverAnExceptionFromTheService) {
  testing::ServiceHarness h;
  std::string style = "x", data = "x";
  Variant rs, labels = Variant("not a recordset"), vs, vd;
  EXPECT_NO_THROW(h.svc.PreParePrintWeb(rs, labels, vs, vd));
  EXPECT_EQ(CStr(vs), "");
  EXPECT_EQ(h.svc.GetLastError(), "打印模板加载失败");
  ASSERT_FALSE(h.sink->errors.empty());  // the loader's own report

  h.LoadTemplate(std::string(kHeadItems) + kBodyItems);
  Variant tpl(testing::TemplateRecordset(std::string(kHeadItems) + kBodyItems));
  EXPECT_TRUE(h.svc.PreParePrintWeb(tpl, labels, vs, vd).IsEmpty());
  EXPECT_TRUE(Has(CStr(vs), "<格式 "));
  EXPECT_TRUE(Has(CStr(vd), "<数据>"));
}

// ---------------------------------------------------------------- labels

TEST(PrintPreparationLabels, TextSourcesAndTokens) {
  Preparation p;
  SmallVoucher(p);
  p.ds->OnSql("PrintPolicy_VCH",
              MakeRecordset({"total", "lastprintTime", "CurrentServerDate"},
                            {{Variant(4), Variant("2026-11-30T08:00:00"), Variant("2026-12-06 09:00:00")}}));
  std::vector<Variant> upper = TextLabel("[%4,iQty%]");
  upper[8] = Variant(1);
  ASSERT_TRUE(p.Run(Labels({
      FieldLabel(1, "cCode"),       // 1 header value
      FieldLabel(2, "iQty", 2),     // 2 body cell reference
      FieldLabel(3, "iQty"),        // 3 column total
      FieldLabel(5, "", 0),         // 5 print count so far
      TextLabel("[%13,cInv%]"),     // cell reference token, row from nRow
      TextLabel("[%7,iQty%]"),      // total token
      TextLabel("@1@"),             // print count, this print
      TextLabel("[%99,x%]"),        // unknown: not printed at all
      upper,                        // body column token, upper-case flag set
      TextLabel("%G:0,##cInv##%"),  // passes through
      FieldLabel(9, "cCode"),       // an unlisted source reads the header
  })));
  const auto data = Parse(p.data);
  std::vector<std::string> texts;
  for (pugi::xml_node f : data.child("数据").child("任务").child("表头").children("字段"))
    if (std::string(f.attribute("名字").value()).rfind("文本", 0) == 0) texts.push_back(f.text().get());
  EXPECT_EQ(texts, (std::vector<std::string>{"R-1", "%G:1,##iQty##%", "5.50", "4/2026-11-30 08:00:00",
                                             "%G:0,##cInv##%", "5.50", "demo/5/2026-12-06 09:00:00", "iQty",
                                             "%G:0,##cInv##%", "R-1"}));
  // The unknown token took its number: the labels after it go on from 9.
  EXPECT_FALSE(Has(p.style, "'文本8'"));
  const auto style = Parse(p.style);
  pugi::xml_node token;
  for (pugi::xml_node f : style.child("格式").child("表格").child("表头").children("字段"))
    if (std::string(f.attribute("关键字").value()) == "文本9") token = f;
  ASSERT_TRUE(token);
  EXPECT_STREQ(token.attribute("类型").value(), "8");
  EXPECT_STREQ(token.attribute("类1型").value(), "5");
  EXPECT_STREQ(token.attribute("对应列号").value(), "1");  // cInv is 0, iQty 1
}

TEST(PrintPreparationLabels, HiddenFieldsPrintEmptyAndFormattedValuesUsePlainPunctuation) {
  Preparation p;
  p.Template(std::string(kHeadItems) +
                 "<item fieldname='cNote' cardsection='T' fieldtype='1' showit='1'/>"
                 "<item fieldname='cSecret' cardsection='T' fieldtype='1' showit='1'/>",
             kTemplateExtra);
  p.Data("cCode,cNote,cSecret", "<z:row cCode='R' cNote='“甲”，‘乙’' cSecret='s'/>", "a", "");
  p.rights.SetAuthString("{##}cSecret");  // hidden
  ASSERT_TRUE(p.Run(Labels({FieldLabel(1, "cNote"), FieldLabel(1, "cSecret"), TextLabel("“原样”")})));
  EXPECT_TRUE(Has(p.data, "<字段 名字='文本1'>\"甲\",&apos;乙&apos;</字段>"));
  EXPECT_TRUE(Has(p.data, "<字段 名字='文本2'></字段>"));
  EXPECT_TRUE(Has(p.data, "<字段 名字='文本3'>“原样”</字段>"));
}

TEST(PrintPreparationLabels, PictureLabelsAndTheCompanyLogo) {
  Preparation p;
  SmallVoucher(p);
  std::vector<Variant> logo = FieldLabel(4, "");
  PrintRequest request;
  request.logoPicture = "QUJD";
  ASSERT_TRUE(p.Run(Labels({TextLabel("[%公司LOGO%]"), logo}), request));
  EXPECT_TRUE(Has(p.style, "<字段 名字='文本1' 图片='是'  缩放模式='原始大小' 图片居右='否' "));
  EXPECT_TRUE(Has(p.style, "<字段 名字='文本2' 图片='是' "));
  EXPECT_FALSE(Has(p.data, "<字段 名字='文本1'>"));
  EXPECT_TRUE(
      Has(p.data, "<图片 名字='文本1' 数据='QUJD'/><图片 名字='文本2' 数据='QUJD'/></任务>\r\n</数据>"));
}

// ---------------------------------------------------------------- body

TEST(PrintPreparationBody, GroupsAreSortedOnACopy) {
  Preparation p;
  SmallVoucher(p, "VT_ReservedInfo='cInv'");
  p.Data("ID:int,cCode", "<z:row ID='1' cCode='R-1'/>", "cInv,iQty:float",
         "<z:row cInv='B' iQty='1'/><z:row cInv='A' iQty='2'/><z:row cInv='B' iQty='3'/>");
  ASSERT_TRUE(p.Run());
  const auto data = Parse(p.data);
  std::vector<std::string> groups;
  for (pugi::xml_node g : data.child("数据").child("任务").child("表体").children("分单")) {
    std::string text;
    for (pugi::xml_node row : g.children("表体行")) text += row.first_child().text().get();
    groups.push_back(text);
  }
  EXPECT_EQ(groups, (std::vector<std::string>{"A", "BB"}));
  // The service's body keeps its order.
  EXPECT_STREQ(p.docs.BodyRow(1).attribute("cInv").value(), "B");
}

class FailingSorter : public ISorter {
 public:
  bool sortDOMVoucherBody(const std::string&, const std::string&, DomPtr&) override {
    throw VbError(5, "sorter broke");
  }
};

TEST(PrintPreparationBody, AFailingSorterPrintsTheRowsUngrouped) {
  ScopedComponent sorter("TolmVoucherSorter.clsVoucherSorter",
                         [] { return std::make_shared<FailingSorter>(); });
  Preparation p;
  SmallVoucher(p, "VT_ReservedInfo='cInv' VT_PageTotal='1'");
  ASSERT_TRUE(p.Run());
  EXPECT_FALSE(Has(p.data, "<分单>"));
  const auto data = Parse(p.data);
  const pugi::xml_node body = data.child("数据").child("任务").child("表体");
  EXPECT_EQ(std::distance(body.children("表体行").begin(), body.children("表体行").end()), 2);
  EXPECT_TRUE(body.child("表体尾"));
}

TEST(PrintPreparationBody, StoredMultiLevelHeaderAndInventoryPictures) {
  Preparation p;
  SmallVoucher(p);
  p.ds->ExpectSql(
      "select top 1 fchrXmlInfo from VoucherCustomerInfo where fchrType=N'MultiTableHeader' and fchrOperator "
      "=N'#systemprinter#' and fchrVoucherType=N'17' and fchrVoucherTemplateType=N'12'",
      MakeRecordset({"fchrXmlInfo"}, {{Variant("<单元 图片='存货图片'></单元><单元>多级</单元>")}}));
  Bytes png{0x89, 'P', 'N', 'G'};
  p.ds->ExpectSql(
      "select p.Picture,i.cinvcode from dbo.AA_Picture p inner join  (select pictureguid ,cinvcode from "
      "inventory "
      "where cinvcode in ('A','B')) i  on i.pictureguid = p.cGUID",
      MakeRecordset({"Picture", "cinvcode"}, {{Variant(png), Variant("A")}}));
  p.Template(std::string(kHeadItems) + kBodyItems,
             std::string(kTemplateExtra) + " inventoryFieldName='cInv'");
  p.Data("ID:int,cCode", "<z:row ID='1' cCode='R-1'/>", "cInv", "<z:row cInv='A'/><z:row cInv='B'/>");
  ASSERT_TRUE(p.Run());
  EXPECT_TRUE(Has(p.data, "<表体头>\r\n<单元 图片='存货图片'></单元><单元>多级</单元></表体头>\r\n"));
  EXPECT_TRUE(Has(p.data, "<图片 名字='A' 数据='iVBORw=='/></任务>"));
  Parse(p.data);
}

class FailingCodeLib : public ICodeLib {
 public:
  std::int32_t Base64encode(const Variant&, std::string& out, std::int32_t, std::int32_t) override {
    out = "partial";
    return 7;
  }
};

TEST(PrintPreparationBody, OnePictureThatDoesNotEncodeDropsThemAll) {
  ScopedComponent coder("CodeRuleKit.CodeLib", [] { return std::make_shared<FailingCodeLib>(); });
  Preparation p;
  p.ds->OnSql("MultiTableHeader",
              MakeRecordset({"fchrXmlInfo"}, {{Variant("<单元 图片='存货图片'></单元>")}}));
  p.ds->OnSql("AA_Picture", MakeRecordset({"Picture", "cinvcode"}, {{Variant("x"), Variant("A")}}));
  p.Template(std::string(kHeadItems) + kBodyItems,
             std::string(kTemplateExtra) + " inventoryFieldName='cInv'");
  p.Data("cCode", "<z:row cCode='R'/>", "cInv", "<z:row cInv='A'/>");
  ASSERT_TRUE(p.Run());
  EXPECT_FALSE(Has(p.data, "<图片 "));
  Parse(p.data);
}

TEST(PrintPreparationBody, QuantityFieldsSkipTheAmountPicture) {
  Preparation p;
  p.Template(
      "<item fieldname='iAmount' cardsection='T' fieldtype='4' numpoint='2' formatdata='#,##0.00' "
      "showit='1'/>"
      "<item fieldname='IQuantity' cardsection='T' fieldtype='4' numpoint='2' formatdata='#,##0.00' "
      "showit='1'/>"
      "<item fieldname='FFixDefineFee2' cardsection='T' fieldtype='4' numpoint='1' formatdata='#,##0.00'"
      " showit='1'/>",
      kTemplateExtra);
  p.Data("iAmount:float,IQuantity:float,FFixDefineFee2:float",
         "<z:row iAmount='1234.5' IQuantity='1234.5' FFixDefineFee2='1234.5'/>", "a", "");
  ASSERT_TRUE(p.Run());
  EXPECT_TRUE(Has(p.data, "(iAmount)'>1,234.50</字段>"));
  EXPECT_TRUE(Has(p.data, "(IQuantity)'>1234.50</字段>"));
  EXPECT_TRUE(Has(p.data, "(FFixDefineFee2)'>1234.5</字段>"));
}

// Rows need not list their attributes in one order, and may carry attributes
// that print nowhere; summed columns add the cells as rounded to their
// decimals whatever picture shows them.
TEST(PrintPreparationBody, AttributeOrderAndTotalsOfShownAndPictureColumns) {
  Preparation p;
  p.Template(
      "<item fieldname='cInv' carditemname='存货' cardsection='B' fieldtype='1' showit='1' width='567'/>"
      "<item fieldname='iQty' carditemname='数量' cardsection='B' fieldtype='4' numpoint='2' needsum='1'"
      " showit='1' width='567'/>"
      "<item fieldname='iMoney' carditemname='金额' cardsection='B' fieldtype='4' numpoint='1' needsum='1'"
      " formatdata='1' showit='1' width='567'/>",
      std::string(kTemplateExtra) + " VT_PageTotal='1'");
  p.Data("ID:int,cCode", "<z:row ID='1' cCode='R-1'/>", "ID:int,cInv,iQty:float,iMoney:float,x",
         "<z:row ID='1' cInv='A' iQty='1.005' iMoney='1234.45'/>"
         "<z:row iMoney='2000' x='&lt;' iQty='2' cInv='B' ID='1'/>"
         "<z:row ID='1' SumRow='1' cInv='C' iQty='0.004' iMoney='0.04'/>"
         "<z:row cInv='D' SumRow='1' ID='1' iMoney='-1.06' iQty='x'/>");
  ASSERT_TRUE(p.Run());
  const auto data = Parse(p.data);
  const pugi::xml_node body = data.child("数据").child("任务").child("表体");
  std::vector<std::string> cells, sumRows;
  for (pugi::xml_node row : body.children("表体行")) {
    sumRows.push_back(row.attribute("SumRow").value());
    for (pugi::xml_node cell : row.children("单元")) cells.push_back(cell.text().get());
  }
  EXPECT_EQ(sumRows, (std::vector<std::string>{"", "", "1", "1"}));
  EXPECT_EQ(cells, (std::vector<std::string>{"A", "1.01", "1,234.5", "B", "2.00", "2,000.0", "C", "0.00",
                                             "0.0", "D", "x", "-1.1"}));
  std::vector<std::string> total;
  for (pugi::xml_node cell : body.child("表体尾").children("单元")) total.push_back(cell.text().get());
  // 1.01 + 2.00 + 0.00 and 1234.5 + 2000.0 + 0.0 - 1.1; the text "x" adds nothing.
  EXPECT_EQ(total, (std::vector<std::string>{"合计:", "3.01", "3,233.4"}));
}

// ---------------------------------------------------------------- captions, hooks, dump

class CountingSource : public testing::FakeDataSource {
 public:
  int calls = 0;
  std::string asked_language;
  std::string GetCustomerizeTotalTitle() override {
    ++calls;
    return "P{##}S";
  }
  std::string GetCustomerizeTotalTitle(const std::string& language) override {
    asked_language = language;
    return "PP{##}SS{##}NN{##}TT";
  }
};

TEST(PrintPreparationCaptions, FetchedOncePerServiceAndByTemplateLanguage) {
  Preparation p;
  auto ds = std::make_shared<CountingSource>();
  p.ctx.SetDataSource(ds);
  SmallVoucher(p);
  ASSERT_TRUE(p.Run());
  ASSERT_TRUE(p.Run());
  EXPECT_EQ(ds->calls, 1);
  EXPECT_EQ(p.prep.PageSubtotalCaption(), "P");
  EXPECT_EQ(p.prep.RowNumberCaption(), "序号");
  EXPECT_EQ(p.prep.TotalCaption(), "合计");
  EXPECT_EQ(ds->asked_language, "");  // the template speaks the login language

  p.tpl = testing::TemplateRecordset(std::string(kHeadItems) + kBodyItems, "AppName='en-US' nPrintSeril='1'");
  ASSERT_TRUE(p.Run());
  EXPECT_EQ(ds->asked_language, "en-US");
  EXPECT_EQ(p.prep.TotalCaption(), "TT");
  EXPECT_TRUE(Has(p.style, "语言='en-us'"));
  EXPECT_TRUE(Has(p.data, "<单元>NN</单元>"));
}

class RecordingRowLayout : public RowLayoutPrinter {
 public:
  std::vector<std::string> calls;
  void WriteStyleBody(PrintJob& job) override {
    calls.push_back("style");
    job.style += "<表体 行式='是'></表体>";
  }
  void PostProcess(PrintJob& job) override {
    calls.push_back("post:" + std::to_string(job.columns.size()));
    job.deferred.emplace_back("KEY", "V&1");
  }
};

TEST(PrintPreparationHooks, RowLayoutTakesOverTheBodyAndPlaceholdersAreFilled) {
  Preparation p;
  SmallVoucher(p, "vt_RowLayoutEnabled='1'");
  auto layout = std::make_shared<RecordingRowLayout>();
  p.prep.SetRowLayoutPrinter(layout);
  ASSERT_TRUE(p.Run(Labels({TextLabel("##KEY## and ##KEY##")})));
  EXPECT_EQ(layout->calls, (std::vector<std::string>{"style", "post:3"}));
  EXPECT_TRUE(Has(p.style, "<表体 行式='是'></表体><表尾"));
  EXPECT_TRUE(Has(p.data, ">V&1 and V&1</字段>"));

  // Without a printer the grid body is written.
  Preparation q;
  SmallVoucher(q, "vt_RowLayoutEnabled='1'");
  ASSERT_TRUE(q.Run());
  EXPECT_TRUE(Has(q.style, "<表体 左顶点="));
}

TEST(PrintPreparationHooks, DebugDumpGoesToTheNamedFolder) {
  testing::ScratchDir dir;
  testing::ScopedEnv env("CAVRA_PRINT_DUMP_DIR", dir.path.c_str());
  Preparation p;
  SmallVoucher(p);
  ASSERT_TRUE(p.Run());
  std::ifstream in(dir / "tStyle.xml", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE<\0", 4));
  EXPECT_TRUE(std::filesystem::exists(dir / "tData.xml"));
}

// ---------------------------------------------------------------- print count

TEST(PrintCount, SqlTextAndHostileValues) {
  EXPECT_EQ(
      PrintCountSql("SO1", "17"),
      "select sum(total) as total,max(lastprintTime) as  lastprintTime,GetDate() as CurrentServerDate from "
      "PrintPolicy_VCH where  vchid='SO1' and PolicyID like '17_%'");
  EXPECT_EQ(
      PrintCountSql("x' or '1'='1", "a'b"),
      "select sum(total) as total,max(lastprintTime) as  lastprintTime,GetDate() as CurrentServerDate from "
      "PrintPolicy_VCH where  vchid='x'' or ''1''=''1' and PolicyID like 'a''b_%'");
}

TEST(PrintCount, BothModesWithAndWithoutCounts) {
  ServiceContext ctx;
  auto ds = std::make_shared<testing::FakeDataSource>();
  auto login = std::make_shared<testing::FakeLogin>();
  login->user_name = "李";
  ctx.SetDataSource(ds);
  ctx.SetLogin(login);
  ds->OnSql("PrintPolicy_VCH", MakeRecordset({"total", "lastprintTime", "CurrentServerDate"},
                                             {{Variant::Null(), Variant::Null(), Variant("2026-12-06")}}));
  EXPECT_EQ(PrintCountText(ctx, "R", "17", 0, "2026-12-06 01:02:03"), "0/2026-12-06 01:02:03");
  EXPECT_EQ(PrintCountText(ctx, "R", "17", 1, "now"), "李/1/2026-12-06 00:00:00");
  ds->sql_handlers.clear();
  ds->OnSql(
      "PrintPolicy_VCH",
      MakeRecordset({"total", "lastprintTime", "CurrentServerDate"},
                    {{Variant(3), Variant("2026-12-01T10:00:00"), Variant("2026-12-06T11:12:13.123")}}));
  EXPECT_EQ(PrintCountText(ctx, "R", "17", 0, "now"), "3/2026-12-01 10:00:00");
  EXPECT_EQ(PrintCountText(ctx, "R", "17", 2, "now"), "李/4/2026-12-06 11:12:13");
  // A query that fails reads as nothing printed.
  ds->fail_query_number = static_cast<int>(ds->queries.size()) + 1;
  EXPECT_EQ(PrintCountText(ctx, "R", "17", 0, "t"), "0/t");
}

}  // namespace
}  // namespace cavra
