#ifndef SAN_STUDY_RECORD_CHECKS_H
#define SAN_STUDY_RECORD_CHECKS_H

#include <optional>
#include <string>

#include "StudyDescriptionTypes.h"
#include "StudyResults.h"

// Checks of an experiment's record read back from a study.json (for
// --resume and merge), which may have been edited, cut short or written by
// someone else: only what this tool could have written is used.

// What makes the record impossible for a study with `description` and
// `rule`: a value for every global variable, a result for every measure,
// counts that add up and lie within the stop rule, a known status, bounds
// around the mean. std::nullopt when it is plausible.
std::optional<std::string> ImplausibleRecord(const ExperimentResult& experiment,
                                             const StudyDescription& description,
                                             const StopRule& rule);

// A plausible record's status agrees with its intervals under `rule`: a
// converged experiment's every measure meets the precision. Results of an
// earlier rule (which called constant measures converged too early) do
// not, and are run again rather than reused.
bool AgreesWithStopRule(const ExperimentResult& experiment, const StopRule& rule);

#endif
