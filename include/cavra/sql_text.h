// Putting values into SQL text. Every value the library writes into an SQL
// text goes through these helpers (a source scan in the tests holds the
// library to that); a host building its own texts for GetRsBySql can use
// them too.
//
// - Values: where a statement can bind parameters (SqlDataSource::QuerySql,
//   ExecuteSql), bind them with "?". Where the text must carry the value,
//   SqlLiteral writes it as a literal the value cannot end.
// - Names (tables, columns) cannot be parameters: SqlName lets a plain name
//   through unchanged and refuses anything else, so a name read from a
//   template or a table cannot carry SQL.
//
// Literals follow standard SQL: a single quote is doubled and nothing else
// is special, backslash included. The library's PostgreSQL connections set
// standard_conforming_strings on for that reason.
//
// Example:
//   "select vchBodyPKName from vouchers_base where cardnumber=" + cavra::SqlLiteral("O'Brien")
//     gives ... where cardnumber='O''Brien'
#pragma once

#include <string>
#include <string_view>

#include "cavra/export.h"

namespace cavra {

// value between single quotes, each single quote doubled. A value holding a
// NUL character is refused (VbError 5): no SQL text can carry it, and
// cutting it short would compare with another value.
CAVRA_EXPORT std::string SqlLiteral(std::string_view value);
// The same with the N prefix of a national-character literal: N'...'.
CAVRA_EXPORT std::string SqlNLiteral(std::string_view value);

// Whether text is a plain SQL name: an ASCII letter or "_", then ASCII
// letters, digits and "_".
CAVRA_EXPORT bool IsPlainSqlName(std::string_view text);
// name itself when it is a plain name or a qualified one made of plain names
// ("db.table", "db..table", "db.dbo.table"); VbError 5 naming it otherwise.
CAVRA_EXPORT std::string SqlName(std::string_view name);

}  // namespace cavra
