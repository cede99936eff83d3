#ifndef CORVAX_SOLVER_ERROR_H
#define CORVAX_SOLVER_ERROR_H

#include <stdexcept>
#include <string>

// A model or a run the solver refuses, or cannot finish, with the reason in
// words. The solver program writes the text after "ERROR: " on standard
// error and ends with status 1; no result is written.
class SolverError : public std::runtime_error {
 public:
  explicit SolverError(const std::string& what) : std::runtime_error(what) {}
};

#endif
