// Holds the sources to one rule: a value reaches SQL text only through the
// builder (cavra/sql_text.h) or as a bound parameter.
//
// What the scan catches: within one expression, a string literal that leaves
// an SQL single-quoted literal open (an odd number of "'" so far in the
// expression's literals), followed by "+" and an operand that is not a string
// literal, when the expression's literals hold an SQL keyword (select,
// insert, update, delete, where, from, values, order by, ...) or an N'...'
// literal. That is the shape of "... cardnumber='" + value + "'", of
// "in ('" + list + "')" and of "N'" + value + "'".
//
// What it cannot see: text built with "+=" whose keyword is in an earlier
// statement, values put into double-quoted or bracketed names, SQL built with
// streams or format functions, and concatenation through a helper variable
// holding the quote. Names are kept honest by SqlName at the places that
// take them from data, not by this scan.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fakes/scratch.h"

namespace {

namespace fs = std::filesystem;
using cavra::testing::ReadFile;

enum class Kind { kString, kPlus, kOpen, kClose, kEnd, kOther };

struct Token {
  Kind kind;
  std::string text;  // a string literal's content
  int line;
};

std::vector<Token> Lex(const std::string& s) {
  std::vector<Token> out;
  int line = 1;
  std::size_t i = 0;
  const std::size_t n = s.size();
  auto count_lines = [&](std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to && k < n; ++k) line += s[k] == '\n';
  };
  while (i < n) {
    const char c = s[i];
    const char next = i + 1 < n ? s[i + 1] : '\0';
    if (c == '/' && next == '/') {
      while (i < n && s[i] != '\n') ++i;
    } else if (c == '/' && next == '*') {
      const std::size_t e = s.find("*/", i + 2);
      const std::size_t end = e == std::string::npos ? n : e + 2;
      count_lines(i, end);
      i = end;
    } else if (c == '"') {
      // A raw string: the word before the quote ends in R.
      const bool raw = !out.empty() && out.back().kind == Kind::kOther && !out.back().text.empty() &&
                       out.back().text.back() == 'R' && i > 0 && s[i - 1] == 'R';
      std::string text;
      std::size_t k = i + 1;
      if (raw) {
        const std::size_t paren = s.find('(', k);
        const std::string close = ")" + s.substr(k, paren - k) + "\"";
        const std::size_t e = s.find(close, paren);
        text = s.substr(paren + 1, e - paren - 1);
        k = e + close.size();
      } else {
        while (k < n && s[k] != '"') {
          if (s[k] == '\\' && k + 1 < n) ++k;
          text.push_back(s[k]);
          ++k;
        }
        ++k;
      }
      out.push_back({Kind::kString, text, line});
      count_lines(i, k);
      i = k;
    } else if (c == '\'') {  // a character literal
      std::size_t k = i + 1;
      while (k < n && s[k] != '\'') k += s[k] == '\\' ? 2 : 1;
      out.push_back({Kind::kOther, "'", line});
      i = k + 1;
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
      std::size_t k = i;
      // digits may hold separators (1'000)
      while (k < n && (std::isalnum(static_cast<unsigned char>(s[k])) || s[k] == '_' ||
                       (s[k] == '\'' && std::isdigit(static_cast<unsigned char>(c)))))
        ++k;
      out.push_back({Kind::kOther, s.substr(i, k - i), line});
      i = k;
    } else if (c == '+' && next != '+' && next != '=') {
      out.push_back({Kind::kPlus, "+", line});
      ++i;
    } else if (c == '(' || c == '[' || c == '{') {
      out.push_back({Kind::kOpen, std::string(1, c), line});
      ++i;
    } else if (c == ')' || c == ']' || c == '}') {
      out.push_back({Kind::kClose, std::string(1, c), line});
      ++i;
    } else if (c == ';' || c == ',') {
      out.push_back({Kind::kEnd, std::string(1, c), line});
      ++i;
    } else {
      if (c == '\n') ++line;
      if (!std::isspace(static_cast<unsigned char>(c)))
        out.push_back({Kind::kOther, std::string(1, c), line});
      ++i;
    }
  }
  return out;
}

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Whether a literal's text holds an SQL keyword or an N'...' literal (only
// SQL writes those).
bool LooksLikeSql(const std::string& text) {
  static const std::set<std::string> kKeywords = {"select", "insert", "update", "delete", "where", "from",
                                                  "values", "having", "join",   "exec"};
  std::vector<std::string> words;
  for (std::size_t i = 0; i < text.size();) {
    if (!IsWordChar(text[i])) {
      ++i;
      continue;
    }
    std::size_t e = i;
    while (e < text.size() && IsWordChar(text[e])) ++e;
    std::string word = text.substr(i, e - i);
    if (word == "N" && e < text.size() && text[e] == '\'') return true;
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    words.push_back(word);
    i = e;
  }
  for (std::size_t k = 0; k < words.size(); ++k) {
    if (kKeywords.count(words[k])) return true;
    const bool by_follows = k + 1 < words.size() && words[k + 1] == "by";
    if ((words[k] == "order" || words[k] == "group") && by_follows) return true;
  }
  return false;
}

