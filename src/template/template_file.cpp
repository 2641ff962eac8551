#include "cavra/template_file.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "cavra/error.h"
#include "cavra/template_layout.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra {

Result<RecordsetPtr> TemplateRecordsetFromXml(const pugi::xml_document& document) {
  const pugi::xml_node root = document.child("template");
  if (!root) return VbError(err::kInvalidCall, "the document has no template element");

  std::vector<std::string> names(kTemplateItemColumns.begin(), kTemplateItemColumns.end());
  names.insert(names.end(), std::begin(kTemplateColumns), std::end(kTemplateColumns));
  auto rs = std::make_shared<Recordset>(names);

  const std::size_t template_id = static_cast<std::size_t>(
      std::find(std::begin(kTemplateColumns), std::end(kTemplateColumns), "VT_ID") - std::begin(kTemplateColumns));
  Recordset::Row shared;
  for (std::string_view column : kTemplateColumns) {
    const pugi::xml_attribute a = root.attribute(std::string(column).c_str());
    shared.push_back(a ? Variant(a.value()) : Variant::Null());
  }
  auto add_items = [&](bool body) {
    for (pugi::xml_node item : root.children("item")) {
      if ((vb::UCase(item.attribute("cardsection").value()) == "B") != body) continue;
      Recordset::Row row;
      row.reserve(names.size());
      for (std::string_view column : kTemplateItemColumns) {
        const pugi::xml_attribute a = item.attribute(std::string(column).c_str());
        row.push_back(a ? Variant(a.value()) : Variant::Null());
      }
      // The item's template id is the template's unless the item says otherwise:
      // a lookup of "VT_ID" by name finds this column first.
      if (row[0].IsNull()) row[0] = shared[template_id];
      row.insert(row.end(), shared.begin(), shared.end());
      rs->AddRow(std::move(row));
    }
  };
  add_items(true);
  add_items(false);
  if (rs->RecordCount() > 0) rs->MoveFirst();
  return RecordsetPtr(std::move(rs));
}

namespace {
template <class FromXml>
Result<RecordsetPtr> ReadXmlFile(const std::string& path, FromXml fromXml) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return VbError(err::kPathFileAccess, "cannot read " + path);
  std::stringstream text;
  text << in.rdbuf();
  pugi::xml_document doc;
  if (auto r = xml::Load(doc, text.str()); !r) return VbError(err::kInvalidCall, path + ": " + r.reason);
  Result<RecordsetPtr> rs = fromXml(doc);
  if (!rs.ok()) return VbError(rs.error().number(), path + ": " + rs.error().description());
  return rs;
}
}  // namespace

Result<RecordsetPtr> ReadTemplateFile(const std::string& path) {
  return ReadXmlFile(path, TemplateRecordsetFromXml);
}

Result<RecordsetPtr> FixedLabelRecordsetFromXml(const pugi::xml_document& document) {
  const pugi::xml_node root = document.child("labels");
  if (!root) return VbError(err::kInvalidCall, "the document has no labels element");
  auto rs = std::make_shared<Recordset>(
      std::vector<std::string>(std::begin(kFixedLabelColumns), std::end(kFixedLabelColumns)));
  for (pugi::xml_node label : root.children("label")) {
    Recordset::Row row;
    for (const char* column : kFixedLabelColumns) {
      const pugi::xml_attribute a = label.attribute(column);
      row.push_back(a ? Variant(a.value()) : Variant::Null());
    }
    rs->AddRow(std::move(row));
  }
  if (rs->RecordCount() > 0) rs->MoveFirst();
  return RecordsetPtr(std::move(rs));
}

Result<RecordsetPtr> ReadFixedLabelFile(const std::string& path) {
  return ReadXmlFile(path, FixedLabelRecordsetFromXml);
}

}  // namespace cavra
