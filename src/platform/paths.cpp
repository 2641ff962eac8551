#include "platform/paths.h"

#include <dlfcn.h>

#include <cstdlib>
#include <system_error>

namespace cavra::paths {

std::filesystem::path ComponentDirectory() {
  if (const char* env = std::getenv("CAVRA_COMPONENT_DIR"); env && *env) return env;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ComponentDirectory), &info) && info.dli_fname) {
    std::error_code ec;
    auto file = std::filesystem::canonical(info.dli_fname, ec);
    if (!ec) return file.parent_path();
  }
  std::error_code ec;
  return std::filesystem::current_path(ec);
}

std::filesystem::path TempDirectory() {
  std::error_code ec;
  auto dir = std::filesystem::temp_directory_path(ec);
  return ec ? std::filesystem::path("/tmp") : dir;
}

}  // namespace cavra::paths
