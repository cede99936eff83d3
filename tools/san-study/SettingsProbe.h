#ifndef SAN_STUDY_SETTINGS_PROBE_H
#define SAN_STUDY_SETTINGS_PROBE_H

#include <optional>
#include <string>

#include "StudyOptions.h"
#include "StudyPlan.h"

// Runs the simulator once, for one replication and without a manager, with
// the settings of `experiment` (its -e, seed, generator and override): a
// setting the simulator refuses would make every experiment fail, so it is
// better refused once, before the study starts. An error text with the end
// of the simulator's standard error when the run fails.
std::optional<std::string> ProbeSettings(const StudyOptions& options, bool steadyState,
                                         const PlannedExperiment& experiment);

#endif
