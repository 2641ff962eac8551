#include "cavra/datasource.h"
#include "cavra/error.h"
#include "cavra/sql_text.h"
#include "datasource/connection.h"

#ifdef CAVRA_WITH_POSTGRES

#include <libpq-fe.h>

#include <cstdlib>
#include <memory>
#include <string_view>

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
        "SELECT column_name, data_type FROM information_schema.columns "
        "WHERE table_schema = coalesce($1, current_schema()) AND table_name = $2 ORDER BY ordinal_position",
        {schema, Variant(vb::LCase(name))});
    std::vector<ColumnInfo> out;
    for (const auto& row : rs.rows) out.push_back({CStr(row[0]), sql::KindOfDeclaredType(CStr(row[1]))});
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
    return out;
  }

  std::unique_ptr<PGconn, decltype(&PQfinish)> conn_;
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
