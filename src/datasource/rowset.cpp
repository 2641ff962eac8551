#include "cavra/rowset.h"

#include <cctype>
#include <cstdio>

#include "cavra/error.h"
#include "datasource/values.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra {
namespace {

using datasource::KindOfRowsetType;

// A column name as an attribute name: characters an XML name cannot hold
// become _xHHHH_, as the rowset writer of the original format does.
bool NameChar(char c, bool first) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x80 || std::isalpha(u) || c == '_') return true;
  return !first && (std::isdigit(u) || c == '-' || c == '.');
}

std::string EncodeName(const std::string& name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (NameChar(name[i], i == 0)) {
      out += name[i];
    } else {
      char buf[16];
      std::snprintf(buf, sizeof buf, "_x%04X_", static_cast<unsigned char>(name[i]));
      out += buf;
    }
  }
  return out.empty() ? "_" : out;
}

std::string DecodeName(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    unsigned code = 0;
    if (name.substr(i, 2) == "_x" && i + 7 <= name.size() && name[i + 6] == '_' &&
        std::sscanf(std::string(name.substr(i + 2, 4)).c_str(), "%4X", &code) == 1 && code < 0x80) {
      out += static_cast<char>(code);
      i += 6;
    } else {
      out += name[i];
    }
  }
  return out;
}

std::string TypeOfValue(const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean:
      return "boolean";
    case VarType::Integer:
    case VarType::Long:
      return "int";
    case VarType::Double:
      return "float";
    case VarType::Bytes:
      return "bin.base64";
    default:
      return "string";
  }
}

// The recordset field type of a dt:type.
std::string FieldTypeOfRowsetType(std::string_view dt) {
  if (vb::EqualsNoCase(dt, "number")) return "number";
  return std::string(sql::FieldTypeOf(KindOfRowsetType(dt)));
}

}  // namespace

DomPtr RecordsetToRowset(const Recordset& rs, const RowsetOptions& options) {
  auto doc = NewDom();
  pugi::xml_node root = doc->append_child("xml");
  root.append_attribute("xmlns:s") = "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882";
  root.append_attribute("xmlns:dt") = "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882";
  root.append_attribute("xmlns:rs") = "urn:schemas-microsoft-com:rowset";
  root.append_attribute("xmlns:z") = "#RowsetSchema";
  pugi::xml_node schema = root.append_child("s:Schema");
  schema.append_attribute("id") = "RowsetSchema";
  pugi::xml_node element = schema.append_child("s:ElementType");
  element.append_attribute("name") = "row";
  element.append_attribute("content") = "eltOnly";

  const auto& names = rs.FieldNames();
  const auto& rows = rs.Rows();
  std::vector<std::string> attributes, types;
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string type = rs.FieldType(static_cast<std::int32_t>(i));
    for (std::size_t r = 0; type.empty() && r < rows.size(); ++r)
      if (!rows[r][i].IsNull() && !rows[r][i].IsEmpty()) type = TypeOfValue(rows[r][i]);
    if (type.empty()) type = "string";
    types.push_back(type);
    attributes.push_back(EncodeName(names[i]));

    pugi::xml_node at = element.append_child("s:AttributeType");
    at.append_attribute("name") = attributes.back().c_str();
    std::string display = names[i];
    if (auto it = options.displayNames.find(names[i]); it != options.displayNames.end()) display = it->second;
    if (display != attributes.back()) at.append_attribute("rs:name") = display.c_str();
    at.append_attribute("rs:number") = static_cast<unsigned>(i + 1);
    for (const auto& h : options.hidden) {
      if (vb::EqualsNoCase(h, names[i])) {
        at.append_attribute("rs:hidden") = "true";
        break;
      }
    }
    at.append_child("s:datatype").append_attribute("dt:type") = type.c_str();
  }
  element.append_child("s:extends").append_attribute("type") = "rs:rowbase";

  pugi::xml_node data = root.append_child("rs:data");
  for (const auto& row : rows) {
    pugi::xml_node z = data.append_child("z:row");
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (row[i].IsNull() || row[i].IsEmpty()) continue;
      z.append_attribute(attributes[i].c_str()) = datasource::ValueText(row[i], types[i]).c_str();
    }
  }
  return doc;
}

RecordsetPtr RowsetToRecordset(const DomDocument& document) {
  const pugi::xml_node root = xml::DocumentElement(document);
  const pugi::xml_node element = root.child("s:Schema").child("s:ElementType");
  if (!element) throw VbError(err::kInvalidCall, "not a rowset document: no s:Schema/s:ElementType");

  struct Column {
    std::string attribute, type, dt;
  };
  std::vector<Column> columns;
  std::vector<std::string> names;
  for (pugi::xml_node at : element.children("s:AttributeType")) {
    std::string dt = at.child("s:datatype").attribute("dt:type").value();
    if (dt.empty()) dt = at.attribute("dt:type").value();
    if (dt.empty()) dt = "string";
    columns.push_back({at.attribute("name").value(), FieldTypeOfRowsetType(dt), dt});
    names.push_back(DecodeName(columns.back().attribute));
  }
  auto rs = std::make_shared<Recordset>(names);
  for (std::size_t i = 0; i < columns.size(); ++i)
    rs->SetFieldType(static_cast<std::int32_t>(i), columns[i].type);

  for (pugi::xml_node row : root.child("rs:data").children("z:row")) {
    Recordset::Row values;
    values.reserve(columns.size());
    for (const auto& c : columns) {
      const pugi::xml_attribute a = row.attribute(c.attribute.c_str());
      if (!a) {
        values.push_back(Variant::Null());
      } else if (vb::EqualsNoCase(c.dt, "bin.hex")) {
        values.push_back(Variant(datasource::HexDecode(a.value())));
      } else {
        try {
          values.push_back(datasource::ParseValue(a.value(), KindOfRowsetType(c.dt)));
        } catch (const VbError& e) {
          throw VbError(e.number(), "column " + c.attribute + ": " + e.description());
        }
      }
    }
    rs->AddRow(std::move(values));
  }
  rs->MoveFirst();
  return rs;
}

}  // namespace cavra
