#include "cavra/ini_file.h"

#include <filesystem>

#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/registry_store.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

constexpr char kInstallPathKey[] = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\Install\\CurrentInstPath";
constexpr std::size_t kValueBufferBytes = 256;     // with the terminating NUL
constexpr std::int32_t kProfileBufferChars = 1024;  // likewise

}  // namespace

classIniFile::classIniFile() {
  std::filesystem::path folder = RegRead(kInstallPathKey, "");
  if (folder.empty()) folder = paths::ComponentDirectory();
  ini_path_ = (folder / "Cache" / "customerinfo.ini").string();
}

std::string classIniFile::RegRead(const std::string& cSubKey, const std::string& cItem,
                                  std::int32_t nMainKey) const {
  if (nMainKey != kHKeyLocalMachine) return {};
  auto value = registry::ReadValue(cSubKey, cItem);
  if (!value || value->size() >= kValueBufferBytes) return {};
  return value->substr(0, value->find('\0'));
}

void classIniFile::RegWrite(const std::string& cSubKey, const std::string& cItem, const std::string& cValue) {
  registry::WriteValue(cSubKey, cItem, cValue);
}

void classIniFile::SaveToFile(const std::string& strAppName, const std::string& strKeyName,
                              std::string& strValue) {
  strValue = vb::Replace(strValue, "\r\n", "");
  ini::WriteString(ini_path_, strAppName, strKeyName, strValue);
}

std::string classIniFile::ReadFromFile(const std::string& strAppName, const std::string& strKeyName) const {
  return vb::Left(ini::ReadString(ini_path_, strAppName, strKeyName), kProfileBufferChars - 1);
}

}  // namespace cavra
