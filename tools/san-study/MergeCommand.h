#ifndef SAN_STUDY_MERGE_COMMAND_H
#define SAN_STUDY_MERGE_COMMAND_H

#include "StudyOptions.h"

// `PROGRAM merge OUT DIR...`: combines the result directories of studies
// run with the same settings (say one per task of a cluster's job array,
// each with other experiments) into one study in OUT: its CSV, JSON, plot,
// table and verdict, as if it had run at once. Directories whose settings
// differ, or that hold the same experiment, are refused. Exit statuses as
// the study's: 0, 1 (refused, a failed stream, a file not written), 2 (an
// experiment short of the precision).
int RunMergeCommand(int argc, char** argv, const ToolProfile& profile);

#endif
