// Voucher data: rowset documents read into recordsets, and loaded into a
// service holding the sample sales-order template, followed by a display
// pass over every field of every line. Input: a head document, a NUL byte,
// a body document; without a NUL byte the input is the body and the head is
// the sample's.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cavra/error.h"
#include "cavra/rowset.h"
#include "fuzz/fuzz_support.h"
#include "platform/xml.h"

namespace {

void ReadAsRecordset(const cavra::DomPtr& document) {
  if (!document) return;
  // A document without the schema, or a value that does not fit its type,
  // gives an error result; neither may crash.
  (void)cavra::RowsetToRecordset(*document);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace cavra::fuzz;
  const SalesOrder& sample = Sample();
  auto [first, second] = SplitAtNul(data, size);
  const bool both = first.size() < size;
  const cavra::DomPtr head = cavra::xml::LoadNew(both ? first : std::string_view(sample.head_xml));
  const cavra::DomPtr body = cavra::xml::LoadNew(both ? second : first);
  ReadAsRecordset(head);
  ReadAsRecordset(body);

  Service s;
  s.svc.setTemplateData(sample.shared_template);
  s.svc.setVoucherDataXML(head, body);
  DisplayPass(s.svc, RowCount(body));
  return 0;
}
