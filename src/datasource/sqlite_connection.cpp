#include <sqlite3.h>

#include <set>

#include "cavra/datasource.h"
#include "cavra/error.h"
#include "cavra/sql_text.h"
#include "datasource/connection.h"
#include "platform/vbstring.h"

namespace cavra::datasource {
namespace {

class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK)
      throw VbError(err::kInvalidCall, sqlite3_errmsg(db));
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

void Bind(sqlite3_stmt* st, int index, const Variant& v) {
  int rc = SQLITE_OK;
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
      rc = sqlite3_bind_null(st, index);
      break;
    case VarType::Boolean:
      rc = sqlite3_bind_int(st, index, v.AsBool() ? 1 : 0);
      break;
    case VarType::Integer:
    case VarType::Long:
      rc = sqlite3_bind_int64(st, index, v.AsLong());
      break;
    case VarType::Double:
      rc = sqlite3_bind_double(st, index, v.AsDouble());
      break;
    case VarType::String:
      rc = sqlite3_bind_text(st, index, v.AsString().data(), static_cast<int>(v.AsString().size()),
                             SQLITE_TRANSIENT);
      break;
    case VarType::Bytes:
      rc = sqlite3_bind_blob(st, index, v.AsBytes().data(), static_cast<int>(v.AsBytes().size()),
                             SQLITE_TRANSIENT);
      break;
    case VarType::Object:
    case VarType::Array:
      throw VbError(err::kTypeMismatch, "parameter " + std::to_string(index) + " is an object or an array");
  }
  if (rc != SQLITE_OK) throw VbError(err::kInvalidCall, sqlite3_errstr(rc));
}

Variant ReadValue(sqlite3_stmt* st, int col, sql::ColumnKind kind) {
  switch (sqlite3_column_type(st, col)) {
    case SQLITE_NULL:
      return Variant::Null();
    case SQLITE_INTEGER: {
      const sqlite3_int64 v = sqlite3_column_int64(st, col);
      if (kind == sql::ColumnKind::kBoolean) return Variant(v != 0);
      return Variant(static_cast<std::int64_t>(v));
    }
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(st, col));
    case SQLITE_BLOB: {
      const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, col));
      return Variant(Bytes(p, p + sqlite3_column_bytes(st, col)));
    }
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
      return Variant(std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(st, col))));
    }
  }
}

std::string_view TypeOfValue(const Variant& v) {
  switch (v.type()) {
    case VarType::Integer:
    case VarType::Long:
      return "int";
    case VarType::Double:
      return "float";
    case VarType::Boolean:
      return "boolean";
    case VarType::Bytes:
      return "bin.base64";
    default:
      return "string";
  }
}

class SqliteConnection final : public Connection {
 public:
  SqliteConnection(std::filesystem::path path, bool create) : path_(std::move(path)) {
    const std::string where = "SQLite database " + path_.string();
    std::error_code ec;
    if (!create && !std::filesystem::exists(path_, ec)) throw VbError(err::kConnection, where + " not found");
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw VbError(err::kConnection, "cannot open " + where + ": " + reason);
    }
    sqlite3_busy_timeout(db_, 5000);
    // Opening reads nothing; the first statement finds a file that is not a database.
    try {
      Run("SELECT count(*) FROM sqlite_master", {});
    } catch (const VbError& e) {
      sqlite3_close(db_);
      throw VbError(err::kConnection, "cannot open " + where + ": " + e.description());
    }
  }
  ~SqliteConnection() override { sqlite3_close(db_); }

  sql::Dialect dialect() const override { return sql::Dialect::kSqlite; }
  std::string Backend() const override { return "sqlite"; }

  ResultSet Run(const std::string& sql, const VariantArray& params) override {
    Statement st(db_, sql);
    const int count = sqlite3_bind_parameter_count(st.get());
    if (count != static_cast<int>(params.size()))
      throw VbError(err::kInvalidCall, "the statement has " + std::to_string(count) + " parameters but " +
                                           std::to_string(params.size()) + " values were given");
    for (int i = 0; i < count; ++i) Bind(st.get(), i + 1, params[static_cast<std::size_t>(i)]);

    ResultSet out;
    const int cols = sqlite3_column_count(st.get());
    out.has_rows = cols > 0;
    std::vector<sql::ColumnKind> kinds;
    for (int c = 0; c < cols; ++c) {
      out.names.emplace_back(sqlite3_column_name(st.get(), c));
      const char* decl = sqlite3_column_decltype(st.get(), c);
      kinds.push_back(sql::KindOfDeclaredType(decl ? decl : ""));
      out.types.emplace_back(sql::FieldTypeOf(kinds.back()));
    }
    for (;;) {
      const int rc = sqlite3_step(st.get());
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) throw VbError(err::kInvalidCall, sqlite3_errmsg(db_));
      Recordset::Row row;
      row.reserve(static_cast<std::size_t>(cols));
      for (int c = 0; c < cols; ++c)
        row.push_back(ReadValue(st.get(), c, kinds[static_cast<std::size_t>(c)]));
      out.rows.push_back(std::move(row));
    }
    // An expression has no declared type: its first value tells.
    for (std::size_t c = 0; c < out.types.size(); ++c) {
      if (!out.types[c].empty()) continue;
      for (const auto& row : out.rows) {
        if (row[c].IsNull()) continue;
        out.types[c] = TypeOfValue(row[c]);
        break;
      }
    }
    if (!out.has_rows) out.changed = sqlite3_changes64(db_);
    return out;
  }

  void UseDatabases(const std::vector<std::string>& names, bool create) override {
    for (const auto& name : names) {
      if (attached_.count(name)) continue;
      (void)SqlName(name);  // it names a file and goes into the statement
      const auto file = AttachedDatabasePath(path_, name);
      std::error_code ec;
      if (!create && !std::filesystem::exists(file, ec))
        throw VbError(err::kInvalidCall,
                      "database " + name + " does not exist (no file " + file.string() + ")");
      Run("ATTACH DATABASE ? AS " + name, {Variant(file.string())});
      attached_.insert(name);
    }
  }

  std::vector<ColumnInfo> Columns(const std::string& table) override {
    std::string schema = "main", name = table;
    if (auto dot = table.find('.'); dot != std::string::npos) {
      schema = table.substr(0, dot);
      name = table.substr(dot + 1);
      UseDatabases({vb::LCase(schema)}, false);
    }
    std::vector<ColumnInfo> out;
    const ResultSet rs =
        Run("SELECT name, type FROM pragma_table_info(?, ?)", {Variant(name), Variant(schema)});
    for (const auto& row : rs.rows) out.push_back({CStr(row[0]), sql::KindOfDeclaredType(CStr(row[1]))});
    return out;
  }

 private:
  std::filesystem::path path_;
  sqlite3* db_ = nullptr;
  std::set<std::string> attached_;
};

}  // namespace

std::unique_ptr<Connection> ConnectSqlite(const std::filesystem::path& path, bool create) {
  return std::make_unique<SqliteConnection>(path, create);
}

std::filesystem::path AttachedDatabasePath(const std::filesystem::path& main, const std::string& db) {
  return main.parent_path() / (main.stem().string() + "." + db + main.extension().string());
}

}  // namespace cavra::datasource
