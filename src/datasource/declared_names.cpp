#include "datasource/declared_names.h"

#include "platform/vbstring.h"

namespace cavra::datasource {
namespace {

struct Token {
  std::string text;  // a quoted name or a literal without its quotes
  bool name = false;
  bool quoted = false;
  bool literal = false;
};

bool NameStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool NamePart(char c) { return NameStart(c) || (c >= '0' && c <= '9') || c == '$'; }

// Names, literals and punctuation of one statement; comments dropped.
std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++i;
    } else if (sql.substr(i, 2) == "--") {
      i = sql.find('\n', i);
    } else if (sql.substr(i, 2) == "/*") {
      const std::size_t end = sql.find("*/", i + 2);
      i = end == std::string_view::npos ? end : end + 2;
    } else if (c == '\'' || c == '"') {
      Token t{"", c == '"', c == '"', c == '\''};
      for (++i; i < sql.size(); ++i) {
        if (sql[i] == c && i + 1 < sql.size() && sql[i + 1] == c) {
          t.text += c;
          ++i;
        } else if (sql[i] == c) {
          ++i;
          break;
        } else {
          t.text += sql[i];
        }
      }
      out.push_back(std::move(t));
    } else if (NameStart(c)) {
      const std::size_t start = i;
      while (i < sql.size() && NamePart(sql[i])) ++i;
      out.push_back({std::string(sql.substr(start, i - start)), true, false, false});
    } else {
      out.push_back({std::string(1, c), false, false, false});
      ++i;
    }
  }
  return out;
}

}  // namespace

std::string FoldedName(std::string_view name) {
  std::string s(name);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::optional<DeclaredNames> ParseDeclaredNames(std::string_view sql) {
  const std::vector<Token> t = Tokenize(sql);
  std::size_t i = 0;
  auto is = [&](std::size_t at, std::string_view word) {
    return at < t.size() && t[at].name && !t[at].quoted && vb::EqualsNoCase(t[at].text, word);
  };
  auto is_text = [&](std::size_t at, std::string_view text) {
    return at < t.size() && !t[at].name && !t[at].literal && t[at].text == text;
  };
  DeclaredNames out;
  if (is(i, "CREATE")) {
    out.create = true;
    ++i;
    if (is(i, "GLOBAL") || is(i, "LOCAL")) ++i;
    if (is(i, "TEMP") || is(i, "TEMPORARY") || is(i, "UNLOGGED")) ++i;
  } else if (!is(i, "ALTER")) {
    return std::nullopt;
  } else {
    ++i;
  }
  if (!is(i, "TABLE")) return std::nullopt;
  ++i;
  if (is(i, "IF") && (is(i + 1, "NOT") ? is(i + 2, "EXISTS") : is(i + 1, "EXISTS")))
    i += is(i + 1, "NOT") ? 3 : 2;
  if (!out.create && is(i, "ONLY")) ++i;
  while (i < t.size() && t[i].name) {
    out.table += t[i].quoted ? "\"" + vb::Replace(t[i].text, "\"", "\"\"") + "\"" : t[i].text;
    if (!is_text(i + 1, ".")) break;
    out.table += ".";
    i += 2;
  }
  if (out.table.empty()) return std::nullopt;
  ++i;
  // Elements of a table: a column unless it starts with a constraint's keyword.
  auto is_constraint = [&](std::size_t at) {
    return is(at, "CONSTRAINT") || is(at, "PRIMARY") || is(at, "UNIQUE") || is(at, "CHECK") ||
           is(at, "FOREIGN") || is(at, "EXCLUDE") || is(at, "LIKE");
  };
  auto add = [&](std::size_t at) {
    if (at < t.size() && t[at].name && !t[at].quoted && !is_constraint(at)) out.columns.push_back(t[at].text);
  };
  if (out.create) {
    if (!is_text(i, "(")) return out;  // CREATE TABLE ... AS, OF, PARTITION OF: nothing declared
    int depth = 0;
    bool element_start = true;
    for (; i < t.size(); ++i) {
      if (is_text(i, "(")) {
        ++depth;
        if (depth == 1) element_start = true;
        if (depth == 1) continue;
      } else if (is_text(i, ")")) {
        if (--depth == 0) break;
      } else if (depth == 1 && is_text(i, ",")) {
        element_start = true;
        continue;
      }
      if (depth == 1 && element_start) add(i);
      element_start = false;
    }
    return out;
  }
  int depth = 0;
  bool action_start = true;
  for (; i < t.size(); ++i) {
    if (is_text(i, "(")) ++depth;
    if (is_text(i, ")")) --depth;
    if (depth == 0 && is_text(i, ",")) {
      action_start = true;
      continue;
    }
    if (depth != 0 || !action_start) continue;
    action_start = false;
    if (is(i, "ADD")) {
      ++i;
      if (is(i, "COLUMN")) ++i;
      if (is(i, "IF") && is(i + 1, "NOT") && is(i + 2, "EXISTS")) i += 3;
      add(i);
    } else if (is(i, "RENAME")) {
      ++i;
      if (is(i, "CONSTRAINT") || is(i, "TO")) continue;
      if (is(i, "COLUMN")) ++i;
      if (is(i + 1, "TO")) add(i + 2);
    }
  }
  return out;
}

}  // namespace cavra::datasource
