#include "platform/registry_store.h"

#include <cstdlib>

#include "platform/ini.h"
#include "platform/paths.h"

namespace cavra::registry {
namespace {

constexpr std::string_view kDefaultValueName = "@";

const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

// "SOFTWARE\X\" and "SOFTWARE\X" name the same key.
std::string_view KeyPath(std::string_view key) {
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  return key;
}

std::string_view EntryName(std::string_view name) { return name.empty() ? kDefaultValueName : name; }

}  // namespace

std::filesystem::path StoreFile() {
  if (const char* file = Env("CAVRA_REGISTRY_FILE")) return file;
  if (const char* config = Env("XDG_CONFIG_HOME"))
    return std::filesystem::path(config) / "cavra" / "registry.ini";
  if (const char* home = Env("HOME"))
    return std::filesystem::path(home) / ".config" / "cavra" / "registry.ini";
  return paths::ComponentDirectory() / "registry.ini";
}

std::optional<std::string> ReadValue(std::string_view key, std::string_view name) {
  return ini::IniDocument::Load(StoreFile()).Get(KeyPath(key), EntryName(name));
}

bool WriteValue(std::string_view key, std::string_view name, std::string_view value) {
  if (name == kDefaultValueName) return false;
  const auto file = StoreFile();
  ini::IniDocument doc = ini::IniDocument::Load(file);
  std::string quoted;
  quoted.reserve(value.size() + 2);
  quoted.append("\"").append(value).append("\"");
  return doc.Set(KeyPath(key), EntryName(name), quoted) && doc.Save(file);
}

}  // namespace cavra::registry
