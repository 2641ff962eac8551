#include "cavra/datasource.h"
#include "cavra/error.h"
#include "cavra/sql_text.h"
#include "datasource/connection.h"

#ifdef CAVRA_WITH_POSTGRES

#include <libpq-fe.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "datasource/declared_names.h"
#include "datasource/values.h"
#include "platform/vbstring.h"

namespace cavra::datasource {
namespace {

// Type OIDs of the built-in types (pg_type.h is a server header).
constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700,
              kFloat8 = 701, kDate = 1082, kTime = 1083, kTimestamp = 1114, kTimestampTz = 1184,
              kNumeric = 1700;

sql::ColumnKind KindOfOid(Oid oid) {
  switch (oid) {
    case kBool:
      return sql::ColumnKind::kBoolean;
    case kBytea:
      return sql::ColumnKind::kBlob;
    case kInt8:
    case kInt2:
    case kInt4:
    case kOid:
      return sql::ColumnKind::kInteger;
    case kFloat4:
    case kFloat8:
    case kNumeric:
      return sql::ColumnKind::kFloat;
    case kDate:
    case kTime:
    case kTimestamp:
    case kTimestampTz:
      return sql::ColumnKind::kDateTime;
    default:
      return sql::ColumnKind::kText;
  }
}

std::string Trimmed(const char* message) {
  std::string s = message ? message : "";
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

using ResultPtr = std::unique_ptr<PGresult, decltype(&PQclear)>;

Variant ReadValue(const PGresult* r, int row, int col, sql::ColumnKind kind) {
  if (PQgetisnull(r, row, col)) return Variant::Null();
  const char* text = PQgetvalue(r, row, col);
  const std::string_view s(text, static_cast<std::size_t>(PQgetlength(r, row, col)));
  switch (kind) {
    case sql::ColumnKind::kBoolean:
      return Variant(s == "t");
    case sql::ColumnKind::kInteger:
      return Variant(static_cast<std::int64_t>(std::strtoll(text, nullptr, 10)));
    case sql::ColumnKind::kFloat:
      return Variant(std::strtod(text, nullptr));
    case sql::ColumnKind::kBlob: {
      std::size_t n = 0;
      unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &n);
      if (!raw) throw VbError(err::kInvalidCall, "cannot read a binary value");
      Bytes bytes(raw, raw + n);
      PQfreemem(raw);
      return Variant(std::move(bytes));
    }
    default:
      return Variant(s);
  }
}

// A text[] literal of plain strings.
std::string ArrayLiteral(const std::vector<std::string>& items) {
  std::string out = "{";
  for (const auto& item : items) {
    if (out.size() > 1) out += ",";
    out += "\"";
    for (char c : item) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    out += "\"";
  }
  return out + "}";
}

class PostgresConnection final : public Connection {
 public:
  explicit PostgresConnection(const std::string& conninfo) : conn_(PQconnectdb(conninfo.c_str()), &PQfinish) {
    if (!conn_) throw VbError(err::kConnection, "cannot connect to PostgreSQL: out of memory");
    if (PQstatus(conn_.get()) != CONNECTION_OK)
      throw VbError(err::kConnection,
                    "cannot connect to PostgreSQL: " + Trimmed(PQerrorMessage(conn_.get())));
    // "already exists, skipping" and the like are not for the host's console.
    PQsetNoticeProcessor(
        conn_.get(), [](void*, const char*) {}, nullptr);
    PQsetClientEncoding(conn_.get(), "UTF8");
    ApplySessionSettings();
  }

  sql::Dialect dialect() const override { return sql::Dialect::kPostgres; }
  std::string Backend() const override { return "postgresql"; }

  ResultSet Run(const std::string& sql, const VariantArray& params) override {
    if (PQstatus(conn_.get()) != CONNECTION_OK) {
      PQreset(conn_.get());
      if (PQstatus(conn_.get()) != CONNECTION_OK)
        throw VbError(err::kConnection,
                      "the connection to PostgreSQL is lost: " + Trimmed(PQerrorMessage(conn_.get())));
      ApplySessionSettings();  // a new session
    }
    // A statement of the host's may have switched it off again.
    if (!ConformingStrings()) ApplySessionSettings();
    return Execute(sql, params);
  }

