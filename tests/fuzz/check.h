// A fuzz target's own checks: a failed one aborts, so the fuzzer counts it as
// a fault and keeps the input.
#pragma once

#include <string>

namespace cavra::fuzz {

[[noreturn]] void Fail(const std::string& message);

}  // namespace cavra::fuzz
