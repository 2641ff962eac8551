#include <sys/stat.h>

#include <gtest/gtest.h>

#include "core/scratch.h"
#include "platform/ini.h"

namespace cavra {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

TEST(Ini, ReadsLikeAPrivateProfile) {
  const std::string text =
      "\xEF\xBB\xBF"
      "orphan=before any section\r\n"
      "; comment=not a key\r\n"
      "[Print]\r\n"
      "  Copies =  2  \r\n"
      "Title=\"  quoted  \"\r\n"
      "Single='x'\r\n"
      "Mismatched=\"x'\r\n"
      "copies=second\r\n"
      "Empty=\r\n"
      "Url=http://h/?a=b\r\n"
      "[ Other ]\r\n"
      "Copies=9";
  const auto doc = ini::IniDocument::Parse(text);
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"print", "COPIES", "2"},           // case-insensitive, trimmed, first one wins
      {"Print", "Title", "  quoted  "},   // quotes removed, inner blanks kept
      {"Print", "Single", "x"},
      {"Print", "Mismatched", "\"x'"},
      {"Print", "Empty", ""},
      {"Print", "Url", "http://h/?a=b"},  // split at the first "="
      {"Other", "Copies", "9"},           // blanks inside the brackets, last line without a break
      {"Print", "orphan", std::nullopt},
      {"Print", "; comment", std::nullopt},
      {"Print", "Missing", std::nullopt},
      {"Nowhere", "Copies", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(doc.Get(c.section, c.key), c.expected);
  }
}

TEST(Ini, WriteChangesOnlyTheLineItNeeds) {
  const std::string original =
      "; settings\r\n"
      "[A]\r\n"
      "one=1\r\n"
      "two = 2 ; kept as written\r\n"
      "\r\n"
      "[B]\r\n"
      "x=y";
  struct Case {
    const char* name;
    const char* section;
    const char* key;
    const char* value;
    const char* expected;
  };
  const Case cases[] = {
      {"replace", "a", "ONE", "uno",
       "; settings\r\n[A]\r\nONE=uno\r\ntwo = 2 ; kept as written\r\n\r\n[B]\r\nx=y"},
      {"add to a section before its blank line", "A", "three", "3",
       "; settings\r\n[A]\r\none=1\r\ntwo = 2 ; kept as written\r\nthree=3\r\n\r\n[B]\r\nx=y"},
      {"add to the last section without a final break", "B", "z", "",
       "; settings\r\n[A]\r\none=1\r\ntwo = 2 ; kept as written\r\n\r\n[B]\r\nx=y\r\nz=\r\n"},
      {"new section", "C", "k", "v",
       "; settings\r\n[A]\r\none=1\r\ntwo = 2 ; kept as written\r\n\r\n[B]\r\nx=y\r\n[C]\r\nk=v\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto doc = ini::IniDocument::Parse(original);
    ASSERT_TRUE(doc.Set(c.section, c.key, c.value));
    EXPECT_EQ(doc.Text(), c.expected);
  }
}

TEST(Ini, RefusesTextThatWouldBreakTheFile) {
  struct Case {
    const char* name;
    const char* section;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"empty section", " ", "k", "v"},    {"empty key", "S", "", "v"},
      {"bracket in section", "a]b", "k", "v"}, {"equals in key", "S", "a=b", "v"},
      {"key like a section", "S", "[k", "v"},  {"key like a comment", "S", ";k", "v"},
      {"LF in value", "S", "k", "a\nb"},       {"CR in value", "S", "k", "a\rb"},
      {"LF in key", "S", "k\n", "v"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto doc = ini::IniDocument::Parse("[S]\nk=old\n");
    EXPECT_FALSE(doc.Set(c.section, c.key, c.value));
    EXPECT_EQ(doc.Text(), "[S]\nk=old\n");
  }
}

TEST(Ini, FilesAreCreatedWithTheirFolderAndReplacedWhole) {
  ScratchDir dir;
  const auto file = dir / "deep/er/app.ini";
  EXPECT_EQ(ini::ReadString(file, "S", "k", "fallback"), "fallback");
  ASSERT_TRUE(ini::WriteString(file, "S", "k", "值"));
  EXPECT_EQ(ReadFile(file), "[S]\nk=值\n");
  EXPECT_EQ(ini::ReadString(file, "s", "K", "fallback"), "值");

  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(ini::WriteString(file, "S", "k2", "v"));
  struct stat st{};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // Nothing but the file itself is left in the folder.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(file.parent_path())) ++entries;
  EXPECT_EQ(entries, 1);

  EXPECT_FALSE(ini::WriteString(file, "S", "k", "two\nlines"));
  EXPECT_EQ(ini::ReadString(file, "S", "k"), "值");
}

TEST(Ini, AFailedWriteLeavesTheOldFile) {
  ScratchDir dir;
  // The longest name a folder takes: there is no room for the temporary
  // file's suffix, so the write fails before anything is replaced.
  const auto file = dir / (std::string(255 - 4, 'n') + ".ini");
  WriteFile(file, "[S]\nk=old\n");
  EXPECT_FALSE(ini::WriteString(file, "S", "k", "new"));
  EXPECT_EQ(ReadFile(file), "[S]\nk=old\n");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace cavra
