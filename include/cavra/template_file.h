// Template files: a voucher template kept as readable XML, turned into the
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

}  // namespace cavra
