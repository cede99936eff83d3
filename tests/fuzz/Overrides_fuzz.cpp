// The global-variable override parser (-O) on the small study of
// FuzzStudy.cpp, from its default values; the input is the override text
// (up to its first NUL byte, as on a command line).
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

#include "Study/BaseStudyClass.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!std::freopen("/dev/null", "w", stdout)) return 1;  // its warnings
  std::cerr.rdbuf(nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  BaseStudyClass* study = GenerateStudy();
  study->SetGVs(0);
  study->overrideGVs(text.c_str());
  return 0;
}
