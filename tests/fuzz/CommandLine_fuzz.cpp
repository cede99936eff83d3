// The simulator's command-line parser on fresh run settings; the input,
// split at its NUL bytes, gives the arguments after the program name.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "Executive/RunSettings.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The parser echoes every option and explains every refusal; only what it
  // does to memory matters here.
  if (!std::freopen("/dev/null", "w", stdout)) return 1;
  std::cerr.rdbuf(nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words{"movingblock-sim"};
  if (size > 0) words.emplace_back();
  for (std::size_t i = 0; i < size; i++) {
    if (data[i] == 0)
      words.emplace_back();
    else
      words.back() += static_cast<char>(data[i]);
  }
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  RunSettings settings;
  settings.Parse(static_cast<int>(words.size()), argv.data(), nullptr);
  return 0;
}
