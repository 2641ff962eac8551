// Template files: a voucher template (and the fixed labels of its print
// layout) kept as readable XML, turned into the
// template recordset that clsVoucherService::setTemplateData takes.
//
//   <template CardNumber="17" VT_ID="12" ...>      template-wide columns
//     <item fieldname="cSOCode" cardsection="T" .../>   one per field
//   </template>
//
// Attribute names are the column names of template_layout.h; an absent
// attribute is Null, except an item's vt_id, which defaults to the
// template's VT_ID. Items may be listed in any section order: the
// recordset delivers body items before header items, each in file order.
#pragma once

#include <string>
#include <string_view>

#include "cavra/dom.h"
#include "cavra/export.h"
#include "cavra/recordset.h"
#include "cavra/result.h"

namespace cavra {

// The template recordset of a template document; error 5 when the document
// has no "template" element.
CAVRA_EXPORT Result<RecordsetPtr> TemplateRecordsetFromXml(const pugi::xml_document& document);
// The same from a file; err::kPathFileAccess when it cannot be read, error 5
// naming the file when it is not a template document.
CAVRA_EXPORT Result<RecordsetPtr> ReadTemplateFile(const std::string& path);

// Fixed labels of a print layout, kept the same way:
//
//   <labels>
//     <label Text="销售订单" X="4300" Y="150" Width="3000" Height="400" FontState="宋体,16,0,0,2"/>
//   </labels>
//
// One record per "label" element, with the columns of kFixedLabelColumns
// (attributes named exactly so); an absent attribute is Null.
inline constexpr const char* kFixedLabelColumns[] = {
    "Text",        "X",           "Y",           "Width",         "Height", "FontState",
    "nBorder",     "nAlignment",  "PrintUpcase", "PrintInterval", "nActionText",
    "nActionSource", "sCol",      "nRow",        "ScaleMode",     "PictureRight"};

// The fixed-label recordset of a labels document; error 5 when the document
// has no "labels" element.
CAVRA_EXPORT Result<RecordsetPtr> FixedLabelRecordsetFromXml(const pugi::xml_document& document);
// The same from a file, with ReadTemplateFile's errors.
CAVRA_EXPORT Result<RecordsetPtr> ReadFixedLabelFile(const std::string& path);

}  // namespace cavra
