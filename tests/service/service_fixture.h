// A service wired to test doubles: its default data source is a
// FakeDataSource, its events go to a RecordingSink.
#pragma once

#include <memory>
#include <string>

#include "cavra/components.h"
#include "cavra/template_file.h"
#include "cavra/voucher_service.h"
#include "fakes/fakes.h"
#include "fakes/template_xml.h"
#include "platform/xml.h"

namespace cavra::testing {

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
    svc.setTemplateData(TemplateRecordsetFromXml(*doc).value());
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