// Lines where a value is concatenated into an open SQL literal.
std::vector<int> Scan(const std::string& source) {
  struct Chain {
    bool open = false, keyword = false;
    std::vector<int> lines;
  };
  const std::vector<Token> t = Lex(source);
  std::vector<int> found;
  std::vector<Chain> chains(1);  // one per nesting depth
  auto finish = [&](Chain& chain) {
    if (chain.keyword) found.insert(found.end(), chain.lines.begin(), chain.lines.end());
    chain = Chain();
  };
  for (std::size_t i = 0; i < t.size(); ++i) {
    Chain& chain = chains.back();
    switch (t[i].kind) {
      case Kind::kString:
        for (char c : t[i].text) chain.open ^= c == '\'';
        chain.keyword = chain.keyword || LooksLikeSql(t[i].text);
        if (chain.open && i + 2 < t.size() && t[i + 1].kind == Kind::kPlus && t[i + 2].kind != Kind::kString)
          chain.lines.push_back(t[i].line);
        break;
      case Kind::kOpen:
        chains.emplace_back();
        break;
      case Kind::kClose:
        finish(chains.back());
        if (chains.size() > 1) chains.pop_back();
        break;
      case Kind::kEnd:
        finish(chain);
        break;
      default:
        break;
    }
  }
  for (Chain& chain : chains) finish(chain);
  return found;
}

TEST(SqlConcatenationScan, CatchesAValueConcatenatedIntoALiteral) {
  struct Case {
    const char* name;
    const char* code;
    std::size_t findings;
  };
  static const Case kCases[] = {
      {"the body key query as it was",
       "rs = ds.GetRsBySql(\n"
       "  \"select vchBodyPKName from vouchers_base where cardnumber='\" + bill_no + \"'\", e);",
       1},
      {"two values", "q = \"select a from t where x='\" + a + \"' and y = N'\" + f(b, c) + \"'\";", 2},
      {"a national literal alone", "return \"N'\" + Replace(text, \"'\", \"''\") + \"'\";", 1},
      {"an in list", "q = \"select a from t where x in ('\" + list + \"')\";", 1},
      {"keyword after the value", "q = \"x = '\" + v + \"' order by a\";", 1},
      {"inside a call", "Run(Make(\"delete from t where a='\" + v + \"'\"));", 1},
      {"through the builder", "q = \"select a from t where x=\" + SqlLiteral(v) + \" and y = 1\";", 0},
      {"a quoted constant", "q = \"select a from t where x = 'AA' and y=\" + SqlNLiteral(v);", 0},
      {"a parameter", "q = \"select a from t where x = ?\";", 0},
      {"a name", "q = \"select * from \" + SqlName(t) + \" where id=?\";", 0},
      {"an XPath", "n = Select(\"//z:row[@\" + key + \"='\" + v + \"']\");", 0},
      {"a message", "throw E(\"unknown column '\" + name + \"'\");", 0},
      {"a comment", "// \"select a from t where x='\" + v + \"'\"\nint a = 1;", 0},
      {"a raw string", "q = R\"(select a from t where x=')\" + v;", 1},
      {"a character quote", "s.push_back('\\''); q = \"select a from t where x=\" + SqlLiteral(v);", 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Scan(c.code).size(), c.findings);
  }
  EXPECT_EQ(Scan(kCases[0].code), std::vector<int>{2});  // the line of the literal
}

TEST(SqlConcatenationScan, NoSourceButTheBuilderConcatenatesAValueIntoSql) {
  const fs::path root = CAVRA_SOURCE_DIR;
  const fs::path builder = root / "src" / "core" / "sql_text.cpp";
  int files = 0;
  for (const char* folder : {"src", "tools"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const fs::path& p = entry.path();
      if (!entry.is_regular_file() || (p.extension() != ".cpp" && p.extension() != ".h")) continue;
      if (fs::equivalent(p, builder)) continue;
      ++files;
      for (int line : Scan(ReadFile(p))) ADD_FAILURE() << fs::relative(p, root).string() << ":" << line;
    }
  }
  EXPECT_GT(files, 50);  // the folders were found
}

}  // namespace
