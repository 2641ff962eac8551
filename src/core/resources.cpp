#include "core/resources.h"

#include "cavra/components.h"
#include "core/thread_state.h"
#include "platform/error_flow.h"

namespace cavra {

void InitResourceService(const ComponentSet& components) {
  ThreadState& t = Thread();
  // Only a factory that was created ends the attempts: one that failed on a
  // thread's first service is tried again by the next.
  if (t.resourceFactory) return;
  SkipErrors([&] {
    auto factory = components.CreateAs<IResourceServiceFactory>("LangKit.ResourceServiceFactory");
    if (!factory) return;
    t.resourceFactory = factory;
    t.resourceService = factory->GetResourceService();
    t.localService = factory->GetLocalService();
  });
  t.resourcesCreated = t.resourceFactory != nullptr;
  SkipErrors([&] {
    t.resourceFormatter = components.CreateAs<IResourceFormatter>("LangKit.CService_ResourceFormatter");
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
