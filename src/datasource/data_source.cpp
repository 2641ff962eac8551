#include "datasource/data_source.h"

#include <cctype>
#include <exception>
#include <unordered_map>

#include "cavra/error.h"
#include "core/resources.h"
#include "datasource/values.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra::datasource {
namespace {

constexpr std::string_view kUserPlaceholder = "#cUserName#";

std::string Reason() {
  try {
    throw;
  } catch (const VbError& e) {
    return e.description();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown failure";
  }
}

// The spelling of every name in the schema script, by lower-cased name.
const std::unordered_map<std::string, std::string>& SchemaNames() {
  static const auto names = [] {
    std::unordered_map<std::string, std::string> m;
    for (const auto& t : sql::TranslateScript(EmbeddedSchema(), sql::Dialect::kSqlite))
      for (const auto& n : t.names) m.try_emplace(vb::LCase(n), n);
    return m;
  }();
  return names;
}

// Whether a statement has a subquery ("(select", outside literals).
bool HasSubquery(std::string_view sql) {
  char quote = 0;
  for (std::size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '(') {
      std::size_t j = i + 1;
      while (j < sql.size() && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
      if (vb::EqualsNoCase(sql.substr(j, 6), "select")) return true;
    }
  }
  return false;
}

// PostgreSQL answers unquoted names in lower case. Named as SQLite names
// them: a table's column as declared (the connection knows the declared
// names of the tables the library created); other columns, and a column
// of a statement with a subquery (whose names SQLite takes as written),
// as the statement writes them, else as the schema does.
void RestoreNameCase(ResultSet& rs, const sql::Translation& t) {
  const bool subquery = HasSubquery(t.sql);
  for (std::size_t i = 0; i < rs.names.size(); ++i) {
    std::string& name = rs.names[i];
    const bool declared = i < rs.declared_names.size() && rs.declared_names[i];
    if (declared ? !subquery : name != vb::LCase(name)) continue;
    bool found = false;
    for (const auto& n : t.names) {
      if (vb::EqualsNoCase(n, name)) {
        name = n;
        found = true;
        break;
      }
    }
    if (found || declared) continue;
    if (auto it = SchemaNames().find(name); it != SchemaNames().end()) name = it->second;
  }
}

RecordsetPtr ToRecordset(ResultSet&& rs) {
  auto out = std::make_shared<Recordset>(std::move(rs.names));
  for (std::size_t i = 0; i < rs.types.size(); ++i)
    out->SetFieldType(static_cast<std::int32_t>(i), rs.types[i]);
  for (auto& row : rs.rows) out->AddRow(std::move(row));
  out->MoveFirst();
  return out;
}

// The "Data" element of a customer-info record: its attributes and its
// content exactly as written (the content need not be well-formed XML).
struct DataRecord {
  std::string type, op, voucher_type, template_type, content;
};

DataRecord ParseDataRecord(std::string_view text) {
  const std::size_t start = text.find('<');
  if (start == std::string_view::npos)
    throw VbError(err::kInvalidCall, "not a customer-info record: no element");
  std::size_t end = std::string_view::npos;
  char quote = 0;
  for (std::size_t i = start + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '>') {
      end = i;
      break;
    }
  }
  if (end == std::string_view::npos)
    throw VbError(err::kInvalidCall, "not a customer-info record: unclosed tag");
  const bool empty = text[end - 1] == '/';
  std::string tag(text.substr(start, end - start - (empty ? 1 : 0)));
  tag += "/>";
  pugi::xml_document doc;
  if (auto r = xml::Load(doc, tag); !r)
    throw VbError(err::kInvalidCall, "not a customer-info record: " + r.reason);
  const pugi::xml_node e = xml::DocumentElement(doc);
  if (std::string_view(e.name()) != "Data")
    throw VbError(err::kInvalidCall, std::string("not a customer-info record: <") + e.name() + ">");
  DataRecord out{e.attribute("fchrType").value(), e.attribute("fchrOperator").value(),
                 e.attribute("fchrVoucherType").value(), e.attribute("fchrVoucherTemplateType").value(), ""};
  if (!empty) {
    const std::size_t close = text.rfind("</Data>");
    if (close == std::string_view::npos || close < end)
      throw VbError(err::kInvalidCall, "not a customer-info record: no </Data>");
    out.content = std::string(text.substr(end + 1, close - end - 1));
  }
  return out;
}

