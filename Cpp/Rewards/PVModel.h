#ifndef CORVAX_PV_MODEL_H
#define CORVAX_PV_MODEL_H

#include <vector>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseModelClass.h"
#include "Rewards/PerformanceVariableNode.h"

// The reward model: wraps the top of the composed model tree, owns the
// performance variables (nodes) and is told of every firing. The simulation
// loops call, per firing, Accumulate(t) and then FireAction(action, t); at
// the end of a replication EndAccumulate(t), after which every considered
// node holds one observation (AccumulatedValue, AccumulatedSquare); then
// SetState(initial) and PVReset().
//
// A generated reward model derives from PVModel and, in its constructor:
//   setTopModel(new <composed model>);   (PVModel owns and deletes it)
//   DefineName("<name>PVModel");
//   setLastActionFlag(1);
//   CreatePVList(<number of variables>, expandTimes);
//   Initialize();
// and implements createPVNode(variable, timeIndex), returning a new node
// built for that time point (null for an unknown variable).
//
// The firing path keeps two caches:
// - Per action id, filled by Initialize: whether a firing of the action
//   reaches an impulse worker, and the action's place in the action list.
//   Reason: FireAction would otherwise scan the action's reward sets (and a
//   synchronised action's members) at every firing, and CurrentState search
//   the list. Cost: two arrays of MaxID entries.
// - The quiet span: while the last firing reaches no worker and no
//   considered node has rate workers, Accumulate only moves windows, and no
//   window moves before the earliest start of a node not yet started nor
//   up to the earliest stop of a node in progress. Accumulate returns at
//   once inside that span, which holds while PerformanceVariableNode::
//   WindowEpoch() stands still. Reason: most firings of a model reach no
//   worker. Cost: one walk over the considered nodes whenever a window or a
//   state has changed, and one comparison per firing.
class PVModel : public BaseModelClass {
 public:
  PVModel();
  ~PVModel() override;

  // Forwarded to the wrapped model; the state is the wrapped model's state,
  // followed (when LastActionFlag is 1) by the 1-based number of the last
  // fired action in the action list (0 when none), least significant byte
  // first, in as many bytes as the action count needs.
  void listModels(const char* name, List<BaseModelClass>* out) override;
  void CurrentState(void* buffer) override;
  void listActions(List<BaseActionClass>* out) override;
  void listGroups(List<BaseGroupClass>* out) override;
  void SetState(void* buffer) override;
  int StateSize() override;
  bool CompareState(void* first, void* second) override;
  void listActions(const char* name, List<BaseActionClass>* out) override;
  void listSVs(const char* model, const char* variable, List<BaseStateVariableClass>* out,
               List<BaseModelClass>* owners) override;
  void printState(std::ostream* stream) override;
  using BaseModelClass::printState;

  // Set-up.
  void CreatePVList(int numPVs, bool expandTimes);
  void Initialize();
  void MakeAffectedLists();
  void MakeImpulseAffectedLists();
  void CreateAffectedLists();
  // The nodes that Accumulate and EndAccumulate walk: all of them (indices
  // null) or those at the given indices, in that order. The latest
  // finishing time becomes theirs: the largest stop time of the nodes
  // considered (of every node until then).
  void ConsiderOnly(const int* indices, int n);

  // Per firing and per replication.
  inline void Accumulate(double t);
  void EndAccumulate(double t);
  // Sets LastActionTime, fires the action and returns the action that fired
  // (the placeholder when Fire() names none).
  inline BaseActionClass* FireAction(BaseActionClass* action, double t);
  void PVReset();
  void SteadyState();

  void WritePVTypeFile(const char* fileName);
  void Destruct();

