// Folders the library works in.
#pragma once

#include <filesystem>

namespace cavra::paths {

// The component's own folder: the folder of the loaded library file (or of
// the program, when linked statically). The environment variable
// CAVRA_COMPONENT_DIR overrides it. The trace-log switch file, the log and
// the default ini cache live here.
std::filesystem::path ComponentDirectory();

// The system temporary folder.
std::filesystem::path TempDirectory();

}  // namespace cavra::paths
