#include "fuzz/check.h"

#include <cstdio>
#include <cstdlib>

namespace cavra::fuzz {

void Fail(const std::string& message) {
  std::fprintf(stderr, "fuzz check failed: %s\n", message.c_str());
  std::abort();
}

}  // namespace cavra::fuzz