  void UseDatabases(const std::vector<std::string>& names, bool create) override {
    if (!create) return;  // a missing schema shows in the statement's own error
    for (const auto& name : names) Run("CREATE SCHEMA IF NOT EXISTS " + SqlName(name), {});
  }

  std::vector<ColumnInfo> Columns(const std::string& table) override {
    Variant schema = Variant::Null();
    std::string name = table;
    if (auto dot = table.find('.'); dot != std::string::npos) {
      schema = Variant(vb::LCase(table.substr(0, dot)));
      name = table.substr(dot + 1);
    }
    const ResultSet rs = Run(
        "SELECT column_name, data_type, ordinal_position, "
        "(quote_ident(table_schema) || '.' || quote_ident(table_name))::regclass::oid "
        "FROM information_schema.columns "
        "WHERE table_schema = coalesce($1, current_schema()) AND table_name = $2 ORDER BY ordinal_position",
        {schema, Variant(vb::LCase(name))});
    std::vector<ColumnInfo> out;
    for (const auto& row : rs.rows) {
      std::string column = CStr(row[0]);
      const TableNames& names = DeclaredNamesOf(static_cast<Oid>(row[3].AsLong()));
      if (auto it = names.columns.find(static_cast<int>(row[2].AsLong())); it != names.columns.end())
        column = it->second.spelling;
      out.push_back({column, sql::KindOfDeclaredType(CStr(row[1]))});
    }
    return out;
  }

 private:
  // Literals are written the standard way (a quote doubled, a backslash is
  // itself): with standard_conforming_strings off the server would read a
  // backslash as an escape and a value could end its literal. So every
  // session turns it on, whatever the server, database or role says.
  void ApplySessionSettings() {
    Execute("SET standard_conforming_strings = on", {});
    Execute("SET DateStyle = 'ISO, YMD'", {});
    if (!ConformingStrings())
      throw VbError(err::kConnection, "the PostgreSQL server does not keep standard_conforming_strings on");
  }
  bool ConformingStrings() const {
    const char* value = PQparameterStatus(conn_.get(), "standard_conforming_strings");
    return value && std::string_view(value) == "on";
  }

  ResultSet Execute(const std::string& sql, const VariantArray& params) {
    const int n = static_cast<int>(params.size());
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size(), nullptr);
    std::vector<int> lengths(params.size(), 0), formats(params.size(), 0);
    std::vector<Oid> types(params.size(), 0);
    for (std::size_t i = 0; i < params.size(); ++i) {
      const Variant& v = params[i];
      switch (v.type()) {
        case VarType::Empty:
        case VarType::Null:
          continue;
        case VarType::Boolean:
          texts[i] = v.AsBool() ? "1" : "0";  // reads as a boolean and as a whole number
          break;
        case VarType::Integer:
        case VarType::Long:
          texts[i] = std::to_string(v.AsLong());
          break;
        case VarType::Double:
          texts[i] = ShortestDouble(v.AsDouble());
          break;
        case VarType::String:
          // A text parameter is passed as a C string: a NUL would cut it short.
          if (v.AsString().find('\0') != std::string::npos)
            throw VbError(err::kInvalidCall, "parameter " + std::to_string(i + 1) +
                                                 ": PostgreSQL cannot store a NUL character in a text");
          texts[i] = v.AsString();
          break;
        case VarType::Bytes:
          texts[i].assign(v.AsBytes().begin(), v.AsBytes().end());
          types[i] = kBytea;
          formats[i] = 1;
          break;
        case VarType::Object:
        case VarType::Array:
          throw VbError(err::kTypeMismatch,
                        "parameter " + std::to_string(i + 1) + " is an object or an array");
      }
      values[i] = texts[i].data();
      lengths[i] = static_cast<int>(texts[i].size());
    }
    ResultPtr r(PQexecParams(conn_.get(), sql.c_str(), n, types.data(), values.data(), lengths.data(),
                             formats.data(), 0),
                &PQclear);
    const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
      const bool lost = PQstatus(conn_.get()) != CONNECTION_OK;
      std::string reason = Trimmed(r ? PQresultErrorMessage(r.get()) : PQerrorMessage(conn_.get()));
      if (reason.empty()) reason = Trimmed(PQerrorMessage(conn_.get()));
      if (vb::StartsWith(reason, "ERROR:  ")) reason = reason.substr(8);
      throw VbError(lost ? err::kConnection : err::kInvalidCall, reason);
    }
    ResultSet out;
    out.has_rows = status == PGRES_TUPLES_OK;
    if (!out.has_rows) {
      out.changed = std::strtoll(PQcmdTuples(r.get()), nullptr, 10);
      AfterCommand(PQcmdStatus(r.get()), sql);
      return out;
    }
    const int cols = PQnfields(r.get());
    std::vector<sql::ColumnKind> kinds;
    for (int c = 0; c < cols; ++c) {
      out.names.emplace_back(PQfname(r.get(), c));
      kinds.push_back(KindOfOid(PQftype(r.get(), c)));
      out.types.emplace_back(sql::FieldTypeOf(kinds.back()));
    }
    const int rows = PQntuples(r.get());
    out.rows.reserve(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
      Recordset::Row row;
      row.reserve(static_cast<std::size_t>(cols));
      for (int c = 0; c < cols; ++c)
        row.push_back(ReadValue(r.get(), i, c, kinds[static_cast<std::size_t>(c)]));
      out.rows.push_back(std::move(row));
    }
    RestoreDeclaredNames(r.get(), out);
    return out;
  }

