// The one place where a value becomes SQL text (see <cavra/sql_text.h>).
#include "cavra/sql_text.h"

#include "cavra/error.h"

namespace cavra {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

std::string Quoted(std::string_view prefix, std::string_view value) {
  if (value.find('\0') != std::string_view::npos)
    throw VbError(err::kInvalidCall, "a NUL character cannot be put into an SQL literal");
  std::string out(prefix);
  out.reserve(prefix.size() + value.size() + 2);
  out.push_back('\'');
  for (char c : value) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  out.push_back('\'');
  return out;
}

}  // namespace

std::string SqlLiteral(std::string_view value) { return Quoted("", value); }
std::string SqlNLiteral(std::string_view value) { return Quoted("N", value); }

bool IsPlainSqlName(std::string_view text) {
  if (text.empty() || !(IsAsciiLetter(text[0]) || text[0] == '_')) return false;
  for (char c : text)
    if (!(IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_')) return false;
  return true;
}

std::string SqlName(std::string_view name) {
  // "db..table" leaves an empty part between its dots, but only there: an
  // empty first or last part, or three dots, is no name.
  std::size_t parts = 0, empty = 0, start = 0;
  bool ok = true;
  while (ok) {
    const std::size_t dot = name.find('.', start);
    const std::string_view part = name.substr(start, dot == std::string_view::npos ? dot : dot - start);
    ++parts;
    if (part.empty()) {
      ++empty;
      ok = start != 0 && dot != std::string_view::npos;
    } else {
      ok = IsPlainSqlName(part);
    }
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  if (!ok || parts > 3 || empty > 1)
    throw VbError(err::kInvalidCall, "not a plain SQL name: \"" + std::string(name) + "\"");
  return std::string(name);
}

}  // namespace cavra
