// The one place where the T-SQL shapes of the service's SQL texts become
// SQLite or PostgreSQL. The texts arrive as the service writes them; a small
// tokenizer (quoted literals, quoted names and comments are single tokens, so
// nothing inside a literal is ever touched) rewrites:
//
//   N'text'                      'text'
//   [name]                       name ("name" when it is not a plain name)
//   SELECT TOP n ...             SELECT ... LIMIT n (at the end of that SELECT,
//                                which may be a parenthesised subquery)
//   isnull(                      coalesce(
//   GetDate()                    datetime('now','localtime') / LOCALTIMESTAMP(0)
//   dbo.table                    table
//   db..table, db.dbo.table      db.table: an attached SQLite file or a
//                                PostgreSQL schema, named in lower case
//   IF (c) SELECT a ELSE SELECT b   SELECT CASE WHEN (c) THEN a ELSE b END
//   ?                            ? / $1, $2, ... (bound parameters)
//   LIKE                         ILIKE in PostgreSQL (T-SQL and SQLite
//                                compare LIKE patterns without case)
//   BLOB (schema scripts only)   BYTEA in PostgreSQL
//
// One statement per text: a second statement after ";" is refused.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cavra::sql {

enum class Dialect { kSqlite, kPostgres };

struct Translation {
  std::string sql;
  // Databases named as "db..table" (lower case), in order of appearance.
  std::vector<std::string> databases;
  // Every plain name of the text as written, for restoring the letter case
  // of the result columns PostgreSQL folds to lower case.
  std::vector<std::string> names;
  int parameters = 0;  // number of "?" placeholders
};

// Translates one statement; a trailing ";" is allowed. Throws VbError 5 with
// the reason for an unterminated literal, a second statement or an IF that is
// not of the shape above.
Translation Translate(std::string_view tsql, Dialect dialect);

// A schema script: its statements (split at top-level ";"), each translated,
// with BLOB as the binary column type.
std::vector<Translation> TranslateScript(std::string_view script, Dialect dialect);

// Whether text is a plain name: a letter or "_" followed by letters, digits
// and "_" (ASCII).
bool IsPlainName(std::string_view text);

// The kind of value a declared column type holds, from its SQL type name
// ("INTEGER", "VARCHAR(30)", "DOUBLE PRECISION", "TIMESTAMP", ...).
enum class ColumnKind { kUnknown, kInteger, kFloat, kText, kDateTime, kBoolean, kBlob };
ColumnKind KindOfDeclaredType(std::string_view declared);
// The recordset field type of a kind ("int", "float", "string", "dateTime",
// "boolean", "bin.base64"; "" for kUnknown).
std::string_view FieldTypeOf(ColumnKind kind);

}  // namespace cavra::sql
