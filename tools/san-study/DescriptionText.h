#ifndef SAN_STUDY_DESCRIPTION_TEXT_H
#define SAN_STUDY_DESCRIPTION_TEXT_H

#include <ostream>

#include "StudyDescriptionTypes.h"

// What a study description says of its model, for a reader (--describe):
// the simulation type, the global variables with their types and valid
// ranges, the experiments with the values that differ between them, the
// reward variables with their measures (the simulator's PV indices), and
// override and sweep examples built from the model's own variables.
void DescribeStudy(const StudyDescription& description, const std::string& program,
                   std::ostream& out);

#endif
