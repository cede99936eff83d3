// The reward model's state buffer (with the last fired action appended) and
// its PV type file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ResultReaders.h"
#include "support/TestRewards.h"

namespace {

TEST(ModelState, LastFiredActionIsAppendedToTheState) {
  systemRewardModel model({ImpulseReward::threeWindows()}, false);
  const int modelSize = model.getTopModel()->StateSize();
  ASSERT_EQ(model.getNumActions(), 3 * 3 + 2);
  ASSERT_EQ(model.StateSize(), modelSize + 1);

  std::vector<char> initial(model.StateSize()), current(model.StateSize());
  model.CurrentState(initial.data());
  EXPECT_EQ(initial.back(), 0);  // no action fired yet

  // Action list: per worker start, serve_case1, serve_case2; then the audits.
  model.FireAction(&model.worker(1)->serve_case1, 1.0);
  model.CurrentState(current.data());
  EXPECT_EQ(current.back(), 5);

  model.SetState(initial.data());  // the model part only
  model.CurrentState(current.data());
  EXPECT_TRUE(model.getTopModel()->CompareState(initial.data(), current.data()));
  EXPECT_FALSE(model.CompareState(initial.data(), current.data()));
  model.PVReset();
  model.CurrentState(current.data());
  EXPECT_TRUE(model.CompareState(initial.data(), current.data()));
}

TEST(ModelState, TypeFileListsEveryNodeAndItsTimePoints) {
  const std::string path = results::tempPath("rewards_type_file.txt");
  ImpulseReward one;
  one.name = "numberOfJobs";
  one.starts = {0.0};
  one.stops = {100.0};
  systemRewardModel single({one}, true);
  single.WritePVTypeFile(path.c_str());
  EXPECT_EQ(results::readFile(path),
            "Version:1\nNumPV:1\nName:numberOfJobs\nType:1\nNumTimes:1\nStart:0\nStop:100\n");

  // Expanded: every node lists all time points; doubles in default format.
  ImpulseReward two;
  two.type = InstantOfTime;
  two.starts = {0.5, 1234567.0};
  two.stops = {12.25, 2e6};
  systemRewardModel expanded({two}, true);
  expanded.WritePVTypeFile(path.c_str());
  const std::string node =
      "Name:servedJobs\nType:0\nNumTimes:2\nStart:0.5\nStop:12.25\nStart:1.23457e+06\n"
      "Stop:2e+06\n";
  EXPECT_EQ(results::readFile(path), "Version:1\nNumPV:2\n" + node + node);
  std::remove(path.c_str());

  // A file that cannot be opened: nothing happens.
  expanded.WritePVTypeFile("/nonexistent-dir/type.txt");
  EXPECT_FALSE(std::ifstream("/nonexistent-dir/type.txt").good());
}

}  // namespace
