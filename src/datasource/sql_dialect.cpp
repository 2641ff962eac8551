#include "datasource/sql_dialect.h"

#include <cctype>
#include <utility>

#include "cavra/error.h"
#include "cavra/sql_text.h"
#include "platform/vbstring.h"

namespace cavra::sql {
namespace {

enum class Tok { kSpace, kComment, kWord, kNumber, kString, kNString, kQuoted, kBracketed, kParam, kPunct };

struct Token {
  Tok kind;
  std::string_view text;
  std::size_t offset = 0;
};

[[noreturn]] void Fail(std::string reason) { throw VbError(err::kInvalidCall, std::move(reason)); }

bool IsWordStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalpha(u) || c == '_' || c == '@' || c == '#' || u >= 0x80;
}
// No "$" even inside a name: PostgreSQL would start a $$ string at it after "@" or "#".
bool IsWordChar(char c) { return IsWordStart(c) || std::isdigit(static_cast<unsigned char>(c)); }

// End (one past the closing quote) of a literal quoted with q starting at i,
// where a doubled quote stands for itself.
std::size_t QuotedEnd(std::string_view s, std::size_t i, char close, const char* what) {
  for (std::size_t k = i + 1; k < s.size(); ++k) {
    if (s[k] != close) continue;
    if (k + 1 < s.size() && s[k + 1] == close) {
      ++k;
      continue;
    }
    return k + 1;
  }
  Fail(std::string("unterminated ") + what + " at offset " + std::to_string(i));
}

std::vector<Token> Tokenize(std::string_view s) {
  // Both databases read a text only up to a NUL: whatever follows would vanish.
  if (const std::size_t nul = s.find('\0'); nul != std::string_view::npos)
    Fail("a NUL character at offset " + std::to_string(nul));
  std::vector<Token> out;
  std::size_t i = 0;
  const std::size_t n = s.size();
  auto push = [&](Tok kind, std::size_t end) {
    out.push_back({kind, s.substr(i, end - i), i});
    i = end;
  };
  while (i < n) {
    const char c = s[i];
    const char next = i + 1 < n ? s[i + 1] : '\0';
    if (std::isspace(static_cast<unsigned char>(c))) {
      std::size_t e = i;
      while (e < n && std::isspace(static_cast<unsigned char>(s[e]))) ++e;
      push(Tok::kSpace, e);
    } else if (c == '-' && next == '-') {
      const std::size_t e = s.find('\n', i);
      push(Tok::kComment, e == std::string_view::npos ? n : e);
    } else if (c == '/' && next == '*') {
      const std::size_t e = s.find("*/", i + 2);
      if (e == std::string_view::npos) Fail("unterminated comment at offset " + std::to_string(i));
      // PostgreSQL (and T-SQL) nest block comments, SQLite does not: they would end in different places.
      // An inner "/*" may share its star with the closing "*/" ("/*/"): PostgreSQL reads the opening.
      if (const std::size_t inner = s.substr(0, e + 1).find("/*", i + 2); inner != std::string_view::npos)
        Fail("a nested comment at offset " + std::to_string(inner));
      push(Tok::kComment, e + 2);
    } else if ((c == 'N' || c == 'n') && next == '\'') {
      push(Tok::kNString, QuotedEnd(s, i + 1, '\'', "string literal"));
    } else if (c == '\'') {
      push(Tok::kString, QuotedEnd(s, i, '\'', "string literal"));
    } else if (c == '"') {
      push(Tok::kQuoted, QuotedEnd(s, i, '"', "quoted name"));
    } else if (c == '[') {
      push(Tok::kBracketed, QuotedEnd(s, i, ']', "bracketed name"));
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && std::isdigit(static_cast<unsigned char>(next)))) {
      std::size_t e = i;
      while (e < n && (std::isalnum(static_cast<unsigned char>(s[e])) || s[e] == '.')) {
        // an exponent sign belongs to the number when a digit follows (as the databases read it:
        // in "2e--" the "--" opens a comment)
        if ((s[e] == 'e' || s[e] == 'E') && e + 2 < n && (s[e + 1] == '+' || s[e + 1] == '-') &&
            std::isdigit(static_cast<unsigned char>(s[e + 2])))
          ++e;
        ++e;
      }
      push(Tok::kNumber, e);
    } else if (IsWordStart(c)) {
      std::size_t e = i;
      while (e < n && IsWordChar(s[e])) ++e;
      push(Tok::kWord, e);
    } else if (c == '?') {
      push(Tok::kParam, i + 1);
    } else if (c == '`' || c == '$') {
      // a quoted name in SQLite, a string ($x$...$x$) in PostgreSQL: either could take in a literal
      Fail(std::string("a ") + c + " outside a literal at offset " + std::to_string(i));
    } else {
      push(Tok::kPunct, i + 1);
    }
  }
  return out;
}

