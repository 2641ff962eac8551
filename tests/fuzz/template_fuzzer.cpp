// Templates: a template file's text read into a template recordset and loaded
// into a service, then the sample voucher loaded under it and displayed.
//
// Checked beyond not crashing: the service counts exactly the items it can
// hand out, each in its section. Not yet for a template that lists a field
// twice or has an item without a section, nor after a load that failed (text
// in a number column): the loader counts the one and not the other, and
// indexes shift (known faults, with disabled tests in
// tests/template/template_counts_test.cpp, to be fixed in template loading);
// the check is skipped for such a template so that the target keeps looking
// for other faults. Drop the skip with the fix.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "cavra/error.h"
#include "cavra/template_file.h"
#include "fuzz/fuzz_support.h"
#include "platform/xml.h"

namespace {

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool HasAKnownCountFault(const pugi::xml_document& document) {
  std::set<std::string> keys;
  for (pugi::xml_node item : document.document_element().children("item")) {
    const std::string section = Upper(item.attribute("cardsection").value());
    if (section != "T" && section != "B") return true;
    if (!keys.insert(section + Upper(item.attribute("fieldname").value())).second) return true;
  }
  return false;
}

void CheckCounts(cavra::clsVoucherService& svc) {
  struct Section {
    std::int32_t count;
    std::int32_t id;
    const char* letter;
  };
  for (const Section& section : {Section{svc.HeadInfoCount(), cavra::siHeader, "T"},
                                 Section{svc.BodyInfoCount(), cavra::sibody, "B"}}) {
    if (section.count < 0) cavra::fuzz::Fail("a negative item count");
    for (std::int32_t i = 1; i <= section.count; ++i) {
      const cavra::ItemPtr item = svc.ItemState(i, section.id);
      if (!item) cavra::fuzz::Fail("item " + std::to_string(i) + " of a section is counted but missing");
      if (Upper(item->sCardSection) != section.letter)
        cavra::fuzz::Fail("item " + std::to_string(i) + " of section " + section.letter + " is in section " +
                          item->sCardSection);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace cavra::fuzz;
  const SalesOrder& sample = Sample();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const cavra::DomPtr document = cavra::xml::LoadNew(text);
  if (!document) return 0;
  cavra::RecordsetPtr recordset;
  try {
    recordset = cavra::TemplateRecordsetFromXml(*document);
  } catch (const cavra::VbError&) {
    return 0;  // no "template" element
  }

  bool check = !HasAKnownCountFault(*document);
  Service s;
  s.svc.setTemplateData(recordset);
  if (!s.svc.GetLastError().empty()) check = false;
  if (check) CheckCounts(s.svc);
  const cavra::DomPtr head = cavra::xml::LoadNew(sample.head_xml);
  const cavra::DomPtr body = cavra::xml::LoadNew(sample.body_xml);
  s.svc.setVoucherDataXML(head, body);
  DisplayPass(s.svc, RowCount(body));
  s.svc.RefreshTemplate();
  if (check) CheckCounts(s.svc);
  return 0;
}
