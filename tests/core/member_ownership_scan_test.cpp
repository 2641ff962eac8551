// Holds the sources to two rules about state inside the library:
// - private members are named snake_case_; an m_ name appears in src/ only
//   where it is a member hosts see (declared in include/cavra/);
// - no folder of src/ reaches a data member another folder declares: a
//   ".name_" or "->name_" in a file is allowed only when a header of the
//   file's own folder declares name_.
//
// What it cannot see: public members not named with the trailing
// underscore (plain structs such as value records), and access through a
// pointer-to-member. Comments and string literals (log texts) are skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fakes/scratch.h"

namespace {

namespace fs = std::filesystem;
using cavra::testing::ReadFile;

struct SourceFile {
  std::string folder;  // first folder below src/
  std::string path;
  std::string text;
  bool header = false;
};

// The text with comments, string and character literals blanked (line
// breaks kept, so that line numbers stay right).
std::string CodeOnly(const std::string& s) {
  std::string out = s;
  const std::size_t n = s.size();
  auto blank = [&](std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to && k < n; ++k)
      if (out[k] != '\n') out[k] = ' ';
  };
  for (std::size_t i = 0; i < n;) {
    const char c = s[i], next = i + 1 < n ? s[i + 1] : '\0';
    std::size_t end = i + 1;
    if (c == '/' && next == '/') {
      end = s.find('\n', i);
      if (end == std::string::npos) end = n;
    } else if (c == '/' && next == '*') {
      end = s.find("*/", i + 2);
      end = end == std::string::npos ? n : end + 2;
    } else if (c == '"' && i > 0 && s[i - 1] == 'R') {
      const std::size_t paren = s.find('(', i);
      const std::string close = ")" + s.substr(i + 1, paren - i - 1) + "\"";
      end = s.find(close, paren);
      end = end == std::string::npos ? n : end + close.size();
    } else if (c == '"' || (c == '\'' && !(i > 0 && std::isxdigit(static_cast<unsigned char>(s[i - 1]))))) {
      end = i + 1;
      while (end < n && s[end] != c) end += s[end] == '\\' ? 2 : 1;
      ++end;
    } else {
      ++i;
      continue;
    }
    blank(i, end);
    i = end;
  }
  return out;
}

int LineOf(const std::string& text, std::size_t pos) {
  const auto end = text.begin() + static_cast<std::ptrdiff_t>(pos);
  return 1 + static_cast<int>(std::count(text.begin(), end, '\n'));
}

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

struct Word {
  std::string text;
  std::size_t pos;
  bool member_access;  // after "." or "->"
  char next;           // the first character after it that is not a space
};

// The identifiers of code (no std::regex: GCC warns inside it under the
// sanitizers).
std::vector<Word> Words(const std::string& code) {
  std::vector<Word> out;
  const std::size_t n = code.size();
  for (std::size_t i = 0; i < n;) {
    if (!IsWordChar(code[i])) {
      ++i;
      continue;
    }
    std::size_t e = i;
    while (e < n && IsWordChar(code[e])) ++e;
    if (!std::isdigit(static_cast<unsigned char>(code[i]))) {
      std::size_t b = i;
      while (b > 0 && std::isspace(static_cast<unsigned char>(code[b - 1]))) --b;
      const bool arrow = b > 1 && code[b - 1] == '>' && code[b - 2] == '-';
      const bool access = b > 0 && (code[b - 1] == '.' || arrow);
      std::size_t f = e;
      while (f < n && std::isspace(static_cast<unsigned char>(code[f]))) ++f;
      out.push_back({code.substr(i, e - i), i, access, f < n ? code[f] : '\0'});
    }
    i = e;
  }
  return out;
}

bool IsMName(const std::string& w) {
  return w.size() > 2 && w[0] == 'm' && w[1] == '_' && std::isalpha(static_cast<unsigned char>(w[2]));
}
bool IsPrivateStyle(const std::string& w) {
  return w.size() > 1 && w.back() == '_' && std::islower(static_cast<unsigned char>(w[0]));
}

// "path:line: what" for each break of the two rules. hostNames: the m_ names
// the public headers declare.
std::vector<std::string> Scan(const std::vector<SourceFile>& files, const std::set<std::string>& hostNames) {
  std::vector<std::string> found;
  std::map<std::string, std::set<std::string>> declared_in;  // name_ -> folders
  std::vector<std::string> code;
  for (const SourceFile& f : files) {
    code.push_back(CodeOnly(f.text));
    if (!f.header) continue;
    for (const Word& w : Words(code.back()))
      if (IsPrivateStyle(w.text) && !w.member_access && (w.next == '=' || w.next == ';' || w.next == '{'))
        declared_in[w.text].insert(f.folder);
  }
  for (std::size_t k = 0; k < files.size(); ++k) {
    const SourceFile& f = files[k];
    for (const Word& w : Words(code[k])) {
      const std::string where = f.path + ":" + std::to_string(LineOf(code[k], w.pos)) + ": ";
      if (IsMName(w.text) && !hostNames.count(w.text)) found.push_back(where + w.text);
      if (!w.member_access || !IsPrivateStyle(w.text)) continue;
      const auto it = declared_in.find(w.text);
      if (it != declared_in.end() && !it->second.count(f.folder)) found.push_back(where + "." + w.text);
    }
  }
  return found;
}

TEST(MemberOwnershipScan, CatchesForeignMembersAndStrayMNames) {
  const std::vector<SourceFile> files = {
      {"template", "template/model.h", "class M {\n int Count() const;\n private:\n int count_ = 0;\n};",
       true},
      {"template", "template/model.cpp", "int M::Count() const { return other.count_; }", false},
      {"data", "data/a.cpp", "int f(M& model_) {\n  return model_.count_;\n}", false},
      {"data", "data/b.cpp", "int g(M& m) {\n  return m->count_ + m.Count();\n}", false},
      {"data", "data/c.cpp", "bool m_bFlag = true;  // m_inComment\nstd::string s = \"m_inText\";", false},
      {"service", "service/d.cpp", "bool S::m_HostMember() const { return x.m_HostMember(); }", false},
  };
  const std::vector<std::string> found = Scan(files, {"m_HostMember"});
  EXPECT_EQ(found, (std::vector<std::string>{"data/a.cpp:2: .count_", "data/b.cpp:2: .count_",
                                             "data/c.cpp:1: m_bFlag"}));
}

TEST(MemberOwnershipScan, NoFolderReachesAnothersMembers) {
  const fs::path root = CAVRA_SOURCE_DIR;
  std::set<std::string> host_names;
  for (const auto& entry : fs::recursive_directory_iterator(root / "include" / "cavra")) {
    if (entry.path().extension() != ".h") continue;
    for (const Word& w : Words(CodeOnly(ReadFile(entry.path()))))
      if (IsMName(w.text)) host_names.insert(w.text);
  }
  std::vector<SourceFile> files;
  for (const auto& entry : fs::recursive_directory_iterator(root / "src")) {
    const fs::path& p = entry.path();
    if (p.extension() != ".h" && p.extension() != ".cpp") continue;
    const fs::path rel = fs::relative(p, root / "src");
    files.push_back({rel.begin()->string(), rel.generic_string(), ReadFile(p), p.extension() == ".h"});
  }
  ASSERT_GT(files.size(), 50u) << "the sources were not found under " << root;
  ASSERT_FALSE(host_names.empty());
  std::string report;
  for (const std::string& line : Scan(files, host_names)) report += line + "\n";
  EXPECT_EQ(report, "");
}

}  // namespace