bool IsBlank(const Token& t) { return t.kind == Tok::kSpace || t.kind == Tok::kComment; }
bool IsPunct(const Token& t, char c) { return t.kind == Tok::kPunct && t.text[0] == c; }

// The name a word or bracketed token stands for ("" for other tokens).
std::string NameOf(const Token& t) {
  if (t.kind == Tok::kWord) return std::string(t.text);
  if (t.kind == Tok::kBracketed) return vb::Replace(t.text.substr(1, t.text.size() - 2), "]]", "]");
  return {};
}
bool IsName(const Token& t, std::string_view upper) {
  return (t.kind == Tok::kWord || t.kind == Tok::kBracketed) && vb::EqualsNoCase(NameOf(t), upper);
}

// Index of the first non-blank token at or after i (size() when none).
std::size_t Significant(const std::vector<Token>& t, std::size_t i) {
  while (i < t.size() && IsBlank(t[i])) ++i;
  return i;
}

// Cuts the text at its first top-level ";"; anything but blanks and further
// ";" after it is a second statement.
std::vector<Token> FirstStatement(std::vector<Token> tokens) {
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (!IsPunct(tokens[i], ';')) continue;
    for (std::size_t k = i + 1; k < tokens.size(); ++k) {
      if (IsBlank(tokens[k]) || IsPunct(tokens[k], ';')) continue;
      Fail("only one SQL statement can be run at a time: a second statement begins at offset " +
           std::to_string(tokens[k].offset));
    }
    tokens.resize(i);
    break;
  }
  return tokens;
}

void AppendTrimmed(std::vector<Token>& out, const std::vector<Token>& in, std::size_t from, std::size_t to) {
  while (from < to && IsBlank(in[from])) ++from;
  while (to > from && IsBlank(in[to - 1])) --to;
  out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(from),
             in.begin() + static_cast<std::ptrdiff_t>(to));
}

// "IF cond SELECT a ELSE SELECT b" as "SELECT CASE WHEN cond THEN a ELSE b END".
std::vector<Token> RewriteIf(const std::vector<Token>& t, std::size_t if_at) {
  const char* shape = "only IF (condition) SELECT value ELSE SELECT value is supported";
  std::size_t select1 = 0, else_at = 0;
  int depth = 0;
  for (std::size_t i = if_at + 1; i < t.size(); ++i) {
    if (IsPunct(t[i], '(')) ++depth;
    if (IsPunct(t[i], ')')) --depth;
    if (depth != 0) continue;
    if (!select1 && IsName(t[i], "SELECT")) {
      select1 = i;
    } else if (select1 && IsName(t[i], "ELSE")) {
      else_at = i;
      break;
    }
  }
  if (!select1 || !else_at) Fail(shape);
  const std::size_t select2 = Significant(t, else_at + 1);
  if (select2 >= t.size() || !IsName(t[select2], "SELECT")) Fail(shape);
  auto word = [](std::string_view w) { return Token{Tok::kWord, w, 0}; };
  const Token space{Tok::kSpace, " ", 0};
  std::vector<Token> out{word("SELECT"), space, word("CASE"), space, word("WHEN"), space};
  AppendTrimmed(out, t, if_at + 1, select1);
  out.insert(out.end(), {space, word("THEN"), space});
  AppendTrimmed(out, t, select1 + 1, else_at);
  out.insert(out.end(), {space, word("ELSE"), space});
  AppendTrimmed(out, t, select2 + 1, t.size());
  out.insert(out.end(), {space, word("END")});
  return out;
}

