#include <gtest/gtest.h>

#include "fakes/scratch.h"
#include "core/trace_log.h"

namespace cavra {
namespace {

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
