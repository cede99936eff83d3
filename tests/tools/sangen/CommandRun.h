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

// A valid model file of one place and one activity of the given rate, its
// first line a description, with `composition` lines before the rewards.
inline std::string smallModel(const std::string& rate, const std::string& description = "small",
                              const std::string& composition = "") {
  return "description: " + description +
         "\n"
         "models:\n"
         "  - name: m\n"
         "    places: [{name: p, initial: 1}]\n"
         "    activities:\n"
         "      - {name: go, timing: {exponential: " +
         rate + "}, input_arcs: [p], output_arcs: [p]}\n" + composition +
         "rewards:\n"
         "  name: r\n"
         "  variables:\n"
         "    - {name: v, rate: {model: m, reads: [p], value: p}, measure: instant-of-time, "
         "times: [1]}\n"
         "study: {name: s, values: {}}\n";
}

}  // namespace sangen_test

#endif
