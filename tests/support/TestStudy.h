#ifndef MB_TEST_STUDY_H
#define MB_TEST_STUDY_H

// The study that test executables without the railway model link in (the
// engine's constructor asks for the process's study): one experiment, no
// global variables, and a reward model built by the factory the test sets,
// so that tests can run the simulator's own constructor on a test model.

#include <functional>

#include "Rewards/PVModel.h"
#include "Study/BaseStudyClass.h"

class TestStudy : public BaseStudyClass {
 public:
  using Factory = std::function<PVModel*(bool expandTimes)>;
  // The factory GetPVModel uses from now on (none: GetPVModel returns null).
  static void SetRewardModelFactory(Factory factory);

  TestStudy();
  PVModel* GetPVModel(bool expandTimes) override;
  void SetGVs(int experiment) override;
};

#endif
