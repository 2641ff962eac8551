// The default language resource components, answering from the catalogues
// embedded at build time (core/catalog/*.txt). The current language is
// CAVRA_LANG when set, else "zh-CN"; a key the language lacks falls back to
// the zh-CN text, an unknown key gives "". Formatted texts fill "{0}",
// "{1}", ... with the parameters by position.
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "cavra/components.h"
#include "cavra/outside.h"
#include "core/catalog/catalog_sources.h"
#include "core/resources.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

constexpr std::string_view kDefaultLanguage = "zh-CN";

using Texts = std::unordered_map<std::string, std::string>;

// Language id (upper-cased) -> texts, parsed once from the embedded files.
const std::map<std::string, Texts>& Catalogues() {
  static const auto catalogues = [] {
    std::map<std::string, Texts> all;
    for (std::size_t i = 0; i < catalog::kSourceCount; ++i) {
      Texts& texts = all[vb::UCase(catalog::kSources[i].language)];
      std::string_view rest = catalog::kSources[i].text;
      while (!rest.empty()) {
        const auto nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const auto eq = line.find('=');
        const std::string key = vb::Trim(line.substr(0, eq));
        if (eq == std::string_view::npos || key.empty() || key.front() == '#') continue;
        texts.try_emplace(key, line.substr(eq + 1));
      }
    }
    return all;
  }();
  return catalogues;
}

std::string CurrentLanguage() {
  const char* lang = std::getenv("CAVRA_LANG");
  return lang && *lang ? std::string(lang) : std::string(kDefaultLanguage);
}

const std::string* FindText(const std::string& language, const std::string& key) {
  const auto& all = Catalogues();
  if (auto it = all.find(vb::UCase(language)); it != all.end())
    if (auto text = it->second.find(key); text != it->second.end()) return &text->second;
  return nullptr;
}

std::string Lookup(const std::string& key) {
  const std::string* text = FindText(CurrentLanguage(), key);
  if (!text) text = FindText(std::string(kDefaultLanguage), key);
  return text ? *text : std::string();
}

// "{n}" becomes the text of params[n]; a placeholder without a parameter is
// left as written, and a parameter without a text (Null, an object) gives "".
std::string Fill(std::string_view text, const VariantArray& params) {
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (;;) {
    const auto open = text.find('{', from);
    if (open == std::string_view::npos) break;
    std::size_t i = open + 1;
    std::size_t index = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && index < params.size())
      index = index * 10 + static_cast<std::size_t>(text[i++] - '0');
    if (i == open + 1 || i >= text.size() || text[i] != '}' || index >= params.size()) {
      out.append(text.substr(from, open + 1 - from));
      from = open + 1;
      continue;
    }
    out.append(text.substr(from, open - from));
    SkipErrors([&] { out.append(CStr(params[index])); });
    from = i + 1;
  }
  out.append(text.substr(from));
  return out;
}

class CatalogueResourceService : public IResourceService {
 public:
  std::string GetString(const std::string& key) override { return Lookup(key); }
};

class EnvironmentLocalService : public ILocalService {
 public:
  std::string GetLocalID() override { return CurrentLanguage(); }
};

class CatalogueServiceFactory : public IResourceServiceFactory {
 public:
  std::shared_ptr<IResourceService> GetResourceService() override {
    return std::make_shared<CatalogueResourceService>();
  }
  std::shared_ptr<ILocalService> GetLocalService() override {
    return std::make_shared<EnvironmentLocalService>();
  }
};

class CatalogueFormatter : public IResourceFormatter {
 public:
  std::string GetString(const std::string& key, VariantArray& params) override {
    return Fill(Lookup(key), params);
  }
};

}  // namespace

void RegisterResourceComponents() {
  // A host's own registration (made before ours) stays.
  if (!ComponentRegistry::IsRegistered("LangKit.ResourceServiceFactory"))
    ComponentRegistry::Register("LangKit.ResourceServiceFactory",
                                [] { return std::make_shared<CatalogueServiceFactory>(); });
  if (!ComponentRegistry::IsRegistered("LangKit.CService_ResourceFormatter"))
    ComponentRegistry::Register("LangKit.CService_ResourceFormatter",
                                [] { return std::make_shared<CatalogueFormatter>(); });
}

}  // namespace cavra
