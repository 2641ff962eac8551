// Linked into every target that links cavra::render (an object file, not an
// archive member, so the linker keeps it): the renderer becomes the default
// print control before main.
#include "render/print_control.h"

namespace {
const bool registered = (cavra::render::RegisterPrintControl(), true);
}  // namespace