  // PostgreSQL folds an unquoted name to lower case and keeps no trace of
  // how it was written, so the library keeps the spelling itself: every
  // CREATE TABLE and ALTER TABLE run here records its table's column names,
  // as declared, in cavra_meta.column_case, and a result column taken
  // straight from a recorded table gets its declared name back. Tables made
  // elsewhere (psql, CREATE TABLE ... AS) are not recorded.
  struct Column {
    std::string name, spelling;  // as the server keeps it; as declared
  };
  struct TableNames {
    bool recorded = false;
    std::unordered_map<int, Column> columns;  // by attribute number
  };

  // A statement of the library's own, with text parameters; no error is thrown.
  ResultPtr Internal(const char* sql, const std::vector<std::string>& params = {}) {
    std::vector<const char*> values;
    for (const auto& p : params) values.push_back(p.c_str());
    return ResultPtr(PQexecParams(conn_.get(), sql, static_cast<int>(values.size()), nullptr, values.data(),
                                  nullptr, nullptr, 0),
                     &PQclear);
  }
  static bool Succeeded(const ResultPtr& r) {
    const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    return status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK;
  }

  // The declared names of a table's columns, read once per table and
  // connection (a table made again has another oid).
  const TableNames& DeclaredNamesOf(Oid table) {
    if (auto it = declared_.find(table); it != declared_.end()) return it->second;
    TableNames names;
    if (!case_table_seen_) {
      ResultPtr r = Internal("SELECT to_regclass('cavra_meta.column_case') IS NOT NULL");
      case_table_seen_ =
          Succeeded(r) && PQntuples(r.get()) == 1 && std::string_view(PQgetvalue(r.get(), 0, 0)) == "t";
    }
    // Inside the caller's transaction a failing look-up must not end it.
    const bool nested = PQtransactionStatus(conn_.get()) == PQTRANS_INTRANS;
    if (case_table_seen_ && (!nested || Succeeded(Internal("SAVEPOINT cavra_column_case")))) {
      ResultPtr r = Internal(
          "SELECT a.attnum, a.attname, k.spelling FROM pg_attribute a "
          "JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
          "JOIN cavra_meta.column_case k ON k.table_schema = n.nspname AND k.table_name = c.relname "
          "AND k.column_name = a.attname WHERE a.attrelid = $1 AND a.attnum > 0",
          {std::to_string(table)});
      if (Succeeded(r)) {
        for (int i = 0; i < PQntuples(r.get()); ++i)
          names.columns[std::atoi(PQgetvalue(r.get(), i, 0))] = {PQgetvalue(r.get(), i, 1),
                                                                 PQgetvalue(r.get(), i, 2)};
        names.recorded = !names.columns.empty();
      } else if (nested) {
        Internal("ROLLBACK TO SAVEPOINT cavra_column_case");
      }
      if (nested) Internal("RELEASE SAVEPOINT cavra_column_case");
    }
    return declared_.emplace(table, std::move(names)).first->second;
  }

