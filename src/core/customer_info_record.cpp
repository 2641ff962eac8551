#include <string>
#include <string_view>

#include "cavra/host.h"

namespace cavra {
namespace {

// For an attribute value between single quotes; a value without these
// characters comes out unchanged. Tab and line breaks are character
// references, else a parser would read them back as blanks.
void AppendAttributeValue(std::string& out, std::string_view value) {
  for (char c : value) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\'': out += "&apos;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      default: out.push_back(c);
    }
  }
}

}  // namespace

std::string CustomerInfoRecord(std::string_view kind, std::string_view voucherType,
                               std::string_view templateId, std::string_view content) {
  std::string out = "<Data fchrOperator='#cUserName#' fchrType='";
  AppendAttributeValue(out, kind);
  out += "' fchrVoucherType='";
  AppendAttributeValue(out, voucherType);
  out += "' fchrVoucherTemplateType='";
  AppendAttributeValue(out, templateId);
  out += "' >";
  out += content;
  out += "</Data>";
  return out;
}

}  // namespace cavra
