// State shared by every service object of one thread (and only that
// thread): the web-mode flag, the trace-log switch, the template-loaded
// flag, the language resource objects, the lower-casing style sheet and the
// account options. No locks: a service object stays on its thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cavra/dom.h"
#include "cavra/outside.h"

namespace cavra {

struct AccountOptions {
  bool read = false;  // the query runs at most once per thread
  std::string AuditSelectCols;
  bool bPrintTemplatePointLength = false;
  bool bDisplayInventoryPic = true;
  std::int32_t nDisableColor = 0;
  std::int32_t nNeedColor = 0;
};

struct ThreadState {
  bool traceLog = false;
  bool webMode = false;
  bool templateLoaded = false;

  bool resourcesCreated = false;
  std::shared_ptr<IResourceServiceFactory> resourceFactory;
  std::shared_ptr<IResourceService> resourceService;
  std::shared_ptr<ILocalService> localService;
  std::shared_ptr<IResourceFormatter> resourceFormatter;

  DomPtr lowerCaseXsl;
  AccountOptions accountOptions;
};

// This thread's state.
inline ThreadState& Thread() {
  thread_local ThreadState state;
  return state;
}

}  // namespace cavra
