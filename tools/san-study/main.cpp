// san-study: runs the study of any generated model as a simulation manager
// and writes the estimates with their confidence intervals.
#include "StudyTool.h"

int main(int argc, char** argv) { return RunStudyTool(argc, argv, ToolProfile{}); }
