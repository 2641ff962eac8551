#include <gtest/gtest.h>

#include "core/scratch.h"
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

  // Turns the switch on through its file and returns the log's path.
  std::filesystem::path SwitchOn() {
    WriteFile(dir_ / "Ordra_Platform_Voucher.ini", "");
    RefreshTraceLogSwitch();
    return dir_ / "Ordra_Platform_Voucher.log";
  }

  ScratchDir dir_;
  ScopedEnv component_{"CAVRA_COMPONENT_DIR", dir_.path()};
};

TEST_F(TraceLog, WithoutTheSwitchFileNothingIsWritten) {
  RefreshTraceLogSwitch();
  EXPECT_FALSE(TraceOn());
  WriteTraceLog("message");
  Trace("a", std::string("b"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Ordra_Platform_Voucher.log"));
}

// "yyyy-mm-dd hh:mm:ss"
bool IsStamp(std::string_view s) {
  constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
  if (s.size() != kShape.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (kShape[i] == 'd' ? !(s[i] >= '0' && s[i] <= '9') : s[i] != kShape[i]) return false;
  return true;
}

TEST_F(TraceLog, LinesCarryTheTimeAndTheComponentName) {
  const auto log = SwitchOn();
  WriteTraceLog("开始执行");
  Trace("setTemplateData1:", std::string("0.5"));
  const std::string open = "【", middle = "】【CavraVoucherService.dll】";
  const std::string text = ReadFile(log);
  std::size_t at = 0;
  for (const std::string message : {"开始执行", "setTemplateData1:0.5"}) {
    SCOPED_TRACE(message);
    ASSERT_EQ(text.compare(at, open.size(), open), 0);
    at += open.size();
    EXPECT_TRUE(IsStamp(std::string_view(text).substr(at, 19)));
    at += 19;
    const std::string rest = middle + message + "\r\n";
    EXPECT_EQ(text.compare(at, rest.size(), rest), 0);
    at += rest.size();
  }
  EXPECT_EQ(at, text.size());
}

TEST_F(TraceLog, AFileOverTheLimitIsDeletedFirst) {
  const auto log = SwitchOn();
  struct Case {
    std::uintmax_t size;
    bool kept;
  };
  for (const Case c : {Case{6291456, true}, Case{6291457, false}}) {
    SCOPED_TRACE(c.size);
    WriteFile(log, std::string(c.size, 'x'));
    WriteTraceLog("next");
    const std::string text = ReadFile(log);
    EXPECT_EQ(text.size() > c.size, c.kept);
    EXPECT_EQ(text.front() == 'x', c.kept);
    EXPECT_EQ(text.substr(text.size() - 6), "next\r\n");
  }
}

}  // namespace
}  // namespace cavra
