// The trace log switched on in a scratch component folder for the life of
// the object: Text() is what was written; the switch is off again afterwards.
#pragma once

#include <string>

#include "core/thread_state.h"
#include "core/trace_log.h"
#include "fakes/scratch.h"

namespace cavra::testing {

struct TraceLogOn {
  ScratchDir dir;
  ScopedEnv component{"CAVRA_COMPONENT_DIR", dir.path};
  TraceLogOn() {
    WriteFile(dir / std::string(kTraceSwitchFile), "");
    RefreshTraceLogSwitch();
  }
  ~TraceLogOn() { Thread().traceLog = false; }
  TraceLogOn(const TraceLogOn&) = delete;
  TraceLogOn& operator=(const TraceLogOn&) = delete;
  std::string Text() const { return ReadFile(dir / std::string(kTraceLogFile)); }
};

}  // namespace cavra::testing
