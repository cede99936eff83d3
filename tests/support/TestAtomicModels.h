#ifndef MB_TEST_ATOMIC_MODELS_H
#define MB_TEST_ATOMIC_MODELS_H

// Small hand-written atomic models, written the way the model generator
// writes them, for tests of the model framework and of everything above it
// (TestModels.h composes them).
//
//   workerSAN      atomic: a worker takes a job ("start", instantaneous) and
//                  serves it ("serveGroup", deterministic, a PostselectGroup of
//                  "serve_case1" success and "serve_case2" failure: the job
//                  goes back and is counted in served[1]).
//                  State variables: busy, jobs, served (int array [2]).
//   controllerSAN  atomic: audits served jobs ("auditGroup", a PreselectGroup
//                  of "audit_case1" and "audit_case2" with different delays and
//                  weights; case 2 sends the job back to rework), while its
//                  audit budget lasts.
//                  State variables: jobs, served, audited, budget.

#include "BaseClasses/Activity.h"
#include "BaseClasses/PostselectGroup.h"
#include "BaseClasses/PreselectGroup.h"
#include "BaseClasses/SANModel.h"
#include "BaseClasses/state/ArrayStateVariable.h"
#include "BaseClasses/state/ExtendedPlace.h"
#include "BaseClasses/state/Place.h"

struct TestModelParams {
  int replicas = 3;
  short jobs = 4;  // initial marking of every "jobs" place
  double serveTime = 1.0;
  double failProbability = 0.25;
  short auditBudget = 2;
  double auditTimes[2] = {1.0, 2.0};
  double auditWeights[2] = {1.0, 3.0};
};

// The array "served": served[0] counts successes, served[1] failures.
class ServedArray : public ArrayStateVariable<ExtendedPlace<int>> {
 public:
  static constexpr int Size = 2;
  explicit ServedArray(const char* name, const char* prefix = "");
  ~ServedArray() override;
  int& at(int i) { return Index(i)->Mark(); }
};

// An activity of rank 1 with a fixed weight and delay; the case number
// tells the cases of a group apart.
class testActivity : public Activity {
 public:
  testActivity(const char* name, int groupId, Distribution distribution, int caseNumber,
               double weight, double delay);
  double Weight() override { return weight; }
  int Rank() override { return 1; }
  double SampleDistribution() override { return delay; }
  double* ReturnDistributionParameters() override { return &delay; }

 protected:
  // Records the previous answer and returns the new one.
  bool setEnabled(bool now) {
    previouslyEnabled = enabled;
    return enabled = now;
  }
  int caseNumber;
  double weight;
  double delay;
};

class workerSAN : public SANModel {
 public:
  class startActivity : public testActivity {
   public:
    startActivity();
    short* busy_Mark = nullptr;
    short* jobs_Mark = nullptr;
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;
  };

  // Both cases of "serve"; case 2 is the failure.
  class serveActivity : public testActivity {
   public:
    serveActivity(int caseNumber, const TestModelParams& params);
    short* busy_Mark = nullptr;
    short* jobs_Mark = nullptr;
    ServedArray* served = nullptr;
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;
  };

  explicit workerSAN(const TestModelParams& params = {});
  ~workerSAN() override;

  Place* busy;
  Place* jobs;
  ServedArray* served;
  startActivity start;
  serveActivity serve_case1;
  serveActivity serve_case2;
  PostselectGroup serveGroup;
};

class controllerSAN : public SANModel {
 public:
  class auditActivity : public testActivity {
   public:
    auditActivity(int caseNumber, const TestModelParams& params);
    short* jobs_Mark = nullptr;
    short* audited_Mark = nullptr;
    short* budget_Mark = nullptr;
    ServedArray* served = nullptr;
    bool Enabled() override;
    BaseActionClass* Fire() override;
    void LinkVariables() override;
  };

  explicit controllerSAN(const TestModelParams& params = {});
  ~controllerSAN() override;

  Place* jobs;
  ServedArray* served;
  Place* audited;
  Place* budget;
  auditActivity audit_case1;
  auditActivity audit_case2;
  PreselectGroup auditGroup;
};

#endif
