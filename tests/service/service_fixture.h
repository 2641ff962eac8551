// A service wired to test doubles: its default data source is a
// FakeDataSource, its events go to a RecordingSink.
#pragma once

#include <memory>
#include <string>

#include "cavra/components.h"
#include "cavra/template_file.h"
#include "cavra/voucher_service.h"
#include "fakes/fakes.h"
#include "fakes/rowset_xml.h"
#include "fakes/template_xml.h"
#include "platform/xml.h"

namespace cavra::testing {

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
