#include <gtest/gtest.h>

#include "core/scratch.h"
#include "platform/registry_store.h"

namespace cavra {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteFile;

TEST(RegistryStore, FileComesFromTheEnvironment) {
  struct Case {
    const char* name;
    const char* registry_file;
    const char* config_home;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"explicit file", "/srv/reg.ini", "/cfg", "/home/u", "/srv/reg.ini"},
      {"config home", "", "/cfg", "/home/u", "/cfg/cavra/registry.ini"},
      {"home", nullptr, nullptr, "/home/u", "/home/u/.config/cavra/registry.ini"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedEnv file("CAVRA_REGISTRY_FILE", c.registry_file);
    ScopedEnv config("XDG_CONFIG_HOME", c.config_home);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(registry::StoreFile(), c.expected);
  }
}

TEST(RegistryStore, ValuesRoundTripUnderTheirKeys) {
  ScratchDir dir;
  ScopedEnv file("CAVRA_REGISTRY_FILE", dir / "sub/registry.ini");
  const std::string portal = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\Portal";
  const std::string install = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\Install\\CurrentInstPath";

  EXPECT_EQ(registry::ReadValue(portal, "NoShowPrinterDlg"), std::nullopt);
  ASSERT_TRUE(registry::WriteValue(portal, "NoShowPrinterDlg", " 1 "));
  ASSERT_TRUE(registry::WriteValue(install, "", "/opt/安装"));
  ASSERT_TRUE(registry::WriteValue(portal, "Quoted", "\"a\""));

  struct Case {
    std::string key;
    const char* name;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {portal, "NoShowPrinterDlg", " 1 "},  // blanks survive
      {"software\\TOLMSOFT\\wf\\v8.700\\portal\\", "noshowprinterdlg", " 1 "},
      {portal, "Quoted", "\"a\""},
      {install, "", "/opt/安装"},
      {portal, "", std::nullopt},             // no default value set
      {portal + "\\Child", "NoShowPrinterDlg", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key + "|" + c.name);
    EXPECT_EQ(registry::ReadValue(c.key, c.name), c.expected);
  }
  EXPECT_NE(ReadFile(dir / "sub/registry.ini").find("[" + install + "]\n@=\"/opt/安装\"\n"), std::string::npos);
}

TEST(RegistryStore, HandWrittenValuesAndUnstorableTexts) {
  ScratchDir dir;
  ScopedEnv file("CAVRA_REGISTRY_FILE", dir / "registry.ini");
  WriteFile(dir / "registry.ini", "[SOFTWARE\\App]\n@=C:\\plain\nName = unquoted \n");
  EXPECT_EQ(registry::ReadValue("SOFTWARE\\App", ""), "C:\\plain");
  EXPECT_EQ(registry::ReadValue("SOFTWARE\\App", "name"), "unquoted");

  EXPECT_FALSE(registry::WriteValue("SOFTWARE\\App", "@", "x"));
  EXPECT_FALSE(registry::WriteValue("SOFTWARE\\App", "Name", "two\r\nlines"));
  EXPECT_FALSE(registry::WriteValue("SOFTWARE\\A]pp", "Name", "x"));
  EXPECT_EQ(registry::ReadValue("SOFTWARE\\App", "name"), "unquoted");
}

}  // namespace
}  // namespace cavra
