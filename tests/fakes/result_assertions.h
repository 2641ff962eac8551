// Assertions on cavra::Result: a failed one prints the error's number and
// description.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "cavra/result.h"

namespace cavra::testing {

// The error's description, or "" when the result holds a value.
template <class R>
std::string ErrorText(const R& result) {
  return result.ok() ? std::string() : result.error().description();
}

}  // namespace cavra::testing

// Streams more text after it, like the gtest assertions: ASSERT_OK(r) << sql.
#define CAVRA_RESULT_ASSERT_(expr, fail)                                                          \
  switch (0)                                                                                      \
  case 0:                                                                                         \
  default:                                                                                        \
    if (const auto& cavra_result_ = (expr); cavra_result_.ok()) {                                 \
    } else                                                                                        \
      fail() << #expr << " failed with error " << cavra_result_.error().number() << ": "          \
             << cavra_result_.error().description() << " "

#define EXPECT_OK(expr) CAVRA_RESULT_ASSERT_(expr, ADD_FAILURE)
#define ASSERT_OK(expr) CAVRA_RESULT_ASSERT_(expr, FAIL)
