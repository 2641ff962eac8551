#include "core/resources.h"

#include "cavra/components.h"
#include "core/thread_state.h"
#include "platform/error_flow.h"

namespace cavra {

void InitResourceService() {
  ThreadState& t = Thread();
  if (t.resourcesCreated) return;
  t.resourcesCreated = true;
  SkipErrors([&] {
    t.resourceFactory = ComponentRegistry::CreateAs<IResourceServiceFactory>("LangKit.ResourceServiceFactory");
    t.resourceService = t.resourceFactory->GetResourceService();
    t.localService = t.resourceFactory->GetLocalService();
  });
  SkipErrors([&] {
    t.resourceFormatter = ComponentRegistry::CreateAs<IResourceFormatter>("LangKit.CService_ResourceFormatter");
  });
}

std::string GetResString(std::string_view key) {
  std::string text;
  SkipErrors([&] {
    if (auto& service = Thread().resourceService) text = service->GetString(std::string(key));
  });
  return text;
}

std::string GetResStringEx(std::string_view key, VariantArray& params) {
  std::string text;
  SkipErrors([&] {
    if (auto& formatter = Thread().resourceFormatter) text = formatter->GetString(std::string(key), params);
  });
  return text;
}

std::string GetLanguageID() {
  std::string id;
  SkipErrors([&] {
    if (auto& local = Thread().localService) id = local->GetLocalID();
  });
  return id.empty() ? "zh-CN" : id;
}

VbError ResourceError(std::string_view key) { return VbError(err::kResourceText, GetResString(key)); }

}  // namespace cavra
