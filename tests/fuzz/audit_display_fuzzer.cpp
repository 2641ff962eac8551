// The audit display: a display flag and an audit-flow XML, shaped into text.
// Input: the flag, a NUL byte, and the XML.
//
// Checked beyond not crashing: the text is empty or made of lines ending in
// CR LF, no more lines than the XML has elements, and every line holds at
// least the four blanks that end its first four columns.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "business/audit_flow.h"
#include "fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = all.find('\0');
  std::string flag(all.substr(0, nul));
  const std::string audit_xml(nul == std::string_view::npos ? std::string_view() : all.substr(nul + 1));
  // An empty flag would ask the data source for the template's flag.
  if (flag.empty()) flag = std::string(cavra::kDefaultAuditFlag);

  static cavra::ServiceContext ctx;
  static cavra::FieldRights rights;
  static cavra::TemplateModel model(ctx, rights, nullptr);
  cavra::AuditFlow audit(ctx, model);
  const std::string text = audit.BuildAuditDisplay(audit_xml, "1", flag);
  if (text.empty()) return 0;
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0)
    cavra::fuzz::Fail("the audit text does not end with CR LF");
  std::size_t lines = 0;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = text.find("\r\n", from);
    const std::string_view line(text.data() + from, end - from);
    if (std::count(line.begin(), line.end(), ' ') < 4) cavra::fuzz::Fail("a line lacks its column blanks");
    ++lines;
    from = end + 2;
  }
  if (lines > static_cast<std::size_t>(std::count(audit_xml.begin(), audit_xml.end(), '<')))
    cavra::fuzz::Fail("more lines than records");
  return 0;
}
