#include <thread>

#include <gtest/gtest.h>

#include "cavra/components.h"
#include "cavra/outside.h"
#include "core/resources.h"
#include "core/scratch.h"

namespace cavra {
namespace {

using testing::ScopedEnv;

// Resource objects are created once per thread; a fresh thread starts clean.
template <class F>
void OnFreshThread(F f) {
  std::thread(f).join();
}

std::shared_ptr<IResourceService> CatalogueService() {
  RegisterResourceComponents();
  return ComponentRegistry::CreateAs<IResourceServiceFactory>("LangKit.ResourceServiceFactory")
      ->GetResourceService();
}

std::shared_ptr<IResourceFormatter> CatalogueFormatter() {
  RegisterResourceComponents();
  return ComponentRegistry::CreateAs<IResourceFormatter>("LangKit.CService_ResourceFormatter");
}

TEST(ResourceCatalogue, EveryKeyTheServiceUsesHasATextInBothLanguages) {
  const char* const keys[] = {
      "Ordra.AA.VCH.008", "Ordra.AA.VCH.014", "Ordra.AA.VCH.015", "Ordra.AA.VCH.016", "Ordra.AA.VCH.018",
      "Ordra.AA.VCH.019", "Ordra.AA.VCH.020", "Ordra.AA.VCH.021", "Ordra.AA.VCH.022", "Ordra.AA.VCH.028",
      "Ordra.AA.VCH.029", "Ordra.AA.VCH.048", "Ordra.AA.VCH.049", "Ordra.AA.VCH.050", "Ordra.AA.VCH.070",
      "Ordra.AA.VCH.101", "Ordra.AA.VCH.102",
      "Ordra.AA.ARCHIVE.COMMON.user", "Ordra.AA.ARCHIVE.COMMON.result", "Ordra.AA.ARCHIVE.COMMON.approvetime",
      "Ordra.AA.ARCHIVE.COMMON.postil", "Ordra.AA.VOUCHERDESIGN.frmAuditSetup.ActivityName.Caption",
      "Ordra.AA.ARCHIVE.COMMON.submit", "Ordra.AA.ARCHIVE.COMMON.agree", "Ordra.AA.ARCHIVE.COMMON.disagree",
      "Ordra.AA.ARCHIVE.COMMON.remove", "Ordra.AA.ARCHIVE.COMMON.withdrawal",
      "Ordra.AA.ARCHIVE.COMMON.abandonaudit", "Ordra.AA.ARCHIVE.COMMON.Transfer",
      "Ordra.AA.ARCHIVE.COMMON.ReSubmit",
  };
  auto service = CatalogueService();
  for (const char* key : keys) {
    SCOPED_TRACE(key);
    std::string zh, en;
    {
      ScopedEnv lang("CAVRA_LANG", nullptr);
      zh = service->GetString(key);
    }
    {
      ScopedEnv lang("CAVRA_LANG", "en-US");
      en = service->GetString(key);
    }
    EXPECT_FALSE(zh.empty());
    EXPECT_FALSE(en.empty());
    EXPECT_NE(zh, en);  // en-US has its own text, not the fallback
  }
}

TEST(ResourceCatalogue, LanguageComesFromTheEnvironmentWithZhCnFallback) {
  struct Case {
    const char* lang;
    const char* local_id;
    const char* text_015;
  };
  const Case cases[] = {
      {nullptr, "zh-CN", "单据模板为空，无法加载"},
      {"", "zh-CN", "单据模板为空，无法加载"},
      {"en-US", "en-US", "The voucher template is empty and cannot be loaded."},
      {"EN-us", "EN-us", "The voucher template is empty and cannot be loaded."},
      {"fr-FR", "fr-FR", "单据模板为空，无法加载"},  // no catalogue: every key falls back
  };
  RegisterResourceComponents();
  auto factory = ComponentRegistry::CreateAs<IResourceServiceFactory>("LangKit.ResourceServiceFactory");
  auto service = factory->GetResourceService();
  auto local = factory->GetLocalService();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lang ? c.lang : "(unset)");
    ScopedEnv lang("CAVRA_LANG", c.lang);
    EXPECT_EQ(local->GetLocalID(), c.local_id);
    EXPECT_EQ(service->GetString("Ordra.AA.VCH.015"), c.text_015);
    EXPECT_EQ(service->GetString("Ordra.AA.VCH.999"), "");
    EXPECT_EQ(service->GetString("ordra.aa.vch.015"), "");  // keys are exact
  }
}