  // A result column that is a table's own column, under its own name (not
  // renamed by AS), gets the name as declared.
  void RestoreDeclaredNames(const PGresult* r, ResultSet& out) {
    out.declared_names.assign(out.names.size(), false);
    for (int c = 0; c < PQnfields(r); ++c) {
      const Oid table = PQftable(r, c);
      const int column = PQftablecol(r, c);
      if (table == InvalidOid || column <= 0) continue;
      const TableNames& names = DeclaredNamesOf(table);
      const auto it = names.columns.find(column);
      const auto i = static_cast<std::size_t>(c);
      if (!names.recorded || it == names.columns.end() || it->second.name != out.names[i]) continue;
      out.names[i] = it->second.spelling;
      out.declared_names[i] = true;
    }
  }

  // Records the column names a CREATE TABLE or ALTER TABLE just run
  // declared, in the caller's transaction when there is one (a failure here
  // leaves it untouched: the names then come back in lower case).
  void AfterCommand(std::string_view tag, const std::string& sql) {
    if (tag != "CREATE TABLE" && tag != "ALTER TABLE" && tag != "DROP TABLE") return;
    declared_.clear();
    if (tag == "DROP TABLE") return;
    const std::optional<DeclaredNames> names = ParseDeclaredNames(sql);
    if (!names) return;
    std::vector<std::string> folded;
    for (const auto& c : names->columns) folded.push_back(FoldedName(c));
    const bool nested = PQtransactionStatus(conn_.get()) == PQTRANS_INTRANS;
    if (!Succeeded(Internal(nested ? "SAVEPOINT cavra_column_case" : "BEGIN"))) return;
    const bool ok =
        Succeeded(Internal("CREATE SCHEMA IF NOT EXISTS cavra_meta")) &&
        Succeeded(Internal("CREATE TABLE IF NOT EXISTS cavra_meta.column_case (table_schema NAME NOT NULL, "
                           "table_name NAME NOT NULL, column_name NAME NOT NULL, spelling TEXT NOT NULL, "
                           "PRIMARY KEY (table_schema, table_name, column_name))")) &&
        (!names->create ||
         Succeeded(Internal("DELETE FROM cavra_meta.column_case k USING pg_class c JOIN pg_namespace n "
                            "ON n.oid = c.relnamespace WHERE c.oid = to_regclass($1) "
                            "AND k.table_schema = n.nspname AND k.table_name = c.relname",
                            {names->table}))) &&
        // Every column of the table, so that a recorded table's lower-case
        // names are known to be declared so.
        Succeeded(Internal(
            "INSERT INTO cavra_meta.column_case "
            "SELECT n.nspname, c.relname, a.attname, coalesce(s.spelling, k.spelling, a.attname) "
            "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
            "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
            "LEFT JOIN (SELECT DISTINCT ON (folded) spelling, folded "
            "FROM unnest($2::text[], $3::text[]) WITH ORDINALITY AS u(spelling, folded, n) "
            "ORDER BY folded, n) s ON s.folded = a.attname "
            "LEFT JOIN cavra_meta.column_case k ON k.table_schema = n.nspname AND k.table_name = c.relname "
            "AND k.column_name = a.attname "
            "WHERE c.oid = to_regclass($1) "
            "ON CONFLICT (table_schema, table_name, column_name) DO UPDATE SET spelling = excluded.spelling",
            {names->table, ArrayLiteral(names->columns), ArrayLiteral(folded)}));
    if (nested) {
      if (!ok) Internal("ROLLBACK TO SAVEPOINT cavra_column_case");
      Internal("RELEASE SAVEPOINT cavra_column_case");
    } else {
      Internal(ok ? "COMMIT" : "ROLLBACK");
    }
    // Made inside the caller's transaction, the table may yet be rolled back.
    case_table_seen_ = case_table_seen_ || (ok && !nested);
  }

  std::unique_ptr<PGconn, decltype(&PQfinish)> conn_;
  std::unordered_map<Oid, TableNames> declared_;
  bool case_table_seen_ = false;
};

}  // namespace

std::unique_ptr<Connection> ConnectPostgres(const std::string& conninfo) {
  return std::make_unique<PostgresConnection>(conninfo);
}

}  // namespace cavra::datasource

#else

namespace cavra::datasource {

std::unique_ptr<Connection> ConnectPostgres(const std::string&) {
  throw VbError(err::kConnection, "this library was built without PostgreSQL");
}

}  // namespace cavra::datasource

#endif
