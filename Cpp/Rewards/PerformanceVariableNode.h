#ifndef CORVAX_PERFORMANCE_VARIABLE_NODE_H
#define CORVAX_PERFORMANCE_VARIABLE_NODE_H

#include <memory>
#include <string>
#include <vector>

#include "BaseClasses/List.h"
#include "Rewards/ActionModelPairClass.h"
#include "Rewards/ImpulseNodeClass.h"
#include "Rewards/ModelGroupClass.h"
#include "Rewards/PerformanceVariableWorker.h"
#include "Rewards/RateAggregate.h"
#include "Rewards/RewardType.h"
#include "Rewards/VarModelPairClass.h"

class BaseActionClass;
class BaseModelClass;

// One performance variable at one time point. It is computed by workers,
// one per combination of the model instances it depends on: rate workers
// (PerformanceVariableWorker) and, per impulse reward, impulse workers
// (made by the impulse node the variable registers with AddImpulse). At the
// end of a replication or batch it holds one observation: AccumulatedValue
// and AccumulatedSquare (the sum of the workers' squares).
//
// A generated variable, in its constructor (argument: the time index):
//   Initialize(name, type, numTimes, starts, stops, timeIndex,
//              numImpulses, numModelDeps, numVarDeps);
//   AddImpulse("<action>", "<model>", &itsImpulse0);   // per impulse
//   AddModelDependency(...), AddVariableDependency(...) // rate rewards only
//   SetAggregate(kind, least)  // a rate reward that is not the workers' sum
// The impulse node stays the generated variable's (usually a member); the
// variable owns the workers it makes. CreateWorkerList() fills
// Workers[0 .. GetNumberOfWorkers()-1] with new rate workers, which the
// variable then owns (it does nothing for a variable without rate reward).
// The reward model binds the variable to the model tree (PVModel::Initialize).
class PerformanceVariableNode {
 public:
  // Accumulation states.
  enum { NotStarted = 0, InProgress = 1, Complete = 2 };

  // Number of the next variable to be initialised.
  static int the_id;
  // The window epoch: a process-wide count that moves on whenever the
  // accumulation state or the window of any node may have changed. It is
  // the key of the reward model's quiet-span cache (PVModel::Accumulate):
  // on a firing that reaches no worker, the reward model skips the walk over
  // its nodes while the epoch stands still and the time lies before the
  // next window bound. Reason: most firings of a model reach no worker, and
  // the walk would only confirm that no window moves. Cost: one increment in
  // every operation below that may change a window or a state, and one
  // comparison per firing. The window fields are private so that no write
  // can leave the cache stale; every writer goes through the node's own
  // operations or the setters, which move the epoch on.
  static unsigned long WindowEpoch() { return windowEpoch_; }

  PerformanceVariableNode() = default;
  PerformanceVariableNode(const PerformanceVariableNode&) = delete;
  PerformanceVariableNode& operator=(const PerformanceVariableNode&) = delete;
  virtual ~PerformanceVariableNode();
  // Creates the rate workers (NumWorkers of them, known after FixReferences).
  virtual void CreateWorkerList() = 0;
  virtual void Reset();

  void Initialize(const char* name, RewardType type, int numTimes, const double* startTimes,
                  const double* stopTimes, int timeIndex, int numImpulses, int numModelDeps,
                  int numVarDeps);
  void InitializeTimeArrays(int n, const double* startTimes, const double* stopTimes);
  void DefineName(const char* name);

  RewardType GetRewardType() const { return Type; }
  int GetNumTimePoints() const { return NumTimePoints; }
  double GetStartTime(int i) const { return StartTimes[i]; }
  double GetStopTime(int i) const { return StopTimes[i]; }

