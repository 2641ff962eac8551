#include "template/item_metadata.h"

#include "platform/error_flow.h"
#include "platform/vbstring.h"
#include "platform/xml.h"
#include "template/item_state_access.h"

namespace cavra {

void GetCollectFromEnumString(std::string_view sEnumString, Collection<std::string>& tempCol) {
  const std::vector<std::string> parts = vb::Split(sEnumString, "{##}");
  const std::vector<std::string> names = parts.empty() ? std::vector<std::string>() : vb::Split(parts[0], "{#}");
  const std::vector<std::string> codes = parts.size() < 2 ? std::vector<std::string>() : vb::Split(parts[1], "{#}");
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i >= codes.size()) continue;
    SkipErrors([&] { tempCol.Add(codes[i], "key" + names[i]); });
    SkipErrors([&] { tempCol.Add(names[i], "name" + codes[i]); });
  }
}

std::string LookUpEnumText(const std::string& value, const clsItemState& item, bool toCode) {
  if (!item.IsEnum || !item.collEnumMap) return value;
  const std::string* found = item.collEnumMap->Find((toCode ? "key" : "name") + value);
  return found ? *found : value;
}

void SetNodeAttribute(pugi::xml_node element, const std::string& name, const std::string& value,
                      const clsItemState* item) {
  if (!element || name.empty()) return;
  const std::string text = item ? LookUpEnumText(value, *item, false) : value;
  pugi::xml_attribute a = element.attribute(name.c_str());
  if (!a) a = element.append_attribute(name.c_str());
  a.set_value(text.c_str());
}

namespace {

std::string Text(const pugi::xml_node& e, const char* name) { return e.attribute(name).value(); }

// Absent or non-numeric attributes count as 0, as the reader's numeric
// conversion of an empty text does.
std::int32_t Number(const pugi::xml_node& e, const char* name) {
  const std::string v = e.attribute(name).value();
  if (!IsNumericText(v)) return 0;
  try {
    return CLng(Variant(v));
  } catch (...) {
    return 0;
  }
}

bool Flag(const pugi::xml_node& e, const char* name) { return Number(e, name) != 0; }

}  // namespace

ItemPtr ItemStateFromXmlNode(const pugi::xml_node& e) {
  auto item = std::make_shared<clsItemState>();
  clsItemState& s = *item;
  s.nID = Number(e, "vt_id");
  s.sCardNum = Text(e, "cardnum");
  s.sCareItemNum = Text(e, "carditemnum");
  s.sCardItemName = Text(e, "carditemname");
  s.bCannotSelect = Flag(e, "cannotselect");
  s.showIt = Flag(e, "showit");
  s.nLinkit = Number(e, "linkit");
  s.sLinkTbl = Text(e, "linktbl");
  s.sLinkField = Text(e, "linkfield");
  s.sTableName = Text(e, "tablename");
  s.sFieldName = Text(e, "fieldname");
  s.nFieldType = Number(e, "fieldtype");
  s.nReferType(Number(e, "refertype"));
  s.sReferTable = Text(e, "refertable");
  s.sCardSection = Text(e, "cardsection");
  s.sCardFormula1 = Text(e, "cardformula1");
  s.sCardFormula2 = Text(e, "cardformula2");
  s.bCanModify(Flag(e, "canmodify"));
  s.nMaxLength = Number(e, "maxlength");
  s.nMaxShowLength = Number(e, "maxshowlen");
  s.nNumPoint(Number(e, "numpoint"));
  s.bIsNull = Flag(e, "isnull");
  s.bCanDelete = Flag(e, "candelete");
  s.nCanDelete = Number(e, "candelete");
  s.sUserCheck = Text(e, "usercheck");
  s.sUserPrompt = Text(e, "userprompt");
  s.sFormatChar = Text(e, "formatchar");
  s.bIsMain = std::to_string(Number(e, "ismain"));
  s.nNeedSum = Number(e, "needsum");
  s.bCalcField = Flag(e, "calcfield");
  s.sAliasNum = Text(e, "aliasnum");
  s.nIsSelfDef = Number(e, "isselfdef");
  s.nCOX = Number(e, "cox");
  s.nCOY = Number(e, "coy");
  s.nwidth = Number(e, "width");
  s.nheight = Number(e, "height");
  s.nTabIndex = Number(e, "tabindex");
  s.sDefaultValue = Text(e, "defaultvalue");
  s.bIsFixedLenght = Flag(e, "isfixedlenght");
  s.sFormatData = Text(e, "formatdata");
  s.sFontState = Text(e, "fontstate");
  s.bPrintCaption = Flag(e, "printcaption");
  s.bPrintUpcase = Flag(e, "printupcase");
  s.sPrintInterval = Text(e, "printinterval");
  s.nDataSource = Number(e, "datasource");
  s.nEnterType = Number(e, "entertype");
  s.sDataRule = Text(e, "datarule");
  s.bValidityCheck = Flag(e, "validitycheck");
  s.bBuildArchives = Flag(e, "buildarchives");
  s.nBorder(Number(e, "nborder"));
  const std::string border_line = Text(e, "nborderline");
  detail::ItemStateAccess::SetBorderLine(s, border_line.empty() ? -1 : Number(e, "nborderline"));
  s.ReserveSegTitlePos = Flag(e, "reservesegtitlepos");
  s.Reserve1 = Text(e, "referreturnfield");
  s.Reserve2 = std::to_string(Number(e, "catalog") / 10);
  s.vValueDefault = Text(e, "vvaluedefault");
  return item;
}

std::string MapSchemaFieldName(const pugi::xml_document* document, std::string_view displayName) {
  // No XML text holds a NUL character, so no display name does either.
  if (!document || displayName.find('\0') != std::string_view::npos) return {};
  const std::string query = "//s:AttributeType[@rs:name =" + xml::Literal(displayName) + "]";
  return xml::SelectSingleNode(*document, query).attribute("name").value();
}

}  // namespace cavra
