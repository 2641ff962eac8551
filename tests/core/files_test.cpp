#include <gtest/gtest.h>

#include "cavra/ini_file.h"
#include "core/trace_log.h"
#include "fakes/scratch.h"

namespace cavra {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;

class IniFile : public ::testing::Test {
 protected:
  ScratchDir dir_;
  ScopedEnv registry_{"CAVRA_REGISTRY_FILE", dir_ / "registry.ini"};
  ScopedEnv component_{"CAVRA_COMPONENT_DIR", dir_ / "component"};
};

TEST_F(IniFile, CustomerInfoLivesUnderTheInstallFolder) {
  EXPECT_EQ(classIniFile().IniPath(), (dir_ / "component/Cache/customerinfo.ini").string());
  const std::string install_key = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\Install\\CurrentInstPath";
  classIniFile().RegWrite(install_key, "", (dir_ / "inst").string());
  classIniFile ini;
  EXPECT_EQ(ini.IniPath(), (dir_ / "inst/Cache/customerinfo.ini").string());

  EXPECT_EQ(ini.ReadFromFile("Voucher", "missing"), "");
  std::string value = "one\r\ntwo\r\n";
  ini.SaveToFile("Voucher", "PrintSet", value);
  EXPECT_EQ(value, "onetwo");  // the caller's text loses its line breaks too
  EXPECT_EQ(ini.ReadFromFile("voucher", "printset"), "onetwo");
  EXPECT_EQ(ReadFile(ini.IniPath()), "[Voucher]\nPrintSet=onetwo\n");

  std::string lone = "a\nb";  // a lone line break cannot be written
  ini.SaveToFile("Voucher", "PrintSet", lone);
  EXPECT_EQ(ini.ReadFromFile("Voucher", "PrintSet"), "onetwo");

  std::string long_value = "长" + std::string(1500, 'x');
  ini.SaveToFile("Voucher", "Long", long_value);
  EXPECT_EQ(ini.ReadFromFile("Voucher", "Long"), "长" + std::string(1022, 'x'));  // 1023 characters
}

TEST_F(IniFile, RegistryValuesMustFitTheirBuffer) {
  classIniFile ini;
  const std::string portal = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\Portal";
  ini.RegWrite(portal, "NoShowPrinterDlg", "1");
  ini.RegWrite(portal, "Longest", std::string(255, 'x'));
  ini.RegWrite(portal, "TooLong", std::string(256, 'x'));
  EXPECT_EQ(ini.RegRead(portal, "NoShowPrinterDlg"), "1");
  EXPECT_EQ(ini.RegRead(portal, "Longest"), std::string(255, 'x'));
  EXPECT_EQ(ini.RegRead(portal, "TooLong"), "");
  EXPECT_EQ(ini.RegRead(portal, "Missing"), "");
  EXPECT_EQ(ini.RegRead(portal, "NoShowPrinterDlg", -2147483647), "");  // not HKEY_LOCAL_MACHINE
}

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteFile;

class TraceLog : public ::testing::Test {
 protected:
  ~TraceLog() override { Thread().traceLog = false; }
  ScratchDir dir_;
  ScopedEnv component_{"CAVRA_COMPONENT_DIR", dir_.path};
  std::filesystem::path log_ = dir_ / "Ordra_Platform_Voucher.log";
};

TEST_F(TraceLog, WritesStampedLinesOnlyWhileTheSwitchFileExists) {
  RefreshTraceLogSwitch();
  WriteTraceLog("off");
  EXPECT_FALSE(std::filesystem::exists(log_));

  WriteFile(dir_ / "Ordra_Platform_Voucher.ini", "");
  RefreshTraceLogSwitch();
  Trace("setTemplateData1:", std::string("0.5"));
  const std::string text = ReadFile(log_);
  const std::string shape = "【####-##-## ##:##:##】【CavraVoucherService.dll】setTemplateData1:0.5\r\n";
  ASSERT_EQ(text.size(), shape.size());
  for (std::size_t i = 0; i < shape.size(); ++i)
    EXPECT_TRUE(shape[i] == '#' ? text[i] >= '0' && text[i] <= '9' : text[i] == shape[i]) << "at " << i;
}

TEST_F(TraceLog, AFileOverSixMebibytesIsDeletedBeforeTheNextLine) {
  WriteFile(dir_ / "Ordra_Platform_Voucher.ini", "");
  RefreshTraceLogSwitch();
  for (const std::uintmax_t size : {6291456u, 6291457u}) {
    SCOPED_TRACE(size);
    WriteFile(log_, std::string(size, 'x'));
    WriteTraceLog("next");
    const std::string text = ReadFile(log_);
    EXPECT_EQ(text.front() == 'x', size == 6291456u);
    EXPECT_EQ(text.substr(text.size() - 6), "next\r\n");
  }
}

}  // namespace
}  // namespace cavra
