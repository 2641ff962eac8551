// The stand-in for string values under HKEY_LOCAL_MACHINE: one ini file
// whose sections are key paths as the registry writes them
// ("SOFTWARE\Tolmsoft\WF\V8.700\Portal") and whose entries are value names,
// "@" standing for the key's default value (name ""). Key paths and value
// names are compared without regard to case, like the registry's. Values
// are written in double quotes so surrounding blanks survive; a hand-written
// unquoted value reads as well.
//
// The file is CAVRA_REGISTRY_FILE when that is set, else
// $XDG_CONFIG_HOME/cavra/registry.ini, else ~/.config/cavra/registry.ini
// (and registry.ini in the component folder when HOME is unset too).
// Writes go through a temporary file and a rename (platform/ini.h).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace cavra::registry {

// The store file, from the environment at each call.
std::filesystem::path StoreFile();

// The value name of key ("" = the default value), or nullopt when the key
// or the value does not exist.
std::optional<std::string> ReadValue(std::string_view key, std::string_view name);

// Sets the value, creating the key. False when the store cannot be written
// or the text cannot be stored: a key containing "]", a name "@" or one
// containing "=", or a CR or LF anywhere.
bool WriteValue(std::string_view key, std::string_view name, std::string_view value);

}  // namespace cavra::registry
