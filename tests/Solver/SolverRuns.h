#ifndef MB_TEST_SOLVER_RUNS_H
#define MB_TEST_SOLVER_RUNS_H

// Runs a model's solver program (<model>-solve) and reads back its CSV file.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/ResultReaders.h"

namespace solver_runs {

struct Run {
  int status = -1;
  std::string out;
  std::string err;
};

// One row of the CSV: experiment,variable,start,stop,value (start and stop
// empty for a steady-state variable).
struct Row {
  std::string experiment, variable, start, stop;
  double value = 0.0;
};

// Runs build/<model>-solve with `arguments` in `dir`.
inline Run RunSolver(const std::filesystem::path& dir, const std::string& model,
                     const std::string& arguments) {
  const std::string program = std::string(MB_BINARY_DIR) + "/" + model + "-solve";
  const std::string command =
      "cd '" + dir.string() + "' && '" + program + "' " + arguments + " >stdout.txt 2>stderr.txt";
  const int status = std::system(command.c_str());
  Run run;
  run.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = results::readFile((dir / "stdout.txt").string());
  run.err = results::readFile((dir / "stderr.txt").string());
  return run;
}

inline std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == ',')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

// The rows of a CSV file written by a solver, after checking its header.
inline std::vector<Row> ReadCsv(const std::filesystem::path& file) {
  std::istringstream in(results::readFile(file.string()));
  std::string line;
  std::vector<Row> rows;
  if (!std::getline(in, line) || line != "experiment,variable,start,stop,value") return rows;
  while (std::getline(in, line)) {
    const std::vector<std::string> f = SplitFields(line);
    if (f.size() != 5) return {};
    rows.push_back({f[0], f[1], f[2], f[3], std::stod(f[4])});
  }
  return rows;
}

}  // namespace solver_runs

#endif
