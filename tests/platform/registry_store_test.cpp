#include <gtest/gtest.h>

#include "fakes/scratch.h"
#include "platform/registry_store.h"

namespace cavra {
namespace {

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
