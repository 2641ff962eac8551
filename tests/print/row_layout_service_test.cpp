// Row layout through the service: the embedded database's sample order with
// its template switched to row layout and a panel definition stored for it.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>
#include <vector>

#include "cavra/datasource.h"
#include "cavra/rowset.h"
#include "cavra/template_file.h"
#include "cavra/voucher_service.h"
#include "fakes/fakes.h"
#include "fakes/sample_order.h"
#include "fakes/scratch.h"

namespace cavra {
namespace {

const std::string kLabels = std::string(CAVRA_SOURCE_DIR) + "/examples/sales_order/labels.xml";

const char* const kPanel = R"(<voucher><template vt_width='5670' vt_height='850' printrowcaption='0'/>
<fixlabel>
  <l localeid='zh-CN' text='行号' x='0' y='0' width='567' height='283'/>
  <l localeid='zh-CN' nactiontext='1' nactionsource='2' scol='cInvCode' x='567' y='0' width='1134' height='283'/>
  <l localeid='zh-CN' nactiontext='1' nactionsource='1' scol='cCusName' x='0' y='283' width='2268' height='283'/>
  <l localeid='zh-CN' nactiontext='1' nactionsource='2' scol='iQuantity' x='1701' y='0' width='567' height='283'/>
  <l localeid='en-US' text='Qty' x='0' y='0' width='567' height='283'/>
</fixlabel></voucher>)";

struct Printed {
  std::string style, data;
  std::vector<std::string> codes, quantities;
  std::string customer;
};

Printed PrintSample(bool rowLayout) {
  Printed out;
  testing::ScratchDir dir;
  auto db = OpenSqliteDataSource(dir / "rowlayout.db", true);
  EXPECT_TRUE(db.ok());
  if (!db.ok()) return out;
  if (rowLayout) {
    EXPECT_TRUE((*db)->ExecuteSql("update vouchertemplates_base set vt_RowLayoutEnabled=1 where VT_ID=12", {}).ok());
    EXPECT_TRUE((*db)->ExecuteSql("insert into vouchertemplates_lang (vt_cardnumber, vt_id, localeid, vt_name, "
                                  "vt_RowLayoutXML) values (?, ?, ?, ?, ?)",
                                  {Variant("17"), Variant(12), Variant("zh-CN"), Variant("行式"), Variant(kPanel)})
                    .ok());
  }
  auto labels = ReadFixedLabelFile(kLabels);
  EXPECT_TRUE(labels.ok());
  if (!labels.ok()) return out;
  clsVoucherService svc;
  svc.LoginObj(std::make_shared<testing::FakeLogin>());
  svc.SetDataSource(*db);
  const RecordsetPtr tpl = testing::LoadSampleOrder(**db, svc);
  if (!tpl) return out;
  svc.PreParePrint(tpl, *labels, out.style, out.data);
  for (std::int32_t r = 1; r <= svc.BodyLineCount(); ++r) {
    out.codes.push_back(CStr(svc.bodyText(r, "cInvCode")));
    out.quantities.push_back(CStr(svc.bodyText(r, "iQuantity")));
  }
  out.customer = CStr(svc.headerText("cCusName"));
  return out;
}

pugi::xml_node Root(pugi::xml_document& doc, const std::string& text) {
  const auto result = doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  EXPECT_TRUE(result) << result.description() << " at " << result.offset;
  return doc.document_element();
}

TEST(RowLayoutService, PanelReplacesTheGridRowsOfTheSampleOrder) {
  const Printed print = PrintSample(true);
  ASSERT_FALSE(print.style.empty());
  ASSERT_FALSE(print.customer.empty());

  pugi::xml_document style;
  const pugi::xml_node body = Root(style, print.style).child("表格").child("表体");
  ASSERT_TRUE(body);
  const pugi::xml_node panel = body.child("自定义表体");
  ASSERT_TRUE(panel) << print.style;
  EXPECT_STREQ(panel.previous_sibling().name(), "表体尾");
  EXPECT_STREQ(panel.attribute("打印表头").value(), "否");
  EXPECT_STREQ(panel.attribute("行宽").value(), "1000");
  EXPECT_EQ(std::distance(panel.children().begin(), panel.children().end()), 4);

  pugi::xml_document data;
  const pugi::xml_node rows = Root(data, print.data).child("任务").child("表体");
  ASSERT_TRUE(rows);
  std::vector<std::vector<std::string>> cells;
  for (const pugi::xml_node row : rows.children("表体行")) {
    cells.emplace_back();
    for (const pugi::xml_node cell : row.children("单元")) cells.back().push_back(cell.text().get());
  }
  ASSERT_EQ(cells.size(), print.codes.size()) << print.data;
  ASSERT_GE(cells.size(), 2u);
  for (std::size_t r = 0; r < cells.size(); ++r) {
    EXPECT_EQ(cells[r], (std::vector<std::string>{std::to_string(r + 1), print.codes[r], print.customer,
                                                  print.quantities[r]}));
  }
  EXPECT_EQ(std::string(rows.child("表体头").child("单元").text().get()), "#RowNumber#");
}

TEST(RowLayoutService, WithoutADefinitionTheBodyPrintsAsAGrid) {
  const Printed grid = PrintSample(false);
  ASSERT_FALSE(grid.style.empty());
  EXPECT_EQ(grid.style.find("自定义表体"), std::string::npos);
  EXPECT_NE(grid.data.find("<表体行>"), std::string::npos);
}

}  // namespace
}  // namespace cavra
