// Sort commands: the input as the saved sort command of the sample voucher,
// re-applied by the service when the voucher loads, and given directly to the
// default sorter over a body with mixed values.
//
// Checked beyond not crashing: a sort only reorders lines, it never loses,
// adds or changes one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cavra/error.h"
#include "components/voucher_sorter.h"
#include "data/sorting.h"
#include "fuzz/fuzz_support.h"
#include "platform/xml.h"

namespace {

// Every row of a body as text, sorted: equal for two bodies with the same rows in any order.
std::vector<std::string> Rows(const pugi::xml_document& body, bool without_sort_marks) {
  std::vector<std::string> rows;
  for (pugi::xml_node row : body.document_element().child("rs:data").children("z:row")) {
    std::string text;
    for (pugi::xml_attribute a : row.attributes()) {
      const std::string name = a.name();
      if (without_sort_marks && (name == cavra::kInputOrderAttribute || name == cavra::kBlankRowAttribute))
        continue;
      text += name + "=" + a.value() + ";";
    }
    rows.push_back(text);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// The sample body with lines of awkward values added: empty, missing,
// numbers beyond a double, exponents, text, ideographs, a blank new line.
const std::string& MixedBody() {
  static const std::string text = [] {
    pugi::xml_document body;
    if (!cavra::xml::Load(body, cavra::fuzz::Sample().body_xml)) cavra::fuzz::Fail("the sample body");
    pugi::xml_node data = body.document_element().child("rs:data");
    const pugi::xml_node model = data.child("z:row");
    const char* values[] = {"", "1e400", "-0", "1.5E+3", "abc", "数量", " 7 ", "0x10", "-1e-400", "NaN"};
    int n = 0;
    for (const char* value : values) {
      pugi::xml_node row = data.append_copy(model);
      row.attribute("AutoID").set_value(std::to_string(9000000 + n++).c_str());
      for (const char* field : {"iQuantity", "cInvCode", "iUnitPrice"}) row.attribute(field).set_value(value);
    }
    pugi::xml_node blank = data.append_child("z:row");
    blank.append_attribute("editprop") = "A";
    data.append_child("z:row").append_attribute("iQuantity") = "3";  // no other attribute
    std::string out;
    struct Writer : pugi::xml_writer {
      std::string* out;
      void write(const void* d, std::size_t n) override { out->append(static_cast<const char*>(d), n); }
    } writer;
    writer.out = &out;
    body.save(writer, "", pugi::format_raw);
    return out;
  }();
  return text;
}

// The lines of the mixed body loaded with command as the saved sort command,
// as Rows gives them; with a display pass when asked.
std::vector<std::string> LoadSorted(const std::string& command, bool display) {
  using namespace cavra::fuzz;
  Service s;
  s.ds->customer_info["VoucherSorterCommand|17|12"] = command;
  s.svc.setTemplateData(Sample().shared_template);
  s.svc.setVoucherDataXML(cavra::xml::LoadNew(Sample().head_xml), cavra::xml::LoadNew(MixedBody()));
  cavra::DomPtr head, body;
  s.svc.getVoucherDataXML(head, body);
  if (!body) Fail("no body after loading the mixed body");
  if (display) DisplayPass(s.svc, RowCount(body));
  return Rows(*body, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace cavra::fuzz;
  const std::string command(reinterpret_cast<const char*>(data), size);

  cavra::DomPtr body = cavra::xml::LoadNew(MixedBody());
  const auto before = Rows(*body, false);
  try {
    cavra::VoucherSorter().sortDOMVoucherBody("", command, body);
  } catch (const cavra::VbError&) {
    // a direction that is not one
  }
  if (Rows(*body, false) != before) Fail("the sorter changed the set of lines");

  // Loaded without a sort command, the lines are the reference.
  static const std::vector<std::string> unsorted = LoadSorted("", false);
  if (LoadSorted(command, true) != unsorted) Fail("re-applying the saved sort changed the set of lines");
  return 0;
}
