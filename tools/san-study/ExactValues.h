#ifndef SAN_STUDY_EXACT_VALUES_H
#define SAN_STUDY_EXACT_VALUES_H

#include <optional>
#include <string>
#include <vector>

#include "StudyDescriptionTypes.h"
#include "StudyPlan.h"
#include "StudyResults.h"

// The model's exact solver beside its simulator: build/NAME-sim ->
// build/NAME-solve.
std::string SolverBeside(const std::string& simulator);

// Runs `solver` (no shell: an argv vector) once for `experiment`, with its
// -e and its whole -O text, and reads the value of every measure from the
// CSV file it writes, in result-index order. An error text when the solver
// refuses (its own message), cannot be run, or names other measures than
// the study description.
std::optional<std::string> SolveExperiment(const std::string& solver,
                                           const StudyDescription& description,
                                           const PlannedExperiment& experiment,
                                           std::vector<double>& values);

// Every experiment's exact values into its `exact`; the first failure's
// text, naming the experiment.
std::optional<std::string> SolveExperiments(const std::string& solver,
                                            const StudyDescription& description,
                                            StudyResult& result);

// Whether `exact` lies inside the estimate's interval; std::nullopt without
// an estimate. An unknown bound holds every value on its side, and the
// bounds are widened by 1e-9 of the value, the solver's accuracy and more,
// so that an interval of identical observations holds its exact value.
std::optional<bool> ExactInside(const WindowResult& window, long replications, double exact);

// One line per measure whose exact value lies outside its interval, after
// the table: the experiment, variable, window or time, estimate, interval
// and exact value.
std::vector<std::string> ExactMissLines(const StudyResult& result,
                                        const StudyDescription& description);

#endif
