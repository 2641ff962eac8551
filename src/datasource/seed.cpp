#include <algorithm>
#include <filesystem>

#include "cavra/error.h"
#include "cavra/sql_text.h"
#include "datasource/data_source.h"
#include "datasource/values.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra::datasource {
namespace {

// Item attributes stored under another column name ("isnull" is a keyword).
std::string ItemColumnOf(std::string_view attribute) {
  if (vb::EqualsNoCase(attribute, "isnull")) return "isnull_flag";
  return std::string(attribute);
}

const ColumnInfo* Find(const std::vector<ColumnInfo>& columns, std::string_view name) {
  for (const auto& c : columns)
    if (vb::EqualsNoCase(c.name, name)) return &c;
  return nullptr;
}

Variant Convert(std::string_view value, const ColumnInfo& column, std::string_view where) {
  try {
    return ParseValue(value, column.kind);
  } catch (const VbError& e) {
    throw VbError(e.number(), std::string(where) + " " + column.name + ": " + e.description());
  }
}

struct Insert {
  std::string names, marks;
  VariantArray values;
  // name comes from the database's catalog; one that is not plain is refused.
  void Add(const std::string& name, Variant v) {
    names += (names.empty() ? "" : ", ") + SqlName(name);
    marks += marks.empty() ? "?" : ", ?";
    values.push_back(std::move(v));
  }
};

pugi::xml_node LoadRoot(pugi::xml_document& doc, std::string_view xml, std::string_view root) {
  if (auto r = xml::Load(doc, xml); !r) throw VbError(err::kInvalidCall, "not XML: " + r.reason);
  pugi::xml_node e = xml::DocumentElement(doc);
  if (std::string_view(e.name()) != root)
    throw VbError(err::kInvalidCall,
                  "the root element is <" + std::string(e.name()) + ">, not <" + std::string(root) + ">");
  return e;
}

std::string SqlTypeOf(std::string_view type, std::string_view size) {
  const std::string t = vb::LCase(type);
  if (t == "int") return "INTEGER";
  if (t == "float") return "DOUBLE PRECISION";
  if (t == "string") return size.empty() ? "TEXT" : "VARCHAR(" + std::to_string(CLng(Variant(size))) + ")";
  if (t == "date") return "DATE";
  if (t == "datetime") return "TIMESTAMP";
  if (t == "boolean") return "BOOLEAN";
  if (t == "binary") return "BLOB";  // Base64 in the file
  throw VbError(err::kInvalidCall, "unknown column type '" + std::string(type) + "'");
}

void RequirePlainName(std::string_view name, std::string_view what) {
  if (!sql::IsPlainName(name))
    throw VbError(err::kInvalidCall, std::string(what) + " '" + std::string(name) + "' is not a plain name");
}

// The <row> elements of table, one attribute per column, into name.
void InsertRows(SqlDataSourceImpl& ds, pugi::xml_node table, const std::string& name,
                const std::vector<ColumnInfo>& columns, const std::string& where) {
  int n = 0;
  for (pugi::xml_node row : table.children("row")) {
    ++n;
    const std::string at = where + " row " + std::to_string(n);
    Insert insert;
    for (pugi::xml_attribute a : row.attributes()) {
      const ColumnInfo* c = Find(columns, a.name());
      if (!c) throw VbError(err::kInvalidCall, at + ": unknown column " + a.name());
      insert.Add(c->name, Convert(a.value(), *c, at));
    }
    if (insert.values.empty()) continue;
    ds.Exec("INSERT INTO " + name + " (" + insert.names + ") VALUES (" + insert.marks + ")", insert.values);
  }
}

// <numberrule> holds the voucher type's number rule document as its one element.
void SeedNumberRule(SqlDataSourceImpl& ds, const std::string& card, const pugi::xml_node& holder,
                    const std::string& where) {
  pugi::xml_node rule;
  for (pugi::xml_node child : holder.children()) {
    if (child.type() != pugi::node_element) continue;
    if (rule) throw VbError(err::kInvalidCall, where + ": <numberrule> holds more than one rule");
    rule = child;
  }
  if (!rule) throw VbError(err::kInvalidCall, where + ": <numberrule> holds no rule");
  ds.Exec("INSERT INTO VoucherNumberRule (cardnumber, cRuleXml) VALUES (?, ?)",
          {Variant(card), Variant(xml::Text(rule))});
}

// <customrelation ItemKey=".." IsPrimary=".." .../>: one relation row.
void SeedCustomRelation(SqlDataSourceImpl& ds, const std::string& card, const pugi::xml_node& row,
                        const std::string& where) {
  const auto columns = ds.connection().Columns("VoucherCustomRelation");
  const std::string at = where + " customrelation " + row.attribute("ItemKey").value();
  Insert insert;
  insert.Add("cardnumber", Variant(card));
  for (pugi::xml_attribute a : row.attributes()) {
    const ColumnInfo* c = Find(columns, a.name());
    if (!c || vb::EqualsNoCase(c->name, "cardnumber"))
      throw VbError(err::kInvalidCall, at + ": unknown attribute " + a.name());
    insert.Add(c->name, Convert(a.value(), *c, at));
  }
  ds.Exec("INSERT INTO VoucherCustomRelation (" + insert.names + ") VALUES (" + insert.marks + ")",
          insert.values);
}

}  // namespace

