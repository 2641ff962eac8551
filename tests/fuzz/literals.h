// The string literals of an SQL text, as a given reader of SQL sees them: the
// service's own texts (T-SQL shapes: '' doubling, N'..', "names", [names],
// -- and /* */ comments), SQLite (also `names`) and PostgreSQL (also E'..'
// with backslash escapes, $tag$..$tag$ strings and nested comments). A
// literal is given as the bytes between its quotes, as written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"

namespace cavra::fuzz {

enum class Lexer { kService, kSqlite, kPostgres };

std::vector<std::string> Literals(std::string_view sql, Lexer lexer);

}  // namespace cavra::fuzz