// A table name as this dialect writes it ("db..table" becomes "db.table"),
// with the database it lives in; only plain names are taken.
sql::Translation TableName(const std::string& table, sql::Dialect dialect) {
  const std::string bare = vb::Replace(table, "..", ".");
  const auto dot = bare.find('.');
  if (!sql::IsPlainName(bare.substr(0, dot)) ||
      (dot != std::string::npos && !sql::IsPlainName(bare.substr(dot + 1))))
    throw VbError(err::kInvalidCall, "not a table name: " + table);
  return sql::Translate(table, dialect);
}

// Two values of one column: equal as numbers when both are numbers (a number
// column reads "1130" and "1130.00" alike), else equal as they are.
bool SameValue(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
  if (a.IsNumber() && b.IsNumber()) return CDbl(a) == CDbl(b);
  return a == b;
}

const ColumnInfo* FindColumn(const std::vector<ColumnInfo>& columns, std::string_view name) {
  for (const auto& c : columns)
    if (vb::EqualsNoCase(c.name, name)) return &c;
  return nullptr;
}

}  // namespace

SqlDataSourceImpl::SqlDataSourceImpl(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection)) {}

ResultSet SqlDataSourceImpl::Exec(std::string_view tsql, const VariantArray& params) {
  const sql::Translation t = sql::Translate(tsql, connection_->dialect());
  if (t.parameters != static_cast<int>(params.size()))
    throw VbError(err::kInvalidCall, "the statement has " + std::to_string(t.parameters) +
                                         " placeholders but " + std::to_string(params.size()) +
                                         " values were given");
  connection_->UseDatabases(t.databases, false);
  ResultSet rs = connection_->Run(t.sql, params);
  if (connection_->dialect() == sql::Dialect::kPostgres) RestoreNameCase(rs, t);
  return rs;
}

std::string SqlDataSourceImpl::ScalarText(std::string_view tsql, const VariantArray& params,
                                          const std::string& fallback) {
  const ResultSet rs = Exec(tsql, params);
  if (rs.rows.empty() || rs.rows[0].empty() || rs.rows[0][0].IsNull()) return fallback;
  return CStr(rs.rows[0][0]);
}

Result<RecordsetPtr> SqlDataSourceImpl::QuerySql(const std::string& sql, const VariantArray& params) {
  return Capture([&] { return ToRecordset(Exec(sql, params)); });
}

Result<std::int64_t> SqlDataSourceImpl::ExecuteSql(const std::string& sql, const VariantArray& params) {
  return Capture([&] { return Exec(sql, params).changed; });
}

RecordsetPtr SqlDataSourceImpl::GetRsBySql(const std::string& sql, std::string& errText) {
  Result<RecordsetPtr> rs = QuerySql(sql, {});
  if (rs.ok()) return *std::move(rs);
  errText = rs.error().description();
  return nullptr;
}

std::string SqlDataSourceImpl::GetAuthString(const std::string& billNo) {
  return ScalarText("SELECT cAuthString FROM VoucherFieldAuth WHERE cardnumber = ?", {Variant(billNo)},
                    "1=2");
}

std::string SqlDataSourceImpl::GetWorkflowAuthString(std::string& primaryKeys, std::string&,
                                                     const std::string& billNo) {
  return ScalarText("SELECT cAuthString FROM VoucherWorkflowAuth WHERE cardnumber = ? AND vchid = ?",
                    {Variant(billNo), Variant(primaryKeys)}, "NotInFlow");
}