void SeedTemplate(SqlDataSourceImpl& ds, std::string_view xml) {
  pugi::xml_document doc;
  const pugi::xml_node root = LoadRoot(doc, xml, "template");
  const std::string card = root.attribute("CardNumber").value();
  const std::string id = root.attribute("VT_ID").value();
  if (card.empty() || id.empty()) throw VbError(err::kInvalidCall, "<template> needs CardNumber and VT_ID");
  const std::string where = "template " + card + "/" + id;

  const auto card_columns = ds.connection().Columns("vouchers_base");
  const auto template_columns = ds.connection().Columns("vouchertemplates_base");
  const auto item_columns = ds.connection().Columns("vouchertemplates_items");
  const ColumnInfo* id_column = Find(template_columns, "VT_ID");

  Insert card_row, template_row;
  template_row.Add("vt_cardnumber", Variant(card));
  std::string updates;
  for (pugi::xml_attribute a : root.attributes()) {
    if (const ColumnInfo* c = Find(card_columns, a.name())) {
      card_row.Add(c->name, Convert(a.value(), *c, where));
      if (!vb::EqualsNoCase(c->name, "CardNumber"))
        updates += (updates.empty() ? "" : ", ") + SqlName(c->name) + " = excluded." + SqlName(c->name);
    } else if (const ColumnInfo* t = Find(template_columns, a.name());
               t && !vb::EqualsNoCase(t->name, "vt_cardnumber")) {
      template_row.Add(t->name, Convert(a.value(), *t, where));
    } else {
      throw VbError(err::kInvalidCall, where + ": unknown template attribute " + a.name());
    }
  }
  // Several templates of one voucher type share its row; the last one's values win.
  ds.Exec("INSERT INTO vouchers_base (" + card_row.names + ") VALUES (" + card_row.marks +
              ") ON CONFLICT (CardNumber) DO " + (updates.empty() ? "NOTHING" : "UPDATE SET " + updates),
          card_row.values);
  ds.Exec(
      "INSERT INTO vouchertemplates_base (" + template_row.names + ") VALUES (" + template_row.marks + ")",
      template_row.values);

  const Variant template_id = Convert(id, *id_column, where);
  int order = 0;
  for (pugi::xml_node item : root.children()) {
    if (item.type() != pugi::node_element) continue;
    if (std::string_view(item.name()) == "numberrule") {
      SeedNumberRule(ds, card, item, where);
      continue;
    }
    if (std::string_view(item.name()) == "customrelation") {
      SeedCustomRelation(ds, card, item, where);
      continue;
    }
    if (std::string_view(item.name()) != "item")
      throw VbError(err::kInvalidCall, where + ": unknown element <" + item.name() + ">");
    ++order;
    const std::string at = where + " item " + std::to_string(order);
    Insert row;
    row.Add("tmpl_cardnumber", Variant(card));
    row.Add("tmpl_id", template_id);
    row.Add("item_order", Variant(std::int32_t{order}));
    // An item without vt_id belongs to its template: a lookup of "VT_ID" by
    // name finds the item column first.
    if (!item.attribute("vt_id")) row.Add("vt_id", template_id);
    for (pugi::xml_attribute a : item.attributes()) {
      const ColumnInfo* c = Find(item_columns, ItemColumnOf(a.name()));
      if (!c || vb::StartsWith(vb::LCase(c->name), "tmpl_") || vb::EqualsNoCase(c->name, "item_order"))
        throw VbError(err::kInvalidCall, at + ": unknown item attribute " + a.name());
      row.Add(c->name, Convert(a.value(), *c, at));
    }
    ds.Exec("INSERT INTO vouchertemplates_items (" + row.names + ") VALUES (" + row.marks + ")", row.values);
  }
}

