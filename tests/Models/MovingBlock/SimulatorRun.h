#ifndef MB_TEST_SIMULATOR_RUN_H
#define MB_TEST_SIMULATOR_RUN_H

// Runs the real movingblock-sim executable.
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/ResultReaders.h"

struct RunResult {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;
  std::string err;
};

// Runs movingblock-sim with the arguments (a shell word list) in `dir`, in
// an environment of its own: only PATH and the assignments given (e.g.
// "SIMTEST=0"), so that nothing the test runner inherited changes the run.
inline RunResult runSimulator(const std::string& dir, const std::string& arguments,
                              const std::string& environment = "") {
  const std::string command = "cd '" + dir + "' && env -i PATH=/usr/bin:/bin " + environment +
                              " '" MB_BINARY_DIR "/movingblock-sim' " + arguments +
                              " >stdout.txt 2>stderr.txt";
  const int raw = std::system(command.c_str());
  return {raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
          results::readFile(dir + "/stdout.txt"), results::readFile(dir + "/stderr.txt")};
}

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

#endif
