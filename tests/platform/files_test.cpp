#include <gtest/gtest.h>

#include <sys/stat.h>

#include "fakes/scratch.h"
#include "platform/ini.h"
#include "platform/registry_store.h"

namespace cavra {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

TEST(Ini, ReadsLikeAPrivateProfile) {
  const auto doc = ini::IniDocument::Parse(
      "\xEF\xBB\xBForphan=no section\r\n; c=comment\r\n[Print]\r\n  Copies =  2  \r\nTitle=\"  q  \"\r\n"
      "Odd=\"x'\r\ncopies=second\r\nUrl=h?a=b\r\n[ Other ]\r\nCopies=9");
  const std::tuple<const char*, const char*, std::optional<std::string>> cases[] = {
      {"print", "COPIES", "2"},  // no case, trimmed, the first one wins
      {"Print", "Title", "  q  "}, {"Print", "Odd", "\"x'"}, {"Print", "Url", "h?a=b"},
      {"Other", "Copies", "9"},
      {"Print", "orphan", std::nullopt}, {"Print", "; c", std::nullopt}, {"None", "Copies", std::nullopt}};
  for (const auto& [section, key, expected] : cases) EXPECT_EQ(doc.Get(section, key), expected) << key;
}

TEST(Ini, WriteChangesOnlyTheLineItNeeds) {
  const std::string original = "; settings\r\n[A]\r\none=1\r\ntwo = 2 ; kept\r\n\r\n[B]\r\nx=y";
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"a", "ONE", "; settings\r\n[A]\r\nONE=v\r\ntwo = 2 ; kept\r\n\r\n[B]\r\nx=y"},
      {"A", "new", "; settings\r\n[A]\r\none=1\r\ntwo = 2 ; kept\r\nnew=v\r\n\r\n[B]\r\nx=y"},
      {"B", "z", "; settings\r\n[A]\r\none=1\r\ntwo = 2 ; kept\r\n\r\n[B]\r\nx=y\r\nz=v\r\n"},
      {"C", "k", "; settings\r\n[A]\r\none=1\r\ntwo = 2 ; kept\r\n\r\n[B]\r\nx=y\r\n[C]\r\nk=v\r\n"}};
  for (const auto& [section, key, expected] : cases) {
    auto doc = ini::IniDocument::Parse(original);
    ASSERT_TRUE(doc.Set(section, key, "v"));
    EXPECT_EQ(doc.Text(), expected) << section << "/" << key;
  }
  for (const auto& [section, key, value] : {std::tuple{" ", "k", "v"}, {"S", "", "v"}, {"a]b", "k", "v"},
                                            {"S", "a=b", "v"}, {"S", ";k", "v"}, {"S", "k", "a\nb"}}) {
    auto doc = ini::IniDocument::Parse("[S]\nk=old\n");
    EXPECT_FALSE(doc.Set(section, key, value)) << section << "/" << key;
    EXPECT_EQ(doc.Text(), "[S]\nk=old\n");
  }
}

TEST(Ini, FilesAreCreatedWithTheirFolderAndReplacedWhole) {
  ScratchDir dir;
  const auto file = dir / "deep/er/app.ini";
  EXPECT_EQ(ini::ReadString(file, "S", "k", "fallback"), "fallback");
  ASSERT_TRUE(ini::WriteString(file, "S", "k", "值"));
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(ini::WriteString(file, "s", "K2", "v"));
  EXPECT_EQ(ReadFile(file), "[S]\nk=值\nK2=v\n");
  struct stat st{};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);  // the replacement keeps the mode
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);

  // The longest name a folder takes leaves no room for the temporary file:
  // the write fails before anything is replaced.
  const auto longest = dir / (std::string(251, 'n') + ".ini");
  WriteFile(longest, "[S]\nk=old\n");
  EXPECT_FALSE(ini::WriteString(longest, "S", "k", "new"));
  EXPECT_EQ(ReadFile(longest), "[S]\nk=old\n");
}

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteFile;

TEST(RegistryStore, FileComesFromTheEnvironment) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"/srv/reg.ini", "/cfg", "/srv/reg.ini"},
      {"", "/cfg", "/cfg/cavra/registry.ini"},
      {nullptr, nullptr, "/home/u/.config/cavra/registry.ini"}};
  ScopedEnv home("HOME", "/home/u");
  for (const auto& [file, config, expected] : cases) {
    ScopedEnv f("CAVRA_REGISTRY_FILE", file);
    ScopedEnv c("XDG_CONFIG_HOME", config);
    EXPECT_EQ(registry::StoreFile(), expected);
  }
}

TEST(RegistryStore, ValuesRoundTripUnderTheirKeys) {
  ScratchDir dir;
  ScopedEnv file("CAVRA_REGISTRY_FILE", dir / "sub/registry.ini");
  const std::string portal = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\Portal";
  ASSERT_TRUE(registry::WriteValue(portal, "NoShowPrinterDlg", " 1 "));
  ASSERT_TRUE(registry::WriteValue(portal, "", "\"q\""));
  EXPECT_EQ(registry::ReadValue("software\\TOLMSOFT\\wf\\v8.700\\portal\\", "noshowprinterdlg"), " 1 ");
  EXPECT_EQ(registry::ReadValue(portal, ""), "\"q\"");
  EXPECT_EQ(registry::ReadValue(portal, "Missing"), std::nullopt);
  EXPECT_EQ(registry::ReadValue(portal + "\\Child", "NoShowPrinterDlg"), std::nullopt);
  EXPECT_EQ(ReadFile(dir / "sub/registry.ini"), "[" + portal + "]\nNoShowPrinterDlg=\" 1 \"\n@=\"\"q\"\"\n");

  WriteFile(dir / "sub/registry.ini", "[SOFTWARE\\App]\n@=C:\\plain\nName = unquoted \n");  // by hand
  EXPECT_EQ(registry::ReadValue("SOFTWARE\\App", ""), "C:\\plain");
  EXPECT_EQ(registry::ReadValue("SOFTWARE\\App", "name"), "unquoted");
  EXPECT_FALSE(registry::WriteValue("SOFTWARE\\App", "@", "x"));
  EXPECT_FALSE(registry::WriteValue("SOFTWARE\\App", "Name", "two\r\nlines"));
}

}  // namespace
}  // namespace cavra
