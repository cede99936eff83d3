#ifndef CORVAX_BASE_ACTION_CLASS_H
#define CORVAX_BASE_ACTION_CLASS_H

#include <cstdint>
#include <iostream>

#include "BaseClasses/FastSet.h"
#include "BaseClasses/List.h"

class BaseStateVariableClass;
class SANModel;
struct SchedulingRecord;

// Kinds of firing-time distribution. Stored and printed as numbers; an
// action's timing comes only from its own SampleDistribution().
enum Distribution : int32_t {
  Exponential = 1,
  Deterministic = 2,
  Uniform = 3,
  Geometric = 4,
  Weibull = 5,
  ConditionalWeibull = 6,
  Pareto = 7,
  Erlang = 8,
  HypoExponential = 9,
  HyperExponential = 10,
  Triangular = 11,
  Normal = 12,
  Lognormal = 13,
  Gamma = 14,
  Beta = 15,
  Binomial = 16,
  NegativeBinomial = 17,
  Instantaneous = 18
};

// Execution policy of an activity; stored and printed only.
enum ExecutionPolicyType : int32_t { RaceDisabled = 0, RaceEnabled = 1 };

// A run of an action's affected list: count groups to revisit after it
// fires, in walk order. The runs of many actions may lie in one shared
// sequence (the readers of a variable that every copy of a model changes).
struct AffectedSpan {
  class BaseActionClass* const* targets;
  int count;
};

// What the reward model and the model set-up keep per action: the links to
// state variables and the per-performance-variable reward sets. Read while
// the model and its rewards are built, by tracing, and when an action that
// triggers impulses fires; never by the scheduling steps, so it lives apart
// from the action's own fields.
struct ActionLinks {
  FastSet AffectedNodesByImpulseReward;
  FastSet* ImpulseSets = nullptr;       // [pv]: impulse indices triggered
  int*** ImpulseWorkerLists = nullptr;  // [pv][impulse]: worker indices to call
  int** ImpulseWorkerCounts = nullptr;  // [pv][impulse]: length of that list
  int* ImpulseListLengths = nullptr;    // [pv]: impulses with a list (owned arrays above)
  FastSet* RateSets = nullptr;          // [pv]: model groups affected
  FastSet AffectedNodes;
  FastSet AffectedNodesByRateReward;
  List<BaseStateVariableClass> AffectedVariables;
  List<BaseStateVariableClass> EnablingVariables;
  int NumRatePVs = 0;     // length of RateSets
  int NumImpulsePVs = 0;  // length of ImpulseSets and the two worker arrays
  int SpareCount = 0;
  void* ExecutivePointer = nullptr;
};

// Root of everything the executive can schedule and fire.
//
// The fields are laid out for the scheduling steps, which visit many actions
// per firing: the virtual table pointer, the scheduling record, the affected
// list, the flags and an activity's enabled flags share the first cache line;
// the reward data and the variable links are kept out of line.
class BaseActionClass {
 public:
  static int MaxID;  // one above the highest id handed out

  BaseActionClass();
  BaseActionClass(const char* name, int groupId, Distribution dist, ExecutionPolicyType policy,
                  int unused1, int unused2, bool reactivation);
  BaseActionClass(const BaseActionClass&) = delete;
  BaseActionClass& operator=(const BaseActionClass&) = delete;
  virtual ~BaseActionClass();

  virtual bool isSync();
  virtual bool Enabled();
  virtual double Weight();
  virtual double Rate();
  virtual bool ReactivationPredicate();
  virtual bool ReactivationFunction();
  virtual double SampleDistribution();
  virtual double* ReturnDistributionParameters();
  virtual void SetFired(int fired);
  virtual BaseActionClass* Fire();
  virtual int Rank();
  virtual bool EnablingChange();
  virtual bool IsAMember(BaseActionClass* action);
  virtual double Probability(BaseActionClass* action);
  virtual void printAffectedState(std::ostream* stream);
  virtual void printEnablingState(std::ostream* stream);
  virtual BaseActionClass* getPrintedAction();
  virtual double ErlangParamM();

  void BaseActionClassInitialize(const char* name, int groupId, Distribution dist,
                                 ExecutionPolicyType policy, int unused1, int unused2,
                                 bool reactivation);
  void defineName(const char* newName);
  const char* getName() const { return Name; }
  int getId() const { return Id; }

