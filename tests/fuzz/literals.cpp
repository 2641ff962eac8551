#include "fuzz/literals.h"

#include <cstddef>

namespace cavra::fuzz {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsIdentStart(char c) { return IsAlpha(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80; }
bool IsIdentChar(char c, Lexer lexer) {
  return IsIdentStart(c) || IsDigit(c) || c == '$' || (lexer == Lexer::kService && (c == '@' || c == '#'));
}

// End (one past the closing quote) of a text quoted with q from i (the
// opening quote), a doubled quote standing for itself, with backslash escapes
// when asked; npos when it is not closed.
std::size_t QuotedEnd(std::string_view s, std::size_t i, char q, bool backslash = false) {
  for (std::size_t k = i + 1; k < s.size(); ++k) {
    if (backslash && s[k] == '\\') {
      ++k;
      continue;
    }
    if (s[k] != q) continue;
    if (k + 1 < s.size() && s[k + 1] == q) {
      ++k;
      continue;
    }
    return k + 1;
  }
  return std::string_view::npos;
}

// The literal whose text starts at from and whose closing quote ends at end.
std::string_view Content(std::string_view s, std::size_t from, std::size_t end) {
  return end == std::string_view::npos ? s.substr(from) : s.substr(from, end - 1 - from);
}
std::size_t After(std::string_view s, std::size_t end) {
  return end == std::string_view::npos ? s.size() : end;
}

// The tag of a dollar quote at i ("$$" or "$name$"), or 0 when there is none.
std::size_t DollarTagLength(std::string_view s, std::size_t i) {
  std::size_t k = i + 1;
  if (k < s.size() && IsIdentStart(s[k]))
    while (k < s.size() && (IsIdentStart(s[k]) || IsDigit(s[k]))) ++k;
  return k < s.size() && s[k] == '$' ? k + 1 - i : 0;
}

}  // namespace

std::vector<std::string> Literals(std::string_view s, Lexer lexer) {
  // the databases read a text up to its first NUL
  if (lexer != Lexer::kService) s = s.substr(0, s.find('\0'));
  std::vector<std::string> out;
  const bool pg = lexer == Lexer::kPostgres;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    const char next = i + 1 < s.size() ? s[i + 1] : '\0';
    if (c == '-' && next == '-') {
      const std::size_t e = s.find('\n', i);
      i = e == std::string_view::npos ? s.size() : e;
    } else if (c == '/' && next == '*') {
      // PostgreSQL nests block comments; the others end at the first "*/".
      int depth = 0;
      std::size_t k = i;
      while (k < s.size()) {
        if (s.compare(k, 2, "/*") == 0 && (pg || depth == 0)) {
          ++depth;
          k += 2;
        } else if (s.compare(k, 2, "*/") == 0) {
          k += 2;
          if (--depth == 0) break;
        } else {
          ++k;
        }
      }
      i = k;
    } else if (c == '\'') {
      const std::size_t e = QuotedEnd(s, i, '\'');
      out.emplace_back(Content(s, i + 1, e));
      i = After(s, e);
    } else if (pg && (c == 'e' || c == 'E') && next == '\'') {
      const std::size_t e = QuotedEnd(s, i + 1, '\'', true);
      out.emplace_back(Content(s, i + 2, e));
      i = After(s, e);
    } else if (pg && c == '$' && DollarTagLength(s, i) > 0) {
      const std::size_t tag = DollarTagLength(s, i);
      const std::size_t close = s.find(s.substr(i, tag), i + tag);
      const std::size_t end = close == std::string_view::npos ? s.size() : close;
      out.emplace_back(s.substr(i + tag, end - i - tag));
      i = close == std::string_view::npos ? s.size() : close + tag;
    } else if (c == '"') {
      i = After(s, QuotedEnd(s, i, '"'));
    } else if (c == '[' && lexer != Lexer::kPostgres) {
      // SQLite ends a bracketed name at the first "]"; the service's texts double it.
      if (lexer == Lexer::kSqlite) {
        const std::size_t e = s.find(']', i);
        i = e == std::string_view::npos ? s.size() : e + 1;
      } else {
        i = After(s, QuotedEnd(s, i, ']'));
      }
    } else if (c == '`' && lexer == Lexer::kSqlite) {
      i = After(s, QuotedEnd(s, i, '`'));
    } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
      // an exponent sign belongs to the number only before a digit: "2e--" ends in a comment
      std::size_t e = i;
      while (e < s.size() && (IsAlpha(s[e]) || IsDigit(s[e]) || s[e] == '.' || s[e] == '_')) {
        if ((s[e] == 'e' || s[e] == 'E') && e + 2 < s.size() && (s[e + 1] == '+' || s[e + 1] == '-') &&
            IsDigit(s[e + 2]))
          ++e;
        ++e;
      }
      i = e;
    } else if (IsIdentStart(c) || (lexer == Lexer::kService && (c == '@' || c == '#'))) {
      while (i < s.size() && IsIdentChar(s[i], lexer)) ++i;
    } else {
      ++i;
    }
  }
  return out;
}

}  // namespace cavra::fuzz
