// movingblock-study: the railway model's default study, san-study with the
// simulator beside it and the table of the windows ending at 200, 350, 500
// and 700 against the loss probability.
#include "StudyTool.h"

int main(int argc, char** argv) {
  ToolProfile profile;
  profile.program = "movingblock-study";
  profile.defaultSimulator = "movingblock-sim";
  profile.tableMeasures = {"[0, 200]", "[0, 350]", "[0, 500]", "[0, 700]"};
  profile.xTitle = "loss p";
  // The windows count trains: within a tenth of a train is precise enough
  // where 5 % of a small count is not (no train leaves before time 100),
  // and a window that never varies needs some 900 replications to show it.
  profile.stopRule.absolutePrecision = 0.1;
  profile.stopRule.maxReplications = 2000;
  return RunStudyTool(argc, argv, profile);
}
