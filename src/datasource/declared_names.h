// The column names a CREATE TABLE or ALTER TABLE statement declares, as
// written. PostgreSQL folds unquoted names to lower case and keeps no trace
// of their spelling; its connection records them from these.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cavra::datasource {

struct DeclaredNames {
  bool create = false;               // CREATE TABLE, else ALTER TABLE
  std::string table;                 // as written, quotes included (for to_regclass)
  std::vector<std::string> columns;  // unquoted column names as written
};

// The names of
//   CREATE [GLOBAL | LOCAL] [TEMP | TEMPORARY | UNLOGGED] TABLE [IF NOT EXISTS] t (...)
//   ALTER TABLE [IF EXISTS] [ONLY] t ADD [COLUMN] [IF NOT EXISTS] c ..., ...
//   ALTER TABLE [IF EXISTS] [ONLY] t RENAME [COLUMN] a TO c
// and nullopt for any other statement. Constraints, literals and comments
// are skipped; a quoted column name is left out (the server keeps its case).
// CREATE TABLE ... AS declares no names.
std::optional<DeclaredNames> ParseDeclaredNames(std::string_view sql);

// A name folded as the server folds an unquoted one (ASCII letters only).
std::string FoldedName(std::string_view name);

}  // namespace cavra::datasource
