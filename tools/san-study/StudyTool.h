#ifndef SAN_STUDY_STUDY_TOOL_H
#define SAN_STUDY_STUDY_TOOL_H

#include "StudyOptions.h"

// The whole study command: options, description, plan, earlier results,
// the run, the table, the verdict and the files. Exit status 0 when every
// experiment reached the precision, 1 on invalid input, a failed simulator
// or an unwritable file, 2 when some experiment stopped at --max-reps short
// of the precision, 128 + the signal that stopped it.
int RunStudyTool(int argc, char** argv, const ToolProfile& profile);

#endif
