// EXPECT_VB_ERROR(statement, number[, fragment]): the statement raises a
// VbError with that number (and a description holding fragment).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "cavra/error.h"

namespace cavra::testing {

template <typename F>
::testing::AssertionResult RaisesVbError(F&& statement, std::int32_t number, std::string_view fragment = {}) {
  try {
    statement();
  } catch (const VbError& e) {
    if (e.number() != number)
      return ::testing::AssertionFailure() << "raised " << e.number() << " (" << e.description() << "), not "
                                           << number;
    if (e.description().find(fragment) == std::string::npos)
      return ::testing::AssertionFailure() << "description \"" << e.description() << "\" lacks \"" << fragment
                                           << "\"";
    return ::testing::AssertionSuccess();
  } catch (const std::exception& e) {
    return ::testing::AssertionFailure() << "raised another exception: " << e.what();
  }
  return ::testing::AssertionFailure() << "raised nothing";
}

}  // namespace cavra::testing

#define EXPECT_VB_ERROR(statement, ...) \
  EXPECT_TRUE(::cavra::testing::RaisesVbError([&] { statement; }, __VA_ARGS__)) << #statement