  // Observation arithmetic; t the current time, T the time of the latest
  // firing, A the action of that firing.
  inline void Accumulate(double t, double T, BaseActionClass* A);
  void EndAccumulate(double t, double T, BaseActionClass* A);
  void CommonAccumulate(double t, double T, BaseActionClass* A);
  // The impulse part of CommonAccumulate: the workers that A reaches.
  void AccumulateImpulses(double t, double T, BaseActionClass* A);
  void TotalAccumulation();
  void UpdateAccumulate(double t);
  // The window part of Accumulate alone: what Accumulate does for a firing
  // that reaches none of this variable's workers.
  inline void AdvanceWindow(double t);
  void CurrentReward(BaseActionClass* A);

  // Dependencies, declared by the generated constructor.
  void AddVariableDependency(const char* variable, const char* model);
  void AddModelDependency(const char* model);
  bool IsDependentOnModel(const char* model) const;
  void UpdateDependencies();
  void AddImpulse(const char* action, const char* model, ImpulseNodeClass* impulse);
  void AddImpulseModelDependency(const char* model, ImpulseNodeClass* impulse);
  void AddImpulseModelDependency(const char* model, int index);
  void AddImpulseActionDependency(const char* action, int index);
  // The rate reward becomes the aggregate of the workers' rewards (one
  // worker per instance of its model) instead of their sum.
  void SetAggregate(RateAggregate::Kind kind, double least = 0.0);
  bool IsDependentOnImpulseModel(const char* model, int index) const;
  int GetImpulseNumber(const ImpulseNodeClass* impulse) const;
  // True when A (or, for a synchronised action, one of its members) triggers
  // an impulse of this variable.
  bool ImpulseAffectedBy(BaseActionClass* A) const;

  // Binding to the model tree (run by PVModel::Initialize, in this order).
  void FixReferences(BaseModelClass* topModel);
  void GetNumberOfImpulseWorkers();
  void CreateModelGroupList();
  void FixWorkerList();
  void AddPVWorkersToAction(BaseActionClass* action, BaseModelClass* model);
  // Tells every action that changes a variable the rate reward reads which
  // workers it affects (its rate set for this variable, shared with the
  // actions that reach the same workers), and counts it among the
  // variable's rate-affecting actions. numPVs sizes the actions' rate data.
  void BindRateActions(int numPVs);
  void CreateImpulseModelGroupList();
  void CreateImpulseWorkerLists();
  void FixImpulseWorkerLists();
  // Tells the action of every impulse, in every instance of its model,
  // which impulse workers its firing reaches; appends each such action to
  // triggering.
  void BindImpulseActions(int numPVs, List<BaseActionClass>* triggering);
  int GetNumberOfWorkers() const { return NumWorkers; }

  const char* getName() const { return Name.c_str(); }
  int getNodeNumber() const { return NodeNumber; }
  int getState() const { return state_; }
  int getNumImpulses() const { return NumImpulses; }
  ImpulseNodeClass* getImpulse(int impulse) const { return Impulses[impulse]; }
  int getNumImpulseWorkers(int impulse) const { return NumImpulseWorkers[impulse]; }
  ImpulseNodeClass* getImpulseWorker(int impulse, int worker) const {
    return ImpulseWorkers[impulse][worker];
  }
  const ModelGroupClass& getModelGroup(int worker) const { return ModelGroups[worker]; }
  const std::vector<BaseActionClass*>& getAffectingActions() const { return AffectingActions; }
  void appendAffectingAction(BaseActionClass* action) { AffectingActions.push_back(action); }

  // Window of this node's time point (slides on Reset when the
  // window-sliding flag is 1) and accumulation state.
  double getCurrentStartTime() const { return currentStartTime_; }
  double getCurrentStopTime() const { return currentStopTime_; }
  int getSlidingWindow() const { return slidingWindow_; }
  // A stop time beyond every firing (the executive's way of leaving a
  // variable it does not observe unfinished), or any other window end.
  void SetCurrentStopTime(double stop);
  // 1: after each Reset() the next window of the same length follows.
  void SetSlidingWindow(int flag);

  // Observation.
  double AccumulatedValue = 0.0;
  double AccumulatedSquare = 0.0;

