#include <gtest/gtest.h>

#include "cavra/ini_file.h"
#include "core/scratch.h"

namespace cavra {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteFile;

constexpr char kInstallKey[] = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\Install\\CurrentInstPath";

class IniFile : public ::testing::Test {
 protected:
  ScratchDir dir_;
  ScopedEnv registry_{"CAVRA_REGISTRY_FILE", dir_ / "registry.ini"};
  ScopedEnv component_{"CAVRA_COMPONENT_DIR", dir_ / "component"};
};

TEST_F(IniFile, PathIsTheInstallFolderElseTheComponentFolder) {
  EXPECT_EQ(classIniFile().IniPath(), (dir_ / "component/Cache/customerinfo.ini").string());
  classIniFile().RegWrite(kInstallKey, "", (dir_ / "install").string());
  EXPECT_EQ(classIniFile().IniPath(), (dir_ / "install/Cache/customerinfo.ini").string());
}

TEST_F(IniFile, CustomerInfoRoundTrip) {
  classIniFile ini;
  EXPECT_EQ(ini.ReadFromFile("Voucher", "missing"), "");
  EXPECT_EQ(ini.ReadFromFile("NoSection", "key"), "");

  std::string value = "line one\r\nline two\r\n";
  ini.SaveToFile("Voucher", "PrintSet", value);
  EXPECT_EQ(value, "line oneline two");  // the caller's text loses its line breaks too
  EXPECT_EQ(ini.ReadFromFile("voucher", "printset"), "line oneline two");
  EXPECT_EQ(ReadFile(ini.IniPath()), "[Voucher]\nPrintSet=line oneline two\n");

  std::string lone = "a\nb";  // not a CR LF pair: kept, and the line cannot be written
  ini.SaveToFile("Voucher", "PrintSet", lone);
  EXPECT_EQ(lone, "a\nb");
  EXPECT_EQ(ini.ReadFromFile("Voucher", "PrintSet"), "line oneline two");

  std::string long_value(1500, 'x');
  long_value.replace(0, 3, "长");
  ini.SaveToFile("Voucher", "Long", long_value);
  const std::string read = ini.ReadFromFile("Voucher", "Long");
  EXPECT_EQ(read.substr(0, 3), "长");
  EXPECT_EQ(read.size(), 3u + 1022u);  // 1023 characters
}

TEST_F(IniFile, RegistryValuesFitTheirBuffer) {
  classIniFile ini;
  const std::string portal = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\Portal";
  ini.RegWrite(portal, "NoShowPrinterDlg", "1");
  ini.RegWrite(portal, "Longest", std::string(255, 'x'));
  ini.RegWrite(portal, "TooLong", std::string(256, 'x'));
  WriteFile(dir_ / "other.ini", "");
  struct Case {
    const char* name;
    std::string key;
    std::string item;
    std::int32_t root;
    std::string expected;
  };
  const Case cases[] = {
      {"value", portal, "NoShowPrinterDlg", classIniFile::kHKeyLocalMachine, "1"},
      {"255 bytes fit", portal, "Longest", classIniFile::kHKeyLocalMachine, std::string(255, 'x')},
      {"256 bytes do not", portal, "TooLong", classIniFile::kHKeyLocalMachine, ""},
      {"missing value", portal, "Nothing", classIniFile::kHKeyLocalMachine, ""},
      {"missing key", portal + "\\Sub", "NoShowPrinterDlg", classIniFile::kHKeyLocalMachine, ""},
      {"another root key", portal, "NoShowPrinterDlg", -2147483647, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ini.RegRead(c.key, c.item, c.root), c.expected);
  }
}

}  // namespace
}  // namespace cavra
