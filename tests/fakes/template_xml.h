// Template documents for tests: every strict template-wide column present,
// with the given item elements.
#pragma once

#include <string>

#include "cavra/template_file.h"
#include "platform/xml.h"

namespace cavra::testing {

// extra: attributes (name='value' ...) that are added or replace the defaults.
inline std::string TemplateXml(const std::string& items, const std::string& extra = "") {
  if (!extra.empty()) {
    auto doc = xml::LoadNew(TemplateXml(items));
    auto more = xml::LoadNew("<x " + extra + "/>");
    if (!doc || !more) return "<not-a-template/>";
    pugi::xml_node root = doc->child("template");
    for (pugi::xml_attribute a : more->child("x").attributes()) {
      pugi::xml_attribute mine = root.attribute(a.name());
      (mine ? mine : root.append_attribute(a.name())) = a.value();
    }
    return xml::Text(*doc);
  }
  return "<template CardNumber='17' AppName='zh-CN' Shield='0' Name='SO' cCardName='SO' CardType='1' "
         "ItemTblName='t' VchTblPrimarykeyNames=' ID ' ReceiptNOFieldName='cSOCode{##}irowno' itemCol='2' "
         "BTTblName='h' BTQName='h' BWTblName='b' BWQName='b' HaveBodyGrid='1' VT_ID='12' VT_Name='n' "
         "VT_Width='1' VT_Height='1' VT_BodyTop='1' VT_BodyLeft='1' VT_BodyWidth='1' VT_BodyHeight='1' "
         "VT_BodyFixedCols='1' VT_BodyMaxRows='50' VT_SelfDef1='' VT_SelfDef2='' VT_SelfDef3='' VT_Memo='' "
         "VT_TitleName='t' VT_TitleLeft='1' VT_TitleTop='1' VT_TitleFontState='' VT_PageHeader='' "
         "VT_WorkAreaColor='0' VT_ControlStyle='0' VT_FiexdColor='0' VT_TotalColor='0' VT_AmongColor='0' "
         "VT_GridStyleHead='' VT_GridStyleBody='' VT_GridStyleTotal='' VT_GridPrnRows='0' "
         "VT_GridPrnRowHeight='0'>" +
         items + "</template>";
}

inline RecordsetPtr TemplateRecordset(const std::string& items, const std::string& extra = "") {
  auto doc = xml::LoadNew(TemplateXml(items, extra));
  return doc ? TemplateRecordsetFromXml(*doc).value() : nullptr;
}

}  // namespace cavra::testing
