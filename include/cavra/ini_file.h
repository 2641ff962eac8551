// classIniFile: string values of the registry store and the customer-info
// ini file "<install folder>/Cache/customerinfo.ini". Texts are UTF-8.
//
// The registry store stands in for HKEY_LOCAL_MACHINE: an ini file whose
// sections are key paths and whose entries are value names ("@" for a key's
// default value), at CAVRA_REGISTRY_FILE, else
// $XDG_CONFIG_HOME/cavra/registry.ini, else ~/.config/cavra/registry.ini.
// The install folder is the default value of
// "SOFTWARE\Tolmsoft\WF\V8.700\Install\CurrentInstPath", or the component's
// own folder (CAVRA_COMPONENT_DIR, else the library's folder) when empty.
#pragma once

#include <cstdint>
#include <string>

#include "cavra/export.h"

namespace cavra {

class CAVRA_EXPORT classIniFile {
 public:
  // The handle value of HKEY_LOCAL_MACHINE, the only root key there is.
  static constexpr std::int32_t kHKeyLocalMachine = -2147483646;

  // Fixes the ini path from the registry store, as it is now.
  classIniFile();

  // The string value cItem ("" = the key's default value) of cSubKey; "" when
  // the key or value is missing, the value is empty or longer than 255
  // bytes, or nMainKey is not HKEY_LOCAL_MACHINE. Text after a NUL is cut.
  std::string RegRead(const std::string& cSubKey, const std::string& cItem,
                      std::int32_t nMainKey = kHKeyLocalMachine) const;
  // Writes the value, creating the key; a failure is silent.
  void RegWrite(const std::string& cSubKey, const std::string& cItem, const std::string& cValue);

  // Removes every CR LF pair from strValue (the caller's text too) and
  // writes strKeyName=strValue into section strAppName; a failure (for
  // example a lone line break left in the value) is silent.
  void SaveToFile(const std::string& strAppName, const std::string& strKeyName, std::string& strValue);
  // The value of strKeyName in section strAppName, at most 1023 characters;
  // "" when it is missing.
  std::string ReadFromFile(const std::string& strAppName, const std::string& strKeyName) const;

  // The ini file this object reads and writes.
  const std::string& IniPath() const noexcept { return ini_path_; }

 private:
  std::string ini_path_;
};

}  // namespace cavra