void TrimRight(std::string& s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
}

Translation TranslateTokens(std::vector<Token> t, Dialect dialect, bool ddl) {
  Translation out;
  const std::size_t first = Significant(t, 0);
  if (first < t.size() && IsName(t[first], "IF")) t = RewriteIf(t, first);

  struct Limit {
    int depth;
    std::string count;
  };
  std::vector<Limit> limits;
  int depth = 0;
  std::string prev;  // upper-cased previous significant word
  std::string& s = out.sql;
  bool in_line_comment = false;  // the text so far ends with a "--" comment (blanks aside)
  auto flush_limits = [&](int at_depth) {
    while (!limits.empty() && limits.back().depth >= at_depth) {
      TrimRight(s);
      if (in_line_comment) s += '\n';
      in_line_comment = false;
      s += " LIMIT " + limits.back().count;
      limits.pop_back();
    }
  };

  for (std::size_t i = 0; i < t.size(); ++i) {
    const Token& tok = t[i];
    // what ")" flushes follows the tokens before it
    const bool line_comment_before = in_line_comment;
    if (tok.kind == Tok::kComment) in_line_comment = tok.text.starts_with("--");
    else if (tok.kind != Tok::kSpace) in_line_comment = false;
    switch (tok.kind) {
      case Tok::kSpace:
      case Tok::kComment:
      case Tok::kNumber:
      case Tok::kQuoted:
        s += tok.text;
        break;
      case Tok::kString:
      case Tok::kNString:
        // A literal right after a name would become a prefixed one: e'..' (PostgreSQL's escape string),
        // x'..' (SQLite's blob); right after another literal ('a'N'b' without its N) it would join it.
        if (!s.empty() && (IsWordChar(s.back()) || s.back() == '\'')) s += ' ';
        s += tok.kind == Tok::kNString ? tok.text.substr(1) : tok.text;
        break;
      case Tok::kParam:
        ++out.parameters;
        s += dialect == Dialect::kPostgres ? "$" + std::to_string(out.parameters) : "?";
        break;
      case Tok::kPunct:
        if (tok.text[0] == '(') ++depth;
        if (tok.text[0] == ')') {
          in_line_comment = line_comment_before;
          flush_limits(depth);
          in_line_comment = false;
          --depth;
        }
        s += tok.text;
        break;
      case Tok::kWord:
      case Tok::kBracketed: {
        const std::string name = NameOf(tok);
        const std::string upper = vb::UCase(name);
        auto raw = [&](std::size_t k) -> const Token* { return k < t.size() ? &t[k] : nullptr; };
        auto punct_at = [&](std::size_t k, char c) { return raw(k) && IsPunct(*raw(k), c); };
        auto name_at = [&](std::size_t k) {
          return raw(k) && (raw(k)->kind == Tok::kWord || raw(k)->kind == Tok::kBracketed);
        };

        if (upper == "TOP" && (prev == "SELECT" || prev == "DISTINCT" || prev == "ALL")) {
          std::size_t k = Significant(t, i + 1);
          const bool paren = punct_at(k, '(');
          if (paren) k = Significant(t, k + 1);
          if (!raw(k) || raw(k)->kind != Tok::kNumber) Fail("TOP must be followed by a row count");
          limits.push_back({depth, std::string(raw(k)->text)});
          if (paren) {
            k = Significant(t, k + 1);
            if (!punct_at(k, ')')) Fail("TOP (n) lacks its closing parenthesis");
          }
          const std::size_t after = Significant(t, k + 1);
          if (after < t.size() && (IsName(t[after], "PERCENT") || IsName(t[after], "WITH")))
            Fail("TOP ... PERCENT and TOP ... WITH TIES are not supported");
          i = after - 1;  // drop TOP, its count and the blanks after it
          prev = "TOP";
          continue;
        }
        // db..table and db.dbo.table
        if (punct_at(i + 1, '.') && ((punct_at(i + 2, '.') && name_at(i + 3)) ||
                                     (name_at(i + 2) && IsName(t[i + 2], "DBO") && punct_at(i + 3, '.')))) {
          if (!IsPlainName(name)) Fail("not a database name: " + name);
          const std::string db = vb::LCase(name);
          bool known = false;
          for (const auto& d : out.databases) known = known || d == db;
          if (!known) out.databases.push_back(db);
          s += db + ".";
          i = punct_at(i + 2, '.') ? i + 2 : i + 3;
          prev = ".";
          continue;
        }
        if (upper == "DBO" && punct_at(i + 1, '.')) {
          // Dropping "dbo." must not join "-" "-" or "/" "*" into a comment.
          if (!s.empty() && (s.back() == '-' || s.back() == '/')) s += ' ';
          ++i;
          continue;
        }
        const std::size_t next = Significant(t, i + 1);
        if (upper == "ISNULL" && punct_at(next, '(')) {
          s += "coalesce";
        } else if (upper == "GETDATE" && punct_at(next, '(') && punct_at(Significant(t, next + 1), ')')) {
          s += dialect == Dialect::kPostgres ? "LOCALTIMESTAMP(0)" : "datetime('now','localtime')";
          i = Significant(t, next + 1);
        } else if (upper == "LIKE" && dialect == Dialect::kPostgres) {
          s += "ILIKE";
        } else if (ddl && upper == "BLOB" && dialect == Dialect::kPostgres) {
          s += "BYTEA";
        } else if (tok.kind == Tok::kBracketed && !IsPlainName(name)) {
          s += '"' + vb::Replace(name, "\"", "\"\"") + '"';
        } else {
          s += name;
          if (IsPlainName(name)) out.names.push_back(name);
        }
        prev = upper;
        continue;
      }
    }
    if (!IsBlank(tok)) prev = std::string(tok.text);
  }
  flush_limits(0);
  flush_limits(-1);
  return out;
}

}  // namespace