 protected:
  // The exit of a set-up error that the model generator must fix.
  [[noreturn]] static void SetUpError();
  void resetImpulseWindows();

  std::string Name;
  int NumTimePoints = 0;
  double* StartTimes = nullptr;
  double* StopTimes = nullptr;
  double ImpulseTotal = 0.0;
  double ImpulseSquareTotal = 0.0;
  double IntervalLength = 0.0;
  RewardType Type = InstantOfTime;
  int NodeNumber = -1;
  BaseModelClass* TheModel = nullptr;

  std::vector<BaseActionClass*> AffectingActions;
  int NumImpulseAffectingActions = 0;
  int NumRateAffectingActions = 0;

  // Rate rewards.
  std::vector<ModelGroupClass> ModelGroups;  // one per rate worker
  int NumWorkers = 0;
  PerformanceVariableWorker** Workers = nullptr;  // owned, with the workers
  std::vector<VarModelPairClass> VarDeps;
  std::vector<std::string> ModelDeps;

  // Impulse rewards, per impulse index.
  int NumImpulses = 0;      // registered by AddImpulse
  int ImpulseCapacity = 0;  // declared to Initialize
  std::vector<int> NumImpulseWorkers;
  std::vector<int> NumImpulseModelInstances;
  std::vector<ImpulseNodeClass*> Impulses;         // the generated variable's own
  std::vector<ImpulseNodeClass**> ImpulseWorkers;  // owned, with the workers
  std::vector<ActionModelPairClass> ImpulsePairs;
  std::vector<std::vector<std::string>> ImpulseModelDeps;
  std::vector<std::vector<ModelGroupClass>> ImpulseModelGroups;
  bool HasRateWorkers = false;

 private:
  static void noteWindowChange() { windowEpoch_++; }
  void setState(int state);
  // The window has ended, simulated up to t: the impulse workers complete
  // (a time-averaged one becomes an average over the part simulated), the
  // state becomes Complete and the observation is totalled. Every path that
  // closes a window goes through here, so that each window is averaged once
  // whichever path closes it.
  void CompleteWindow(double t);
  void CompleteImpulses(double t);
  // The aggregate of the workers' rewards in the present state, after A
  // fired: every worker when the kept values are stale, else worker 0 (for
  // the weight) and the workers whose reads A (or a member of a
  // synchronised A) changes.
  double AggregateReward(double t, double T, BaseActionClass* A);
  void RefreshAffectedWorkers(BaseActionClass* A);

  static unsigned long windowEpoch_;
  double currentStartTime_ = 0.0;
  double currentStopTime_ = 0.0;
  int state_ = NotStarted;
  int slidingWindow_ = 0;
  // The kept per-worker values of an aggregate rate reward (null for a sum)
  // and whether they are those of the present state. Reason: a firing then
  // costs the workers it affects rather than every worker. They go stale
  // whenever a firing passes this variable by (before its window, after it
  // completed) and on Reset, when the state is set anew; the next
  // accumulation then evaluates every worker once.
  std::unique_ptr<RateAggregate> aggregate_;
  double aggregateReward_ = 0.0;
  bool aggregateFresh_ = false;

  friend class PVModel;
};

inline void PerformanceVariableNode::setState(int state) {
  state_ = state;
  noteWindowChange();
}

inline void PerformanceVariableNode::AdvanceWindow(double t) {
  if (state_ == Complete || t < currentStartTime_) return;
  if (t <= currentStopTime_)
    setState(InProgress);
  else
    CompleteWindow(t);
}

inline void PerformanceVariableNode::Accumulate(double t, double T, BaseActionClass* A) {
  if (state_ == Complete || t < currentStartTime_) {
    aggregateFresh_ = false;  // the firing of A changed values unseen
    return;
  }
  CommonAccumulate(t, T, A);
  if (t <= currentStopTime_)
    setState(InProgress);
  else
    CompleteWindow(t);
}

#endif
