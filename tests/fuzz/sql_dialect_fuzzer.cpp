// The SQL dialect translator on arbitrary text. Beyond not crashing, a
// translation must keep every string literal as it was: the literals the
// input holds when read as the service writes its SQL must be, in order and
// byte for byte, the literals the target database reads in the output. A
// difference means a value could leave its literal (or text could enter
// one) on the way to the database.
//
// Input: the first byte picks the dialect (bit 0) and whether the text is a
// schema script (bit 1); the rest is the SQL text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cavra/error.h"
#include "datasource/sql_dialect.h"
#include "fuzz/literals.h"

namespace {

using cavra::fuzz::Lexer;
using cavra::fuzz::Literals;

std::string Show(const std::vector<std::string>& literals) {
  std::string out;
  for (const auto& l : literals) out += "[" + l + "]";
  return out;
}

// GetDate() becomes datetime('now','localtime') in SQLite: those two literals are the translator's own.
std::vector<std::string> WithoutNow(std::vector<std::string> literals) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < literals.size(); ++i) {
    if (literals[i] == "now" && i + 1 < literals.size() && literals[i + 1] == "localtime") {
      ++i;
      continue;
    }
    out.push_back(std::move(literals[i]));
  }
  return out;
}

void Check(std::string_view input, const std::string& output, cavra::sql::Dialect dialect) {
  const auto before = WithoutNow(Literals(input, Lexer::kService));
  const Lexer reader = dialect == cavra::sql::Dialect::kPostgres ? Lexer::kPostgres : Lexer::kSqlite;
  const auto after = WithoutNow(Literals(output, reader));
  if (before != after)
    cavra::fuzz::Fail("literals changed:\n  input  " + std::string(input) + "\n  output " + output +
                      "\n  before " + Show(before) + "\n  after  " + Show(after));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const auto dialect = (data[0] & 1) ? cavra::sql::Dialect::kPostgres : cavra::sql::Dialect::kSqlite;
  const bool script = (data[0] & 2) != 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    if (script) {
      std::string joined;
      for (const auto& t : cavra::sql::TranslateScript(text, dialect)) joined += t.sql + ";\n";
      // The statements are translated one by one: their literals, in order, are the script's.
      Check(text, joined, dialect);
    } else {
      Check(text, cavra::sql::Translate(text, dialect).sql, dialect);
    }
  } catch (const cavra::VbError&) {
    // refused: an unterminated literal, a second statement, an unsupported shape
  }
  return 0;
}
