#include "core/trace_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <system_error>

#include "cavra/variant.h"
#include "platform/paths.h"

namespace cavra {

void RefreshTraceLogSwitch() {
  std::error_code ec;
  Thread().traceLog = std::filesystem::exists(paths::ComponentDirectory() / kTraceSwitchFile, ec) && !ec;
}

std::filesystem::path TraceLogPath() { return paths::ComponentDirectory() / kTraceLogFile; }

void WriteTraceLog(std::string_view msg) {
  if (!Thread().traceLog) return;
  try {
    const auto path = TraceLogPath();
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && std::filesystem::file_size(path, ec) > kTraceLogLimit && !ec)
      std::filesystem::remove(path, ec);

    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

    std::string line;
    line.reserve(msg.size() + 64);
    line.append("【").append(stamp).append("】【CavraVoucherService.dll】").append(msg).append("\r\n");
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
  } catch (...) {
  }
}

std::string InfoMessage(std::string_view procedure, std::string_view text) {
  std::string m("【ctlVoucherService】【");
  m.append(procedure).append("】【Info】").append(text);
  return m;
}

double Timer() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const auto micros =
      std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() % 1000000;
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + micros / 1e6;
}

std::string ElapsedText(double start) {
  double elapsed = Timer() - start;
  if (elapsed < 0) elapsed += 86400;  // past midnight
  return FormatDouble(elapsed);
}

}  // namespace cavra
