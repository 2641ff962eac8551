# libFuzzer targets (tests/fuzz). With CAVRA_BUILD_FUZZERS the whole library
# is built with coverage instrumentation and AddressSanitizer and
# UndefinedBehaviorSanitizer, which needs clang; without it the same targets
# are built as plain programs that replay their seed corpus and saved crash
# inputs in the test run.
option(CAVRA_BUILD_FUZZERS "Build the libFuzzer targets (clang only)" OFF)

if(CAVRA_BUILD_FUZZERS)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "CAVRA_BUILD_FUZZERS needs clang (-DCMAKE_CXX_COMPILER=clang++), not "
                        "${CMAKE_CXX_COMPILER_ID}")
  endif()
  if(NOT CAVRA_SANITIZE)
    set(CAVRA_SANITIZE address,undefined)
  endif()
endif()