bool IsPlainName(std::string_view text) { return IsPlainSqlName(text); }

Translation Translate(std::string_view tsql, Dialect dialect) {
  return TranslateTokens(FirstStatement(Tokenize(tsql)), dialect, false);
}

std::vector<Translation> TranslateScript(std::string_view script, Dialect dialect) {
  const std::vector<Token> all = Tokenize(script);
  std::vector<Translation> out;
  std::vector<Token> current;
  auto finish = [&] {
    if (Significant(current, 0) < current.size()) out.push_back(TranslateTokens(current, dialect, true));
    current.clear();
  };
  for (const Token& t : all) {
    if (IsPunct(t, ';')) {
      finish();
    } else {
      current.push_back(t);
    }
  }
  finish();
  return out;
}

ColumnKind KindOfDeclaredType(std::string_view declared) {
  const std::string u = vb::UCase(declared);
  auto has = [&](std::string_view part) { return u.find(part) != std::string::npos; };
  if (u.empty()) return ColumnKind::kUnknown;
  if (has("BOOL") || u == "BIT") return ColumnKind::kBoolean;
  if (has("INT")) return ColumnKind::kInteger;
  if (has("CHAR") || has("TEXT") || has("CLOB") || has("STRING")) return ColumnKind::kText;
  if (has("BLOB") || has("BYTEA") || has("BINARY") || has("IMAGE")) return ColumnKind::kBlob;
  if (has("REAL") || has("FLOA") || has("DOUB") || has("NUMERIC") || has("DECIMAL") || has("MONEY"))
    return ColumnKind::kFloat;
  if (has("DATE") || has("TIME")) return ColumnKind::kDateTime;
  return ColumnKind::kUnknown;
}

std::string_view FieldTypeOf(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kInteger:
      return "int";
    case ColumnKind::kFloat:
      return "float";
    case ColumnKind::kText:
      return "string";
    case ColumnKind::kDateTime:
      return "dateTime";
    case ColumnKind::kBoolean:
      return "boolean";
    case ColumnKind::kBlob:
      return "bin.base64";
    case ColumnKind::kUnknown:
      break;
  }
  return "";
}

}  // namespace cavra::sql
