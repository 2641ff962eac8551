// The seam between the data-source members and a database: a connection
// runs statements already in its own dialect. SQLite and PostgreSQL each
// implement it; everything above it is shared.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cavra/recordset.h"
#include "cavra/variant.h"
#include "datasource/sql_dialect.h"

namespace cavra::datasource {

struct ResultSet {
  bool has_rows = false;  // the statement yields rows (perhaps none)
  std::vector<std::string> names;
  std::vector<std::string> types;  // recordset field types
  std::vector<Recordset::Row> rows;
  // PostgreSQL: per column, whether names[i] is a table column's name in the
  // case it was declared in (else it may be folded to lower case).
  std::vector<bool> declared_names;
  std::int64_t changed = 0;  // rows changed by a statement without rows
};

struct ColumnInfo {
  std::string name;
  sql::ColumnKind kind = sql::ColumnKind::kUnknown;
};

class Connection {
 public:
  virtual ~Connection() = default;
  virtual sql::Dialect dialect() const = 0;
  virtual std::string Backend() const = 0;
  // Runs one statement with its parameters bound in order. VbError (5 for a
  // statement the database refuses, err::kConnection for a lost connection)
  // with the database's reason.
  virtual ResultSet Run(const std::string& sql, const VariantArray& params) = 0;
  // Makes "db.table" reach each named database (lower case); with create a
  // missing one is made. SQLite: not inside a transaction (it attaches a
  // file); PostgreSQL: a schema made inside one goes with its rollback.
  virtual void UseDatabases(const std::vector<std::string>& names, bool create) = 0;
  // The columns of a table ("db.table" for another database), in order;
  // none when there is no such table.
  virtual std::vector<ColumnInfo> Columns(const std::string& table) = 0;
};

// SQLite. A missing file is created only with create; VbError
// err::kConnection when the file cannot be opened or is not a database.
std::unique_ptr<Connection> ConnectSqlite(const std::filesystem::path& path, bool create);
// The file of database db beside main: <stem>.<db><ext>.
std::filesystem::path AttachedDatabasePath(const std::filesystem::path& main, const std::string& db);

// PostgreSQL, through libpq; VbError err::kConnection when it cannot connect.
std::unique_ptr<Connection> ConnectPostgres(const std::string& conninfo);

}  // namespace cavra::datasource
