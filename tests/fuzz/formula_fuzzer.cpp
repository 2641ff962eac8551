// Formulas: the sample template with one item's formula replaced by the input,
// the sample voucher loaded, and the formulas run for the header and for every
// line (and for lines that do not exist), then a display pass. Input: the
// first byte picks the item (any item of the template, header or body); the
// rest is its formula text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cavra/template_file.h"
#include "fuzz/fuzz_support.h"
#include "platform/xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace cavra::fuzz;
  if (size < 1) return 0;
  const SalesOrder& sample = Sample();
  const std::string formula(reinterpret_cast<const char*>(data + 1), size - 1);

  pugi::xml_document templ;
  if (!cavra::xml::Load(templ, sample.template_xml)) Fail("the sample template does not parse");
  std::vector<pugi::xml_node> items;
  for (pugi::xml_node item : templ.document_element().children("item")) items.push_back(item);
  pugi::xml_node item = items[data[0] % items.size()];
  pugi::xml_attribute rule = item.attribute("datarule");
  if (!rule) rule = item.append_attribute("datarule");
  rule.set_value(formula.c_str());

  Service s;
  s.svc.setTemplateData(cavra::TemplateRecordsetFromXml(templ).value());
  const cavra::DomPtr head = cavra::xml::LoadNew(sample.head_xml);
  const cavra::DomPtr body = cavra::xml::LoadNew(sample.body_xml);
  s.svc.setVoucherDataXML(head, body);
  const std::int32_t rows = RowCount(body);
  for (std::int32_t row = -1; row <= rows + 1; ++row) s.svc.ExecCalcExpression(row);
  DisplayPass(s.svc, rows);
  return 0;
}
