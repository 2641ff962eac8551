// Templates: a template file's text read into a template recordset and loaded
// into a service, then the sample voucher loaded under it and displayed.
//
// Checked beyond not crashing: the service counts exactly the items it can
// hand out, each in its section, whether the load was taken or refused.
#include <cstddef>
#include <cstdint>
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
  cavra::Result<cavra::RecordsetPtr> recordset = cavra::TemplateRecordsetFromXml(*document);
  if (!recordset.ok()) return 0;  // no "template" element

  Service s;
  s.svc.setTemplateData(*recordset);
  CheckCounts(s.svc);  // after a refused load too: the previous template's counts
  const cavra::DomPtr head = cavra::xml::LoadNew(sample.head_xml);
  const cavra::DomPtr body = cavra::xml::LoadNew(sample.body_xml);
  s.svc.setVoucherDataXML(head, body);
  DisplayPass(s.svc, RowCount(body));
  s.svc.RefreshTemplate();
  CheckCounts(s.svc);
  return 0;
}