  // Links to state variables (the action side of enable and affect arcs).
  void addEnablingSV(BaseStateVariableClass* variable);
  void addAffectedSV(BaseStateVariableClass* variable);
  void removeEnablingSV(BaseStateVariableClass* variable);
  void removeAffectedSV(BaseStateVariableClass* variable);
  List<BaseStateVariableClass>* getAffectedVariables() { return &Links->AffectedVariables; }
  List<BaseStateVariableClass>* getEnablingVariables() { return &Links->EnablingVariables; }

  // Per-performance-variable reward data.
  void AllocatePVRateDS(int numPVs);
  bool IsPVRateDSAllocated() const { return Links->RateSets != nullptr; }
  void DeallocatePVRateDS();
  void AllocatePVImpulseDS(int numPVs);
  bool IsPVImpulseDSAllocated() const { return Links->ImpulseSets != nullptr; }
  void DeallocatePVImpulseDS();
  FastSet& AffectedNodesByImpulseReward() { return Links->AffectedNodesByImpulseReward; }
  FastSet& AffectedNodes() { return Links->AffectedNodes; }
  FastSet& AffectedNodesByRateReward() { return Links->AffectedNodesByRateReward; }
  FastSet* ImpulseSets() { return Links->ImpulseSets; }
  int*** ImpulseWorkerLists() { return Links->ImpulseWorkerLists; }
  int** ImpulseWorkerCounts() { return Links->ImpulseWorkerCounts; }
  int* ImpulseListLengths() { return Links->ImpulseListLengths; }
  FastSet* RateSets() { return Links->RateSets; }
  int NumRatePVs() const { return Links->NumRatePVs; }
  int NumImpulsePVs() const { return Links->NumImpulsePVs; }

  // Erlang phases.
  void ResetPhase() { Phase = 1; }
  void Age() { Phase++; }
  bool ReadyToFire() { return static_cast<double>(Phase) == ErlangParamM(); }

  void PrintInfo();

  // True while the action has an event in the event list (its record's heap
  // slot is set). A copy of what the record says, kept beside the flags so
  // that the walks after each firing pass over unscheduled groups without
  // reading their records; only the event list writes it, as it schedules
  // and removes events.
  bool HasEvent() const { return hasEvent_; }

  // The affected list: the groups in its spans, span after span, in order
  // (ForEachAffected). Set by the executive's connectivity builders, which
  // own the spans and the groups they point to.
  const AffectedSpan* AffectedSpans = nullptr;
  SchedulingRecord* Record = nullptr;
  int NumAffectedSpans = 0;
  int Id;
  int GroupId = 0;
  bool Disabled = true;
  bool Reactivation = false;  // the executive's in-reactivation-list flag
  bool Fired = false;

 protected:
  // For the constructor of an action class whose Weight() always returns
  // exactly 1.0 and cannot be overridden. The event list (which reads the
  // flag) then breaks ties among such actions without asking their weights;
  // the draw and its outcome are unchanged.
  void DeclareUnitWeight() { unitWeight_ = true; }

 private:
  friend class EventList;
  // Declared here, among the flags, for the cache line they share.
  bool hasEvent_ = false;
  bool unitWeight_ = false;

 protected:
  // An activity's enabling at its last evaluation and the one before (kept
  // here, beside the executive's flags, so that evaluating an activity's
  // enabling touches one cache line of the framework's fields).
  bool enabled = false;
  bool previouslyEnabled = false;

 public:
  short Phase = 1;
  Distribution DistributionType = Exponential;
  ExecutionPolicyType ExecutionPolicy = RaceEnabled;
  char* Name = nullptr;
  SANModel* ParentModel = nullptr;
  ActionLinks* Links;  // owned
};

// Visits the groups of the action's affected list in order.
template <class Visit>
inline void ForEachAffected(const BaseActionClass* action, Visit visit) {
  const AffectedSpan* span = action->AffectedSpans;
  const AffectedSpan* const end = span + action->NumAffectedSpans;
  for (; span != end; ++span)
    for (BaseActionClass *const *target = span->targets, *const *last = target + span->count;
         target != last; ++target)
      visit(*target);
}

#endif
