// A service wired to test doubles: its default data source is a
// FakeDataSource, its events go to a RecordingSink.
#pragma once

#include <memory>
#include <string>

#include "cavra/components.h"
#include "cavra/template_file.h"
#include "cavra/voucher_service.h"
#include "fakes/fakes.h"
#include "platform/xml.h"

namespace cavra::testing {

// extra: attributes (name='value' ...) that are added or replace the defaults.
inline std::string TemplateXml(const std::string& items, const std::string& extra = "") {
  if (!extra.empty()) {
    auto doc = xml::LoadNew(TemplateXml(items));
    auto more = xml::LoadNew("<x " + extra + "/>");
    if (!doc || !more) return "<not-a-template/>";
    pugi::xml_node root = doc->child("template");
    for (pugi::xml_attribute a : more->child("x").attributes()) {
      pugi::xml_attribute mine = root.attribute(a.name());
      (mine ? mine : root.append_attribute(a.name())) = a.value();
    }
    return xml::Text(*doc);
  }
  return "<template CardNumber='17' AppName='zh-CN' Shield='0' Name='SO' cCardName='SO' CardType='1' "
         "ItemTblName='t' VchTblPrimarykeyNames='ID' ReceiptNOFieldName='cCode{##}irowno' itemCol='2' "
         "BTTblName='h' BTQName='h' BWTblName='b' BWQName='b' HaveBodyGrid='1' VT_ID='12' VT_Name='n' "
         "VT_Width='1' VT_Height='1' VT_BodyTop='1' VT_BodyLeft='1' VT_BodyWidth='1' VT_BodyHeight='1' "
         "VT_BodyFixedCols='1' VT_BodyMaxRows='50' VT_SelfDef1='' VT_SelfDef2='' VT_SelfDef3='' VT_Memo='' "
         "VT_TitleName='t' VT_TitleLeft='1' VT_TitleTop='1' VT_TitleFontState='' VT_PageHeader='' "
         "VT_WorkAreaColor='0' VT_ControlStyle='0' VT_FiexdColor='0' VT_TotalColor='0' VT_AmongColor='0' "
         "VT_GridStyleHead='' VT_GridStyleBody='' VT_GridStyleTotal='' VT_GridPrnRows='0' "
         "VT_GridPrnRowHeight='0'>" +
         items + "</template>";
}

// A persisted-rowset document with the given schema columns and rows.
inline DomPtr Rowset(const std::string& columns, const std::string& rows) {
  std::string schema;
  for (std::size_t from = 0; from <= columns.size();) {
    std::size_t comma = columns.find(',', from);
    if (comma == std::string::npos) comma = columns.size();
    if (comma > from)
      schema += "<s:AttributeType name='" + columns.substr(from, comma - from) +
                "'><s:datatype dt:type='string'/></s:AttributeType>";
    from = comma + 1;
  }
  return xml::LoadNew(
      "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
      "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'><s:Schema id='RowsetSchema'>"
      "<s:ElementType name='row' content='eltOnly'>" +
      schema + "</s:ElementType></s:Schema><rs:data>" + rows + "</rs:data></xml>");
}

struct ServiceHarness {
  std::shared_ptr<FakeDataSource> ds = std::make_shared<FakeDataSource>();
  ScopedComponent default_source{"DataSourceKit.DefaultDataSource", [this] { return ds; }};
  clsVoucherService svc;
  std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();

  ServiceHarness() { svc.addEventSink(sink); }

  void LoadTemplate(const std::string& items, const std::string& extra = "") {
    auto doc = xml::LoadNew(TemplateXml(items, extra));
    svc.setTemplateData(TemplateRecordsetFromXml(*doc));
  }
  // Attribute values of every body row, in line order.
  std::vector<std::string> Column(const char* attribute) {
    DomPtr head, body;
    svc.getVoucherDataXML(head, body);
    std::vector<std::string> values;
    for (pugi::xml_node row : body->document_element().child("rs:data").children("z:row"))
      values.push_back(row.attribute(attribute).value());
    return values;
  }
};

}  // namespace cavra::testing