  BaseModelClass* getTopModel() { return TopModel; }
  PerformanceVariableNode** getPVs() { return PVs; }
  int getNumPVs() const { return NumPVs; }
  const std::vector<PerformanceVariableNode*>& getConsideredPVs() const { return ConsideredPVs; }
  double getLatestFinishingTime() const { return LatestFinishingTime; }
  BaseActionClass* getLastActionFired() const { return LastActionFired; }
  BaseActionClass* getNoActionFiredYet() { return &NoActionFiredYet; }
  BaseActionClass** getAffectingActions() { return AffectingActions.data(); }
  int getNumAffectingActions() const { return static_cast<int>(AffectingActions.size()); }
  void setLastActionFlag(int flag) { LastActionFlag = flag; }
  void setTopModel(BaseModelClass* model) { TopModel = model; }

  // Builds the node of variable pvIndex for time point timeIndex; null for
  // an unknown variable.
  virtual PerformanceVariableNode* createPVNode(int pvIndex, int timeIndex) = 0;

 protected:
  // True when a firing of A reaches an impulse worker of some variable.
  static bool triggersImpulses(BaseActionClass* A);
  inline void rememberLastAction(BaseActionClass* A);
  // Records the times up to which AdvanceWindow changes no considered node:
  // before the earliest start of a node not yet started, and up to the
  // earliest stop of a node in progress.
  void findQuietSpan();
  int lastActionNumber() const;

  BaseModelClass* TopModel = nullptr;
  PerformanceVariableNode** PVs = nullptr;
  int NumPVs = 0;
  int PVCapacity = 0;
  BaseActionClass NoActionFiredYet;
  BaseActionClass* LastActionFired = nullptr;
  BaseActionClass SpareAction;
  std::vector<PerformanceVariableNode*> ConsideredPVs;
  std::vector<BaseActionClass*> AffectingActions;
  std::vector<FastSet*> AffectedNodeSets;  // beside AffectingActions
  int NumRateActions = 0;
  double LatestFinishingTime = 0.0;
  int LastActionFlag = 0;
  int ModelStateSize = 0;
  int LastActionBytes = 0;
  int TotalStateSize = 0;

  // Per action id: 1 when a firing of that action reaches an impulse
  // worker, 0 when not, 2 when the action is not one of the model's.
  std::vector<unsigned char> TriggersImpulseById;
  // Per action id: 1-based position in the action list, 0 when not listed.
  std::vector<int> ActionNumberById;
  bool LastActionTriggersImpulses = false;
  // The span found by findQuietSpan, valid while the nodes' window epoch is
  // QuietEpoch (and never before the first search).
  double QuietBefore = 0.0;
  double QuietThrough = 0.0;
  unsigned long QuietEpoch = ~0UL;
  bool ConsideredHaveRateWorkers = false;
  bool Initialized = false;
};

inline void PVModel::Accumulate(double t) {
  if (!LastActionTriggersImpulses && !ConsideredHaveRateWorkers) {
    // No worker of any considered node is reached: only windows move, and
    // none does before the next window bound.
    if (QuietEpoch == PerformanceVariableNode::WindowEpoch() && t < QuietBefore &&
        t <= QuietThrough)
      return;
    for (PerformanceVariableNode* node : ConsideredPVs) node->AdvanceWindow(t);
    findQuietSpan();
    return;
  }
  const double T = LastActionTime;
  BaseActionClass* A = LastActionFired;
  for (PerformanceVariableNode* node : ConsideredPVs) node->Accumulate(t, T, A);
}

inline void PVModel::rememberLastAction(BaseActionClass* A) {
  LastActionFired = A;
  const unsigned id = static_cast<unsigned>(A->Id);
  const unsigned char known = id < TriggersImpulseById.size() ? TriggersImpulseById[id] : 2;
  LastActionTriggersImpulses = known == 2 ? triggersImpulses(A) : known != 0;
}

inline BaseActionClass* PVModel::FireAction(BaseActionClass* action, double t) {
  LastActionTime = t;
  BaseActionClass* fired = action->Fire();
  rememberLastAction(fired ? fired : &NoActionFiredYet);
  return LastActionFired;
}

#endif
