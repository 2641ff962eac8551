#include "cavra/rowset.h"

#include <cctype>
#include <cstdio>

#include "cavra/error.h"
#include "datasource/data_source.h"
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

// An attribute of the rowset's text. Control characters become references
// (a parse would turn a raw tab or line break into a blank); a value ends at
// a NUL, as it does in a document.
void AppendAttribute(std::string& out, std::string_view name, std::string_view value) {
  out += ' ';
  out += name;
  out += "=\"";
  for (;;) {
    std::size_t i = 0;
    while (i < value.size() && static_cast<unsigned char>(value[i]) >= 0x20 && value[i] != '&' &&
           value[i] != '<' && value[i] != '>' && value[i] != '"')
      ++i;
    out.append(value.substr(0, i));
    if (i == value.size() || value[i] == '\0') break;
    switch (value[i]) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += "&#" + std::to_string(static_cast<unsigned char>(value[i])) + ";";
    }
    value.remove_prefix(i + 1);
  }
  out += '"';
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

std::string RecordsetToRowsetText(const Recordset& rs, const RowsetOptions& options) {
  std::string out =
      "<xml xmlns:s=\"uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882\" "
      "xmlns:dt=\"uuid:C2F41010-65B3-11d1-A29F-00AA00C14882\" xmlns:rs=\"urn:schemas-microsoft-com:rowset\" "
      "xmlns:z=\"#RowsetSchema\"><s:Schema id=\"RowsetSchema\">"
      "<s:ElementType name=\"row\" content=\"eltOnly\">";
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

    out += "<s:AttributeType";
    AppendAttribute(out, "name", attributes.back());
    std::string display = names[i];
    if (auto it = options.displayNames.find(names[i]); it != options.displayNames.end()) display = it->second;
    if (display != attributes.back()) AppendAttribute(out, "rs:name", display);
    AppendAttribute(out, "rs:number", std::to_string(i + 1));
    for (const auto& h : options.hidden) {
      if (vb::EqualsNoCase(h, names[i])) {
        AppendAttribute(out, "rs:hidden", "true");
        break;
      }
    }
    out += "><s:datatype";
    AppendAttribute(out, "dt:type", type);
    out += "/></s:AttributeType>";
  }
  out += "<s:extends type=\"rs:rowbase\"/></s:ElementType></s:Schema><rs:data>";

  const std::size_t rows_start = out.size();
  std::size_t written = 0;
  for (const auto& row : rows) {
    out += "<z:row";
    for (std::size_t i = 0; i < names.size(); ++i) {
      const Variant& v = row[i];
      if (v.IsNull() || v.IsEmpty()) continue;
      if (v.type() == VarType::String && types[i] != "dateTime") {
        AppendAttribute(out, attributes[i], v.AsString());  // as ValueText, without its copy
      } else {
        AppendAttribute(out, attributes[i], datasource::ValueText(v, types[i]));
      }
    }
    out += "/>";
    // The first rows tell how long the text will be: grown once, not doubled.
    if (++written == 64 && rows.size() > written)
      out.reserve(out.size() + (out.size() - rows_start) / written * (rows.size() - written) / 10 * 11 + 32);
  }
  out += "</rs:data></xml>";
  return out;
}

DomPtr RecordsetToRowset(const Recordset& rs, const RowsetOptions& options) {
  // Parsed in place: the document's names and values stay in its text rather
  // than each being allocated apart, which makes it smaller by a fifth.
  struct Parsed {
    std::string text;
    pugi::xml_document doc;
  };
  auto parsed = std::make_shared<Parsed>();
  parsed->text = RecordsetToRowsetText(rs, options);
  const pugi::xml_parse_result r = parsed->doc.load_buffer_inplace(parsed->text.data(), parsed->text.size(),
                                                                    pugi::parse_minimal | pugi::parse_escapes,
                                                                    pugi::encoding_utf8);
  if (!r)
    throw VbError(err::kInvalidCall, std::string("a rowset text that does not parse: ") + r.description());
  return DomPtr(parsed, &parsed->doc);
}

namespace {

RecordsetPtr ReadRowset(const DomDocument& document) {
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

}  // namespace

Result<RecordsetPtr> RowsetToRecordset(const DomDocument& document) {
  return datasource::Capture([&] { return ReadRowset(document); });
}

}  // namespace cavra