std::string SqlDataSourceImpl::GetAuditString(const std::string& primaryKeys, const std::string& billNo,
                                              std::string& errText) {
  try {
    const ResultSet rs = Exec(
        "SELECT cAction, cTaskName, cOperator, dAuditTime, cOpinion FROM VoucherAuditFlow "
        "WHERE cardnumber = ? AND vchid = ? ORDER BY iSeq",
        {Variant(billNo), Variant(primaryKeys)});
    if (rs.rows.empty()) return "";
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("AuditFlow");
    root.append_attribute("cardnumber") = billNo.c_str();
    root.append_attribute("vchid") = primaryKeys.c_str();
    pugi::xml_node history = root.append_child("History");
    pugi::xml_node round = root.append_child("CurrentRound");
    constexpr const char* kAttributes[] = {"action", "taskName", "operator", "auditTime", "opinion"};
    std::size_t round_start = 0;
    for (std::size_t i = 0; i < rs.rows.size(); ++i) {
      const std::string action = rs.rows[i][0].IsNull() ? "" : CStr(rs.rows[i][0]);
      if (action == "0" || action == "8") round_start = i;
    }
    for (std::size_t i = 0; i < rs.rows.size(); ++i) {
      auto fill = [&](pugi::xml_node record) {
        for (std::size_t c = 0; c < 5; ++c) {
          const Variant& v = rs.rows[i][c];
          const std::string text = v.IsNull() ? "" : c == 3 ? ValueText(v, "dateTime") : CStr(v);
          record.append_attribute(kAttributes[c]) = text.c_str();
        }
      };
      fill(history.prepend_child("Record"));
      if (i >= round_start) fill(round.append_child("Record"));
    }
    return xml::Text(doc);
  } catch (...) {
    errText = Reason();
    return "";
  }
}

void SqlDataSourceImpl::SaveCustomerInfo(std::string& record, std::string& errText) {
  try {
    DataRecord r = ParseDataRecord(record);
    const LoginPtr login = GetLogin();
    r.op = vb::Replace(r.op, kUserPlaceholder, login ? login->cUserName() : "");
    Exec(
        "INSERT INTO VoucherCustomerInfo (fchrType, fchrOperator, fchrVoucherType, fchrVoucherTemplateType, "
        "fchrXmlInfo) VALUES (?, ?, ?, ?, ?) ON CONFLICT (fchrType, fchrOperator, fchrVoucherType, "
        "fchrVoucherTemplateType) DO UPDATE SET fchrXmlInfo = excluded.fchrXmlInfo",
        {Variant(r.type), Variant(r.op), Variant(r.voucher_type), Variant(r.template_type),
         Variant(r.content)});
  } catch (...) {
    errText = Reason();
  }
}

Variant SqlDataSourceImpl::GetCustomerInfo(std::string& request, std::string& errText) {
  try {
    DataRecord r = ParseDataRecord(request);
    const LoginPtr login = GetLogin();
    r.op = vb::Replace(r.op, kUserPlaceholder, login ? login->cUserName() : "");
    const ResultSet rs = Exec(
        "SELECT fchrXmlInfo FROM VoucherCustomerInfo WHERE fchrType = ? AND fchrOperator = ? AND "
        "fchrVoucherType = ? AND fchrVoucherTemplateType = ?",
        {Variant(r.type), Variant(r.op), Variant(r.voucher_type), Variant(r.template_type)});
    if (rs.rows.empty() || rs.rows[0][0].IsNull()) return Variant();
    return rs.rows[0][0];
  } catch (...) {
    errText = Reason();
    return Variant();
  }
}

std::string SqlDataSourceImpl::GetCustomerizeTotalTitle() {
  return GetCustomerizeTotalTitle(GetLanguageID());
}

std::string SqlDataSourceImpl::GetCustomerizeTotalTitle(const std::string& languageId) {
  return ScalarText("SELECT cTitles FROM VoucherTotalTitle WHERE lower(localeid) = lower(?)",
                    {Variant(languageId)}, "");
}

std::string SqlDataSourceImpl::GetUserName() {
  const LoginPtr login = GetLogin();
  return login ? login->cUserName() : "";
}

std::string SqlDataSourceImpl::WebRootURL() {
  return ScalarText("SELECT cValue FROM DataSourceSettings WHERE cName = 'WebRootURL'", {}, "");
}

LoginPtr SqlDataSourceImpl::GetLogin() {
  if (!login_given_ && !login_) {
    std::string user;
    SkipErrors([&] {
      user = ScalarText("SELECT cValue FROM DataSourceSettings WHERE cName = 'cUserName'", {}, "");
    });
    login_ = NewDefaultLogin(user);
  }
  return login_;
}