void SeedVoucher(SqlDataSourceImpl& ds, std::string_view xml) {
  pugi::xml_document doc;
  const pugi::xml_node root = LoadRoot(doc, xml, "voucher-data");
  for (pugi::xml_node table : root.children("table")) {
    const std::string name = table.attribute("name").value();
    const std::string where = "table " + name;
    if (!table.child("column")) {
      // No columns: rows for a table of the schema, which may live in another
      // database ("db..table").
      const std::string qualified = SqlName(name);
      const std::size_t dots = qualified.find("..");
      const std::string catalog_name =
          dots == std::string::npos ? qualified
                                    : vb::LCase(qualified.substr(0, dots)) + "." + qualified.substr(dots + 2);
      const auto columns = ds.connection().Columns(catalog_name);
      if (columns.empty())
        throw VbError(err::kInvalidCall, where + " declares no columns and is not in the schema");
      InsertRows(ds, table, qualified, columns, where);
      continue;
    }
    RequirePlainName(name, "table name");
    std::string ddl;
    for (pugi::xml_node column : table.children("column")) {
      const std::string column_name = column.attribute("name").value();
      RequirePlainName(column_name, where + ": column name");
      ddl += (ddl.empty() ? "" : ", ") + column_name + " " +
             SqlTypeOf(column.attribute("type").value(), column.attribute("size").value());
    }
    if (ddl.empty()) throw VbError(err::kInvalidCall, where + " has no columns");
    if (std::string keys = vb::Trim(table.attribute("primary-key").value()); !keys.empty()) {
      for (const auto& key : vb::Split(keys, ",")) RequirePlainName(vb::Trim(key), where + ": key column");
      ddl += ", PRIMARY KEY (" + keys + ")";
    }
    ds.Exec("CREATE TABLE IF NOT EXISTS " + name + " (" + ddl + ")");
    InsertRows(ds, table, name, ds.connection().Columns(name), where);
  }
}

std::vector<std::string> BuildDatabase(SqlDataSourceImpl& ds, std::string_view schema,
                                       const std::vector<SeedFile>& examples) {
  Connection& c = ds.connection();
  const auto statements = sql::TranslateScript(schema, c.dialect());
  std::vector<std::string> databases;
  for (const auto& s : statements)
    for (const auto& d : s.databases)
      if (std::find(databases.begin(), databases.end(), d) == databases.end()) databases.push_back(d);
  // SQLite attaches its files first, as it cannot inside a transaction (a
  // failed creation removes them); PostgreSQL makes its schemas inside it,
  // so that a failure leaves none behind.
  const bool attach_first = c.dialect() == sql::Dialect::kSqlite;
  if (attach_first) c.UseDatabases(databases, true);
  c.Run("BEGIN", {});
  try {
    if (!attach_first) c.UseDatabases(databases, true);
    for (const auto& s : statements) c.Run(s.sql, {});
    for (const auto& file : examples) {
      const std::string base = vb::LCase(std::filesystem::path(file.name).filename().string());
      try {
        if (vb::StartsWith(base, "template")) {
          SeedTemplate(ds, file.content);
        } else if (vb::StartsWith(base, "voucher")) {
          SeedVoucher(ds, file.content);
        } else {
          throw VbError(err::kInvalidCall, "neither a template nor a voucher file");
        }
      } catch (const VbError& e) {
        throw VbError(e.number(), "examples/" + file.name + ": " + e.description());
      }
    }
    c.Run("COMMIT", {});
  } catch (...) {
    SkipErrors([&] { c.Run("ROLLBACK", {}); });
    throw;
  }
  return databases;
}

}  // namespace cavra::datasource
