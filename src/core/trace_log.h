// The diagnostic trace log: one file beside the component, written only
// while the switch file exists there. Lines are
// "【yyyy-mm-dd hh:mm:ss】【CavraVoucherService.dll】" + message, CR LF.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/thread_state.h"

namespace cavra {

inline constexpr std::string_view kTraceSwitchFile = "Ordra_Platform_Voucher.ini";
inline constexpr std::string_view kTraceLogFile = "Ordra_Platform_Voucher.log";
inline constexpr std::uintmax_t kTraceLogLimit = 6291456;  // a larger file is deleted first

// Sets this thread's switch from the switch file's existence (content unread).
void RefreshTraceLogSwitch();
std::filesystem::path TraceLogPath();

// Writes one line when the switch is on; every error is ignored.
void WriteTraceLog(std::string_view msg);

inline bool TraceOn() noexcept { return Thread().traceLog; }

// Concatenates the parts and writes them, only when the switch is on, so a
// switched-off log costs one flag test.
template <class... Parts>
void Trace(const Parts&... parts) {
  if (!TraceOn()) return;
  std::string line;
  (line.append(parts), ...);
  WriteTraceLog(line);
}

// "【ctlVoucherService】【" + procedure + "】【Info】" + text
std::string InfoMessage(std::string_view procedure, std::string_view text);

// Seconds since midnight, with fractions (the start mark of timed steps).
double Timer();
// Seconds elapsed since start, as the log writes them.
std::string ElapsedText(double start);

}  // namespace cavra