void SqlDataSourceImpl::setLogin(LoginPtr login) {
  login_ = std::move(login);
  login_given_ = true;
}

Result<void> SqlDataSourceImpl::WriteRowsets(const std::vector<RowsetWrite>& writes) {
  bool open = false;
  try {
    // Attaching is not allowed inside a transaction: reach every database first.
    for (const auto& w : writes)
      connection_->UseDatabases(TableName(w.table, connection_->dialect()).databases, false);
    // SQLite's deferred BEGIN would take the write lock at the first UPDATE,
    // where a busy database fails at once instead of waiting its timeout.
    Exec(connection_->dialect() == sql::Dialect::kSqlite ? "BEGIN IMMEDIATE" : "BEGIN");
    open = true;
    std::vector<RowsetWriteCounts> counts(writes.size());
    for (std::size_t i = 0; i < writes.size(); ++i) WriteOne(writes[i], counts[i]);
    Exec("COMMIT");
    for (std::size_t i = 0; i < writes.size(); ++i)
      if (writes[i].counts) *writes[i].counts = counts[i];
    return {};
  } catch (...) {
    Result<void> failed = Capture([] { throw; });
    if (open) SkipErrors([&] { Exec("ROLLBACK"); });
    return failed;
  }
}

void SqlDataSourceImpl::WriteOne(const RowsetWrite& w, RowsetWriteCounts& counts) {
  const std::string& table = w.table;
  const std::string where = "table " + table + ": ";
  if (!w.document) throw VbError(err::kObjectNotSet, where + "no document");
  const std::vector<ColumnInfo> columns = connection_->Columns(TableName(table, connection_->dialect()).sql);
  if (columns.empty()) throw VbError(err::kInvalidCall, "no table " + table);

  const pugi::xml_node root = xml::DocumentElement(*w.document);
  const pugi::xml_node type = root.child("s:Schema").child("s:ElementType");
  const pugi::xml_node data = root.child("rs:data");
  if (!type || !data) throw VbError(err::kInvalidCall, where + "not a rowset document");

  struct Mapped {
    std::string attribute;
    const ColumnInfo* column;
    bool binary_hex;
  };
  std::vector<Mapped> mapped;
  for (pugi::xml_node at : type.children("s:AttributeType")) {
    const char* name = at.attribute("name").value();
    const ColumnInfo* c = FindColumn(columns, name);
    if (!c && at.attribute("rs:name")) c = FindColumn(columns, at.attribute("rs:name").value());
    if (!c) continue;
    pugi::xml_attribute dt = at.child("s:datatype").attribute("dt:type");
    mapped.push_back({name, c, vb::EqualsNoCase(dt.value(), "bin.hex")});
  }
  std::vector<const Mapped*> keys, others;
  for (const auto& key : w.keyColumns) {
    const Mapped* found = nullptr;
    for (const auto& m : mapped)
      if (vb::EqualsNoCase(m.column->name, key)) found = &m;
    if (!found) throw VbError(err::kInvalidCall, where + "key column " + key + " is not in the document");
    keys.push_back(found);
  }
  for (const auto& m : mapped) {
    bool is_key = false;
    for (const Mapped* k : keys) is_key = is_key || k == &m;
    if (!is_key) others.push_back(&m);
  }

  auto value_of = [&](pugi::xml_node row, const Mapped& m) -> Variant {
    pugi::xml_attribute a = row.attribute(m.attribute.c_str());
    if (!a) return Variant::Null();
    if (m.binary_hex && m.column->kind == sql::ColumnKind::kBlob) return Variant(HexDecode(a.value()));
    try {
      return ParseValue(a.value(), m.column->kind);
    } catch (const VbError& e) {
      throw VbError(e.number(), where + "column " + m.column->name + ": " + e.description());
    }
  };
  std::string key_where;
  for (const Mapped* k : keys)
    key_where += (key_where.empty() ? " WHERE " : " AND ") + k->column->name + " = ?";
  auto key_text = [&](pugi::xml_node row) {
    std::string text;
    for (const Mapped* k : keys)
      text += (text.empty() ? "" : ", ") + k->column->name + "=" +
              row.attribute(k->attribute.c_str()).value();
    return text;
  };

  // The original rows by key; every row of the document has a key of its own.
  std::unordered_map<std::string, pugi::xml_node> originals;
  if (w.original) {
    if (keys.empty())
      throw VbError(err::kInvalidCall, where + "no key columns to match the original rows by");
    const pugi::xml_node original_data = xml::DocumentElement(*w.original).child("rs:data");
    for (pugi::xml_node row : original_data.children("z:row")) originals.emplace(key_text(row), row);
    std::unordered_map<std::string, int> seen;
    int n = 0;
    for (pugi::xml_node row : data.children("z:row")) {
      ++n;
      if (vb::UCase(row.attribute("editprop").value()) == "A") continue;
      const auto [it, fresh] = seen.emplace(key_text(row), n);
      if (!fresh)
        throw VbError(err::kInvalidCall, where + "rows " + std::to_string(it->second) + " and " +
                                             std::to_string(n) + " have the same key (" + it->first + ")");
    }
  }
  const char* same_as =
      connection_->dialect() == sql::Dialect::kPostgres ? " IS NOT DISTINCT FROM ?" : " IS ?";

  int n = 0;
  for (pugi::xml_node row : data.children("z:row")) {
    ++n;
    const std::string state = vb::UCase(row.attribute("editprop").value());
    const std::string at_row = where + "row " + std::to_string(n) + ": ";
    if (state.empty()) continue;
    if (state != "A" && state != "M" && state != "D")
      throw VbError(err::kInvalidCall, at_row + "unknown editprop '" + state + "'");
    VariantArray params;
    std::string sql;
    if (state == "A") {
      std::string names, marks;
      for (const auto& m : mapped) {
        names += (names.empty() ? "" : ", ") + m.column->name;
        marks += marks.empty() ? "?" : ", ?";
        params.push_back(value_of(row, m));
      }
      sql = "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
    } else {
      if (keys.empty()) throw VbError(err::kInvalidCall, at_row + "no key columns to find the row by");
      VariantArray expected;  // the original values of the changed columns
      std::string unchanged_where;
      if (state == "M") {
        pugi::xml_node original;
        if (w.original) {
          const auto it = originals.find(key_text(row));
          if (it == originals.end())
            throw VbError(err::kInvalidCall, at_row + "no row with its key (" + key_text(row) +
                                                 ") was read: a key value cannot change");
          original = it->second;
        }
        std::string sets;
        for (const Mapped* m : others) {
          Variant v = value_of(row, *m);
          if (original) {
            Variant was = value_of(original, *m);
            if (SameValue(was, v)) continue;
            unchanged_where += " AND " + m->column->name + same_as;
            expected.push_back(std::move(was));
          }
          sets += (sets.empty() ? "" : ", ") + m->column->name + " = ?";
          params.push_back(std::move(v));
        }
        if (original && sets.empty()) {
          ++counts.unchanged;
          continue;
        }
        if (sets.empty()) sets = keys[0]->column->name + " = " + keys[0]->column->name;
        sql = "UPDATE " + table + " SET " + sets + key_where + unchanged_where;
      } else {
        sql = "DELETE FROM " + table + key_where;
      }
      VariantArray key_values;
      for (const Mapped* k : keys) {
        Variant v = value_of(row, *k);
        if (v.IsNull())
          throw VbError(err::kInvalidCall, at_row + "no value for key column " + k->column->name);
        key_values.push_back(std::move(v));
      }
      params.insert(params.end(), key_values.begin(), key_values.end());
      params.insert(params.end(), expected.begin(), expected.end());
      const ResultSet rs = Exec(sql, params);
      if (rs.changed == 0) {
        if (!unchanged_where.empty() && !Exec("SELECT 1 FROM " + table + key_where, key_values).rows.empty())
          throw VbError(err::kInvalidCall, at_row + "the row (" + key_text(row) +
                                               ") was changed by another user since it was read");
        throw VbError(err::kInvalidCall, at_row + "no row has its key (editprop " + state + ")");
      }
      ++(state == "M" ? counts.updated : counts.deleted);
      continue;
    }
    Exec(sql, params);
    ++counts.inserted;
  }
}

}  // namespace cavra::datasource