TEST(ResourceCatalogue, FormatterFillsNumberedPlaceholders) {
  ScopedEnv lang("CAVRA_LANG", nullptr);
  auto formatter = CatalogueFormatter();
  struct Case {
    const char* name;
    const char* key;
    VariantArray params;
    const char* expected;
  };
  const Case cases[] = {
      {"long", "Ordra.AA.VCH.029", {Variant(std::int32_t{-3})}, "打印控件返回错误，错误代码：-3"},
      {"text", "Ordra.AA.VCH.018", {Variant("cInvName")}, "表体中不存在列：cInvName"},
      {"double", "Ordra.AA.VCH.018", {Variant(2.5)}, "表体中不存在列：2.5"},
      {"extra parameters", "Ordra.AA.VCH.018", {Variant("a"), Variant("b")}, "表体中不存在列：a"},
      {"null", "Ordra.AA.VCH.018", {Variant::Null()}, "表体中不存在列："},
      {"missing parameter", "Ordra.AA.VCH.029", {}, "打印控件返回错误，错误代码：{0}"},
      {"no placeholder", "Ordra.AA.VCH.015", {Variant("x")}, "单据模板为空，无法加载"},
      {"unknown key", "Ordra.AA.VCH.999", {Variant("x")}, ""},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(formatter->GetString(c.key, c.params), c.expected);
  }
}

TEST(ResourceCatalogue, RegistrationKeepsAHostsOwnComponent) {
  struct HostFormatter : IResourceFormatter {
    std::string GetString(const std::string&, VariantArray&) override { return "host"; }
  };
  ScopedComponent host("LangKit.CService_ResourceFormatter", [] { return std::make_shared<HostFormatter>(); });
  RegisterResourceComponents();
  VariantArray none;
  EXPECT_EQ(ComponentRegistry::CreateAs<IResourceFormatter>("LangKit.CService_ResourceFormatter")
                ->GetString("Ordra.AA.VCH.015", none),
            "host");
}

TEST(ResourceLookups, ReachTheCatalogueThroughTheThreadsServices) {
  RegisterResourceComponents();
  OnFreshThread([] {
    ScopedEnv lang("CAVRA_LANG", "en-US");
    InitResourceService();
    EXPECT_EQ(GetLanguageID(), "en-US");
    EXPECT_EQ(GetResString("Ordra.AA.ARCHIVE.COMMON.agree"), "Approved");
    VariantArray params{Variant(std::int32_t{7})};
    EXPECT_EQ(GetResStringEx("Ordra.AA.VCH.029", params), "The print control returned error code 7.");
    const VbError e = ResourceError("Ordra.AA.VCH.015");
    EXPECT_EQ(e.number(), 101);
    EXPECT_EQ(e.description(), "The voucher template is empty and cannot be loaded.");
  });
}

TEST(ResourceLookups, LanguageIdFallsBackToZhCn) {
  struct Local : ILocalService {
    std::string id;
    bool fail = false;
    std::string GetLocalID() override {
      if (fail) throw VbError::Standard(err::kNotSupported);
      return id;
    }
  };
  struct Factory : IResourceServiceFactory {
    std::shared_ptr<Local> local;
    std::shared_ptr<IResourceService> GetResourceService() override { return nullptr; }
    std::shared_ptr<ILocalService> GetLocalService() override { return local; }
  };
  struct Case {
    const char* name;
    const char* id;
    bool fail;
    const char* expected;
  };
  const Case cases[] = {
      {"answers a language", "en-US", false, "en-US"},
      {"answers nothing", "", false, "zh-CN"},
      {"fails", "en-US", true, "zh-CN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto local = std::make_shared<Local>();
    local->id = c.id;
    local->fail = c.fail;
    ScopedComponent factory("LangKit.ResourceServiceFactory", [local] {
      auto f = std::make_shared<Factory>();
      f->local = local;
      return f;
    });
    OnFreshThread([&] {
      InitResourceService();
      EXPECT_EQ(GetLanguageID(), c.expected);
      EXPECT_EQ(GetResString("Ordra.AA.VCH.015"), "");  // the host's factory gave no text service
    });
  }
  OnFreshThread([] {
    ScopedComponent none("LangKit.ResourceServiceFactory", nullptr);
    InitResourceService();
    EXPECT_EQ(GetLanguageID(), "zh-CN");
  });
}

}  // namespace
}  // namespace cavra
