#include <thread>

#include <gtest/gtest.h>

#include "cavra/components.h"
#include "cavra/outside.h"
#include "core/resources.h"
#include "fakes/scratch.h"

namespace cavra {
namespace {

using testing::ScopedEnv;

std::shared_ptr<IResourceServiceFactory> Factory() {
  RegisterResourceComponents();
  return ComponentRegistry::CreateAs<IResourceServiceFactory>("LangKit.ResourceServiceFactory");
}

TEST(ResourceCatalogue, EveryKeyInUseHasItsOwnTextInBothLanguages) {
  const char* const keys[] = {
      "VCH.008", "VCH.014", "VCH.015", "VCH.016", "VCH.018", "VCH.019", "VCH.020", "VCH.021", "VCH.022",
      "VCH.028", "VCH.029", "VCH.048", "VCH.049", "VCH.050", "VCH.070", "VCH.101", "VCH.102",
      "ARCHIVE.COMMON.user", "ARCHIVE.COMMON.result", "ARCHIVE.COMMON.approvetime", "ARCHIVE.COMMON.postil",
      "VOUCHERDESIGN.frmAuditSetup.ActivityName.Caption", "ARCHIVE.COMMON.submit", "ARCHIVE.COMMON.agree",
      "ARCHIVE.COMMON.disagree", "ARCHIVE.COMMON.remove", "ARCHIVE.COMMON.withdrawal",
      "ARCHIVE.COMMON.abandonaudit", "ARCHIVE.COMMON.Transfer", "ARCHIVE.COMMON.ReSubmit"};
  auto service = Factory()->GetResourceService();
  for (const char* key : keys) {
    SCOPED_TRACE(key);
    const std::string zh = service->GetString(std::string("Ordra.AA.") + key);
    ScopedEnv lang("CAVRA_LANG", "en-US");
    const std::string en = service->GetString(std::string("Ordra.AA.") + key);
    EXPECT_FALSE(zh.empty());
    EXPECT_FALSE(en.empty());
    EXPECT_NE(zh, en);  // not the zh-CN fallback
  }
}

TEST(ResourceCatalogue, LanguageFromTheEnvironmentFallingBackToZhCn) {
  const char* const zh = "单据模板为空，无法加载";
  const char* const en = "The voucher template is empty and cannot be loaded.";
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {nullptr, "zh-CN", zh}, {"", "zh-CN", zh}, {"en-US", "en-US", en}, {"EN-us", "EN-us", en},
      {"fr-FR", "fr-FR", zh}};
  auto factory = Factory();
  auto service = factory->GetResourceService();
  for (const auto& [lang, id, text] : cases) {
    SCOPED_TRACE(lang ? lang : "(unset)");
    ScopedEnv env("CAVRA_LANG", lang);
    EXPECT_EQ(factory->GetLocalService()->GetLocalID(), id);
    EXPECT_EQ(service->GetString("Ordra.AA.VCH.015"), text);
    EXPECT_EQ(service->GetString("Ordra.AA.VCH.999"), "");
  }
}

TEST(ResourceCatalogue, FormatterFillsNumberedPlaceholders) {
  RegisterResourceComponents();
  auto formatter = ComponentRegistry::CreateAs<IResourceFormatter>("LangKit.CService_ResourceFormatter");
  const std::tuple<const char*, VariantArray, const char*> cases[] = {
      {"Ordra.AA.VCH.029", {Variant(std::int32_t{-3})}, "打印控件返回错误，错误代码：-3"},
      {"Ordra.AA.VCH.018", {Variant(2.5), Variant("unused")}, "表体中不存在列：2.5"},
      {"Ordra.AA.VCH.029", {}, "打印控件返回错误，错误代码：{0}"},
      {"Ordra.AA.VCH.999", {Variant("x")}, ""}};
  for (auto [key, params, expected] : cases) {
    SCOPED_TRACE(key);
    EXPECT_EQ(formatter->GetString(key, params), expected);
  }
}

TEST(ResourceCatalogue, AHostsOwnRegistrationStays) {
  struct Host : IResourceFormatter {};
  ScopedComponent host("LangKit.CService_ResourceFormatter", [] { return std::make_shared<Host>(); });
  RegisterResourceComponents();
  const ObjectPtr created = ComponentRegistry::Create("LangKit.CService_ResourceFormatter");
  EXPECT_TRUE(std::dynamic_pointer_cast<Host>(created));
}

TEST(ResourceLookups, GoThroughTheThreadsServicesAndFallBackToZhCn) {
  RegisterResourceComponents();
  std::thread([] {  // resource objects are created once per thread
    ScopedEnv lang("CAVRA_LANG", "en-US");
    InitResourceService();
    VariantArray params{Variant(std::int32_t{7})};
    EXPECT_EQ(GetLanguageID() + GetResStringEx("Ordra.AA.VCH.029", params),
              "en-USThe print control returned error code 7.");
  }).join();

  struct Local : ILocalService {
    std::string GetLocalID() override { return ""; }
  };
  struct EmptyFactory : IResourceServiceFactory {
    std::shared_ptr<IResourceService> GetResourceService() override { return nullptr; }
    std::shared_ptr<ILocalService> GetLocalService() override { return std::make_shared<Local>(); }
  };
  ScopedComponent empty("LangKit.ResourceServiceFactory", [] { return std::make_shared<EmptyFactory>(); });
  std::thread([] {
    InitResourceService();
    EXPECT_EQ(GetLanguageID(), "zh-CN");
    EXPECT_EQ(GetResString("Ordra.AA.VCH.015"), "");
  }).join();
}

}  // namespace
}  // namespace cavra
