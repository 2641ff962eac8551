#include <regex>

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

TEST_F(TraceLog, LinesCarryTheTimeAndTheComponentName) {
  const auto log = SwitchOn();
  WriteTraceLog("开始执行");
  Trace("setTemplateData1:", std::string("0.5"));
  const std::regex line("【\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}】【CavraVoucherService\\.dll】");
  const std::string text = ReadFile(log);
  const std::string expected_tail[] = {"开始执行\r\n", "setTemplateData1:0.5\r\n"};
  std::size_t from = 0;
  for (const std::string& tail : expected_tail) {
    SCOPED_TRACE(tail);
    std::smatch m;
    const std::string rest = text.substr(from);
    ASSERT_TRUE(std::regex_search(rest, m, line));
    EXPECT_EQ(m.position(0), 0);
    EXPECT_EQ(rest.substr(static_cast<std::size_t>(m.length(0)), tail.size()), tail);
    from += static_cast<std::size_t>(m.length(0)) + tail.size();
  }
  EXPECT_EQ(from, text.size());
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
