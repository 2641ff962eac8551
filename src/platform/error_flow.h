// How a step runs when its caller must not stop: "errors skipped" wraps one
// statement or one step so that any failure inside it is dropped.
#pragma once

#include <utility>

namespace cavra {

// Runs f; any exception it throws is dropped. Returns whether f completed.
template <class F>
bool SkipErrors(F&& f) noexcept {
  try {
    std::forward<F>(f)();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace cavra
