#ifndef MB_TEST_CAPTURE_H
#define MB_TEST_CAPTURE_H

// What a piece of code writes to standard output or standard error.
#include <gtest/gtest.h>

#include <string>

template <class Code>
std::string StdoutOf(Code&& code) {
  testing::internal::CaptureStdout();
  code();
  return testing::internal::GetCapturedStdout();
}

template <class Code>
std::string StderrOf(Code&& code) {
  testing::internal::CaptureStderr();
  code();
  return testing::internal::GetCapturedStderr();
}

#endif
