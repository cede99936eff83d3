#ifndef SANGEN_TEST_COMMAND_RUN_H
#define SANGEN_TEST_COMMAND_RUN_H

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/ResultReaders.h"

namespace sangen_test {

struct CommandRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs a shell command in `dir`, with its output in files there; a command
// still running after `seconds` is killed (status 124).
inline CommandRun run(const std::filesystem::path& dir, const std::string& command,
                      int seconds = 300) {
  const std::string line = "cd '" + dir.string() + "' && timeout -s KILL " +
                           std::to_string(seconds) + " sh -c '" + command +
                           "' >stdout.txt 2>stderr.txt";
  const int raw = std::system(line.c_str());
  return {raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
          results::readFile((dir / "stdout.txt").string()),
          results::readFile((dir / "stderr.txt").string())};
}

// The sangen executable, quoted for the shell (inside run's single quotes).
inline std::string sangen() { return std::string("\"") + SANGEN + "\""; }

}  // namespace sangen_test

#endif
