#include "Rewards/PerformanceVariableNode.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <unordered_map>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "BaseClasses/BaseModelClass.h"
#include "BaseClasses/state/BaseStateVariableClass.h"
#include "Rewards/ImpulseNodeClass.h"
#include "Rewards/IntervalOfTimeImpulse.h"
#include "Rewards/PerformanceVariableWorker.h"

int PerformanceVariableNode::the_id = 0;
unsigned long PerformanceVariableNode::windowEpoch_ = 0;

namespace {
double* copyTimes(int n, const double* times) {
  double* copy = new double[n > 0 ? n : 0];
  std::copy(times, times + (n > 0 ? n : 0), copy);
  return copy;
}

int countModels(BaseModelClass* top, const std::string& name) {
  List<BaseModelClass> models;
  top->listModels(name.c_str(), &models);
  return models.getNumItems();
}

// True when the frozen (or still open) set holds v; scans from the front.
bool setHolds(FastSet& set, int v) {
  if (!set.isFrozen()) return set.contains(v);
  const int n = set.size();
  for (int i = 0; i < n; i++)
    if (set[i] == v) return true;
  return false;
}
}  // namespace

PerformanceVariableNode::~PerformanceVariableNode() {
  delete[] StartTimes;
  delete[] StopTimes;
  for (int w = 0; Workers && w < NumWorkers; w++) delete Workers[w];
  delete[] Workers;
  for (std::size_t i = 0; i < ImpulseWorkers.size(); i++) {
    if (!ImpulseWorkers[i]) continue;
    for (int j = 0; j < NumImpulseWorkers[i]; j++) delete ImpulseWorkers[i][j];
    delete[] ImpulseWorkers[i];
  }
}

void PerformanceVariableNode::SetUpError() { std::exit(1); }

// ---- Definition -------------------------------------------------------------

void PerformanceVariableNode::Initialize(const char* name, RewardType type, int numTimes,
                                         const double* startTimes, const double* stopTimes,
                                         int timeIndex, int numImpulses, int numModelDeps,
                                         int numVarDeps) {
  assert(numTimes > 0 && 0 <= timeIndex && timeIndex < numTimes && "time index of the variable");
  NodeNumber = the_id++;
  Type = type;
  InitializeTimeArrays(numTimes, startTimes, stopTimes);
  currentStartTime_ = StartTimes[timeIndex];
  currentStopTime_ = StopTimes[timeIndex];
  noteWindowChange();
  IntervalLength = currentStopTime_ - currentStartTime_;
  DefineName(name);
  VarDeps.clear();
  VarDeps.reserve(numVarDeps > 0 ? numVarDeps : 0);
  ModelDeps.clear();
  ModelDeps.reserve(numModelDeps > 0 ? numModelDeps : 0);
  ImpulseCapacity = numImpulses > 0 ? numImpulses : 0;
  NumImpulses = 0;
  NumImpulseWorkers.assign(ImpulseCapacity, 0);
  NumImpulseModelInstances.assign(ImpulseCapacity, 0);
  Impulses.assign(ImpulseCapacity, nullptr);
  ImpulseWorkers.assign(ImpulseCapacity, nullptr);
  ImpulsePairs.assign(ImpulseCapacity, ActionModelPairClass());
  ImpulseModelDeps.assign(ImpulseCapacity, {});
  ImpulseModelGroups.assign(ImpulseCapacity, {});
}

void PerformanceVariableNode::InitializeTimeArrays(int n, const double* startTimes,
                                                   const double* stopTimes) {
  double* starts = copyTimes(n, startTimes);
  double* stops = copyTimes(n, stopTimes);
  delete[] StartTimes;
  delete[] StopTimes;
  StartTimes = starts;
  StopTimes = stops;
  NumTimePoints = n > 0 ? n : 0;
}

void PerformanceVariableNode::DefineName(const char* name) { Name = name ? name : ""; }

void PerformanceVariableNode::AddVariableDependency(const char* variable, const char* model) {
  VarDeps.emplace_back();
  VarDeps.back().SetPair(variable, model);
}

void PerformanceVariableNode::AddModelDependency(const char* model) {
  ModelDeps.emplace_back(model ? model : "");
}

bool PerformanceVariableNode::IsDependentOnModel(const char* model) const {
  return model && std::find(ModelDeps.begin(), ModelDeps.end(), model) != ModelDeps.end();
}

// Every model whose variables the rate reward reads is a model dependency.
void PerformanceVariableNode::UpdateDependencies() {
  for (const VarModelPairClass& pair : VarDeps)
    if (!IsDependentOnModel(pair.GetModel())) AddModelDependency(pair.GetModel());
}

void PerformanceVariableNode::AddImpulse(const char* action, const char* model,
                                         ImpulseNodeClass* impulse) {
  int index = GetImpulseNumber(impulse);
  if (index < 0) {
    assert(NumImpulses < ImpulseCapacity && "more impulses than the variable declared");
    index = NumImpulses++;
    Impulses[index] = impulse;
    ImpulseModelDeps[index].clear();
    ImpulseModelDeps[index].reserve(impulse->getNumReferenceSlots());
  }
  ImpulsePairs[index].SetPair(action, model);
  AddImpulseModelDependency(model, impulse);
}

void PerformanceVariableNode::AddImpulseModelDependency(const char* model,
                                                        ImpulseNodeClass* impulse) {
  const int index = GetImpulseNumber(impulse);
  if (index < 0) {
    std::cerr << "Model Dependency requested on undefined impulse."
              << "  Check code generator.  Error code GP0001.\n";
    SetUpError();
  }
  if (!IsDependentOnImpulseModel(model, index)) AddImpulseModelDependency(model, index);
}

void PerformanceVariableNode::AddImpulseModelDependency(const char* model, int index) {
  assert(0 <= index && index < NumImpulses && "impulse index");
  ImpulseModelDeps[index].emplace_back(model ? model : "");
}

void PerformanceVariableNode::AddImpulseActionDependency(const char* action, int index) {
  assert(0 <= index && index < NumImpulses && "impulse index");
  ImpulsePairs[index].SetAction(action);
}

bool PerformanceVariableNode::IsDependentOnImpulseModel(const char* model, int index) const {
  const std::vector<std::string>& deps = ImpulseModelDeps[index];
  return model && std::find(deps.begin(), deps.end(), model) != deps.end();
}

int PerformanceVariableNode::GetImpulseNumber(const ImpulseNodeClass* impulse) const {
  for (int i = 0; i < NumImpulses; i++)
    if (Impulses[i] == impulse) return i;
  return -1;
}

bool PerformanceVariableNode::ImpulseAffectedBy(BaseActionClass* A) const {
  if (setHolds(A->AffectedNodesByImpulseReward(), NodeNumber)) return true;
  if (!A->isSync()) return false;
  auto* group = dynamic_cast<BaseGroupClass*>(A);
  for (int i = 0; group && i < group->getNumMembers(); i++)
    if (ImpulseAffectedBy(group->getMember(i))) return true;
  return false;
}

// ---- Observation arithmetic ---------------------------------------------

void PerformanceVariableNode::CommonAccumulate(double t, double T, BaseActionClass* A) {
  if (NumWorkers > 0) {
    double r = 0.0;
    if (aggregate_) {
      r = AggregateReward(t, T, A);
    } else {
      for (int w = 0; w < NumWorkers; w++) {
        Workers[w]->IntervalReward(t, T);
        r += Workers[w]->Reward;
      }
    }
    if (Type != InstantOfTime) {
      const double weight = Workers[0]->Weight;
      AccumulatedValue += weight * r;
      AccumulatedSquare += weight * r * r;
    }
  }
  AccumulateImpulses(t, T, A);
}

double PerformanceVariableNode::AggregateReward(double t, double T, BaseActionClass* A) {
  Workers[0]->IntervalReward(t, T);
  aggregate_->Set(0, Workers[0]->Reward);
  if (aggregateFresh_) {
    RefreshAffectedWorkers(A);
  } else {
    for (int w = 1; w < NumWorkers; w++) {
      Workers[w]->StateReward();
      aggregate_->Set(w, Workers[w]->Reward);
    }
    aggregateFresh_ = true;
  }
  aggregateReward_ = aggregate_->Value();
  return aggregateReward_;
}

void PerformanceVariableNode::RefreshAffectedWorkers(BaseActionClass* A) {
  if (NodeNumber < A->NumRatePVs()) {
    const FastSet& workers = A->RateSets()[NodeNumber];
    const int n = workers.isFrozen() ? workers.size() : 0;
    for (int i = 0; i < n; i++) {
      const int w = workers[i];
      Workers[w]->StateReward();
      aggregate_->Set(w, Workers[w]->Reward);
    }
  }
  if (A->isSync()) {
    auto* group = dynamic_cast<BaseGroupClass*>(A);
    for (int i = 0; group && i < group->getNumMembers(); i++)
      RefreshAffectedWorkers(group->getMember(i));
  }
}

void PerformanceVariableNode::SetAggregate(RateAggregate::Kind kind, double least) {
  aggregate_ = std::make_unique<RateAggregate>(kind, least);
  aggregateFresh_ = false;
}

// A's own lists hold this variable exactly when its node set does, so the
// members of a synchronised action are visited whether or not A itself
// reaches the variable.
void PerformanceVariableNode::AccumulateImpulses(double t, double T, BaseActionClass* A) {
  if (NodeNumber < A->NumImpulsePVs() && setHolds(A->AffectedNodesByImpulseReward(), NodeNumber)) {
    FastSet& impulses = A->ImpulseSets()[NodeNumber];
    const int numImpulses = impulses.isFrozen() ? impulses.size() : 0;
    for (int n = 0; n < numImpulses; n++) {
      const int g = impulses[n];
      const int* list = A->ImpulseWorkerLists()[NodeNumber][g];
      const int count = A->ImpulseWorkerCounts()[NodeNumber][g];
      for (int c = 0; c < count; c++) ImpulseWorkers[g][list[c]]->Accumulate(t, T);
    }
  }
  if (A->isSync()) {
    auto* group = dynamic_cast<BaseGroupClass*>(A);
    for (int i = 0; group && i < group->getNumMembers(); i++)
      AccumulateImpulses(t, T, group->getMember(i));
  }
}

void PerformanceVariableNode::EndAccumulate(double t, double T, BaseActionClass* A) {
  if (state_ == Complete) return;
  CommonAccumulate(t, T, A);
  CompleteImpulses(t);
  // The window counts as complete within one time unit of its end, and at
  // its end however large the time (where t + 1.0 rounds to t).
  if (t + 1.0 > currentStopTime_ || t >= currentStopTime_)
    CompleteWindow(t);
  else
    setState(InProgress);
}

void PerformanceVariableNode::CompleteImpulses(double t) {
  for (int i = 0; i < NumImpulses; i++)
    for (int j = 0; j < NumImpulseWorkers[i]; j++) ImpulseWorkers[i][j]->completeAccumulation(t);
}

void PerformanceVariableNode::CompleteWindow(double t) {
  CompleteImpulses(t);
  setState(Complete);
  TotalAccumulation();
}

void PerformanceVariableNode::TotalAccumulation() {
  if (Type == InstantOfTime && NumWorkers > 0) {
    double r = 0.0;
    if (aggregate_)
      r = aggregateReward_;
    else
      for (int w = 0; w < NumWorkers; w++) r += Workers[w]->Reward;
    const double weight = Workers[0]->Weight;
    AccumulatedValue += weight * r;
    AccumulatedSquare += weight * r * r;
  }
  ImpulseTotal = 0.0;
  ImpulseSquareTotal = 0.0;
  for (int i = 0; i < NumImpulses; i++)
    for (int j = 0; j < NumImpulseWorkers[i]; j++) {
      const double v = ImpulseWorkers[i][j]->Value;
      ImpulseTotal += v;
      ImpulseSquareTotal += v * v;
    }
  AccumulatedValue += ImpulseTotal;
  AccumulatedSquare += ImpulseSquareTotal;
}

void PerformanceVariableNode::UpdateAccumulate(double t) {
  if (t > currentStopTime_)
    CompleteWindow(t);
  else
    setState(InProgress);
}

void PerformanceVariableNode::SetCurrentStopTime(double stop) {
  currentStopTime_ = stop;
  noteWindowChange();
}

void PerformanceVariableNode::SetSlidingWindow(int flag) {
  slidingWindow_ = flag;
  noteWindowChange();
}

void PerformanceVariableNode::Reset() {
  setState(NotStarted);
  aggregateFresh_ = false;
  AccumulatedValue = 0.0;
  AccumulatedSquare = 0.0;
  for (int w = 0; w < NumWorkers; w++) Workers[w]->Reset();
  for (int i = 0; i < NumImpulses; i++)
    for (int j = 0; j < NumImpulseWorkers[i]; j++) ImpulseWorkers[i][j]->Reset();
  ImpulseTotal = 0.0;
  ImpulseSquareTotal = 0.0;
  if (slidingWindow_ == 1) {
    currentStartTime_ = currentStopTime_;
    currentStopTime_ = currentStopTime_ + IntervalLength;
    resetImpulseWindows();
  }
}

// The impulse workers count in the node's window, also after it slid on.
void PerformanceVariableNode::resetImpulseWindows() {
  for (int i = 0; i < NumImpulses; i++)
    for (int j = 0; j < NumImpulseWorkers[i]; j++)
      if (auto* interval = dynamic_cast<IntervalOfTimeImpulse*>(ImpulseWorkers[i][j]))
        interval->SetWindow(currentStartTime_, currentStopTime_);
}

// The state may have been set from anywhere: an aggregate evaluates every
// worker, and its kept values are then the present state's.
void PerformanceVariableNode::CurrentReward(BaseActionClass* A) {
  double r = 0.0;
  for (int w = 0; w < NumWorkers; w++) {
    Workers[w]->CurrentReward();
    if (aggregate_)
      aggregate_->Set(w, Workers[w]->Reward);
    else
      r += Workers[w]->Reward;
  }
  if (aggregate_ && NumWorkers > 0) {
    aggregateFresh_ = true;
    aggregateReward_ = r = aggregate_->Value();
  }
  AccumulatedValue += r;
  AccumulatedSquare += r * r;
  if (!ImpulseAffectedBy(A) || NodeNumber >= A->NumImpulsePVs()) return;
  FastSet& impulses = A->ImpulseSets()[NodeNumber];
  const int numImpulses = impulses.isFrozen() ? impulses.size() : 0;
  for (int n = 0; n < numImpulses; n++) {
    const int g = impulses[n];
    const int* list = A->ImpulseWorkerLists()[NodeNumber][g];
    for (int c = 0; c < A->ImpulseWorkerCounts()[NodeNumber][g]; c++) {
      ImpulseNodeClass* worker = ImpulseWorkers[g][list[c]];
      worker->CurrentImpulse();
      ImpulseTotal += worker->Value;
      ImpulseSquareTotal += worker->Value * worker->Value;
      AccumulatedValue += worker->Value;
      AccumulatedSquare += worker->Value * worker->Value;
    }
  }
}

// ---- Binding to the model tree ------------------------------------------

void PerformanceVariableNode::FixReferences(BaseModelClass* topModel) {
  TheModel = topModel;
  NumWorkers = 0;
  if (!ModelDeps.empty()) {
    NumWorkers = 1;
    for (const std::string& model : ModelDeps) NumWorkers *= countModels(TheModel, model);
  }
  GetNumberOfImpulseWorkers();
  delete[] Workers;
  Workers = new PerformanceVariableWorker*[NumWorkers]();
  HasRateWorkers = NumWorkers > 0;
  if (aggregate_) aggregate_->Resize(NumWorkers);
  aggregateFresh_ = false;
}

void PerformanceVariableNode::GetNumberOfImpulseWorkers() {
  for (int i = 0; i < NumImpulses; i++) {
    int count = 1;
    for (const std::string& model : ImpulseModelDeps[i]) count *= countModels(TheModel, model);
    const char* own = ImpulsePairs[i].GetModel();
    NumImpulseModelInstances[i] = countModels(TheModel, own);
    if (!IsDependentOnImpulseModel(own, i)) count *= NumImpulseModelInstances[i];
    NumImpulseWorkers[i] = count;
  }
}

// Worker w's slot k cycles through the instances of dependency k, the first
// dependency changing slowest, so that the workers cover every combination.
void PerformanceVariableNode::CreateModelGroupList() {
  ModelGroups.assign(NumWorkers, ModelGroupClass());
  for (ModelGroupClass& group : ModelGroups)
    group.CreateModelList(static_cast<int>(ModelDeps.size()));
  int divisor = NumWorkers;
  for (std::size_t k = 0; k < ModelDeps.size(); k++) {
    List<BaseModelClass> models;
    TheModel->listModels(ModelDeps[k].c_str(), &models);
    const int found = models.getNumItems();
    if (found == 0) {
      std::cerr << "Number of " << ModelDeps[k] << "'s was " << found
                << ".  Model cannot be created.\n";
      if (TheModel && TheModel->getName())
        std::cerr << "Model Name was: " << TheModel->getName() << "\n.";
      else
        std::cerr << "Model Name was: NULL\n";
      SetUpError();
    }
    const int quotient = std::max(1, divisor / found);
    divisor = quotient;
    int current = -1;
    for (int w = 0; w < NumWorkers; w++) {
      if (w % quotient == 0) current = (current + 1) % found;
      ModelGroups[w].SetModel(static_cast<int>(k), models[current]);
    }
  }
}

void PerformanceVariableNode::FixWorkerList() {
  for (int w = 0; w < NumWorkers; w++) {
    assert(Workers[w] && "CreateWorkerList must create every rate worker");
    Workers[w]->DefineName(Name.c_str(), w);
    Workers[w]->VariableNumber = NodeNumber;
    Workers[w]->ModelGroupIndex = w;
  }
}

void PerformanceVariableNode::AddPVWorkersToAction(BaseActionClass* action, BaseModelClass* model) {
  for (int w = 0; w < NumWorkers; w++)
    if (ModelGroups[w].IsDependentOnModel(model)) action->RateSets()[NodeNumber].insert(w);
}

// The rate set of an action for this variable is the union, over every
// (model instance, variable) pair the reward reads whose variable the action
// changes, of the workers that depend on the instance (AddPVWorkersToAction
// for each pair). Pair by pair that costs the number of workers for every
// action of every pair: with a variable shared by N copies of a model, N^3.
// Instead the pairs are gathered by their variable's affecting list (one
// list per share group), each list's union of workers is computed once from
// an index of the workers by instance, and every action of the list takes
// that union; an action reached through several lists takes the union of
// theirs, computed once per combination of lists. Actions with the same
// set share its frozen array.
void PerformanceVariableNode::BindRateActions(int numPVs) {
  const int k = NodeNumber;
  std::unordered_map<const BaseModelClass*, std::vector<int>> workersOf;
  for (int w = 0; w < NumWorkers; w++)
    for (int slot = 0; slot < ModelGroups[w].GetNumModels(); slot++) {
      std::vector<int>& workers = workersOf[ModelGroups[w].GetModel(slot)];
      if (workers.empty() || workers.back() != w) workers.push_back(w);
    }

  // Per affecting list reached: its actions and the workers of its pairs.
  std::vector<List<BaseActionClass>*> reachedLists;
  std::vector<std::vector<int>> reachedWorkers;
  std::unordered_map<const List<BaseActionClass>*, int> reachOf;
  for (const VarModelPairClass& pair : VarDeps) {
    List<BaseStateVariableClass> variables;
    List<BaseModelClass> owners;
    TheModel->listSVs(pair.GetModel(), pair.GetVariable(), &variables, &owners);
    for (int o = 0; o < owners.getNumItems(); o++) {
      // The owner's own variables, so that each is paired with its model.
      List<BaseStateVariableClass> ownVariables;
      List<BaseModelClass> self;
      owners[o]->listSVs(pair.GetModel(), pair.GetVariable(), &ownVariables, &self);
      const auto found = workersOf.find(owners[o]);
      for (int v = 0; v < ownVariables.getNumItems(); v++) {
        List<BaseActionClass>* affecting = ownVariables[v]->getAffectingActions();
        if (!affecting) continue;
        const auto [entry, added] =
            reachOf.emplace(affecting, static_cast<int>(reachedLists.size()));
        if (added) {
          reachedLists.push_back(affecting);
          reachedWorkers.emplace_back();
        }
        if (found != workersOf.end()) {
          std::vector<int>& workers = reachedWorkers[entry->second];
          workers.insert(workers.end(), found->second.begin(), found->second.end());
        }
      }
    }
  }

  // Per action, the lists that reach it, in the order first reached.
  std::vector<BaseActionClass*> reachedActions;
  std::unordered_map<BaseActionClass*, std::vector<int>> listsOf;
  for (std::size_t r = 0; r < reachedLists.size(); r++) {
    List<BaseActionClass>* actions = reachedLists[r];
    for (int a = 0; a < actions->getNumItems(); a++) {
      BaseActionClass* action = (*actions)[a];
      if (!action->IsPVRateDSAllocated()) action->AllocatePVRateDS(numPVs);
      if (action->RateSets()[k].empty() && !action->AffectedNodesByRateReward().find(k)) {
        const bool inserted = action->AffectedNodesByRateReward().insert(k);
        assert(inserted && "Action->AffectedNodesByRateReward.insert(PVCounter)");
        (void)inserted;
        NumRateAffectingActions++;
      }
      std::vector<int>& lists = listsOf[action];
      if (lists.empty()) reachedActions.push_back(action);
      if (lists.empty() || lists.back() != static_cast<int>(r))
        lists.push_back(static_cast<int>(r));
    }
  }

  // One frozen array per combination of lists.
  std::map<std::vector<int>, std::pair<std::shared_ptr<const int[]>, int>> unions;
  for (BaseActionClass* action : reachedActions) {
    std::vector<int> lists = listsOf[action];
    std::sort(lists.begin(), lists.end());
    lists.erase(std::unique(lists.begin(), lists.end()), lists.end());
    auto [entry, added] = unions.try_emplace(lists);
    if (added) {
      std::vector<int> workers;
      for (int r : lists)
        workers.insert(workers.end(), reachedWorkers[r].begin(), reachedWorkers[r].end());
      std::sort(workers.begin(), workers.end());
      workers.erase(std::unique(workers.begin(), workers.end()), workers.end());
      std::shared_ptr<int[]> members(new int[workers.empty() ? 1 : workers.size()]);
      std::copy(workers.begin(), workers.end(), members.get());
      entry->second = {std::move(members), static_cast<int>(workers.size())};
    }
    action->RateSets()[k].FreezeAs(entry->second.first, entry->second.second);
  }
}

// Block m of an impulse's workers serves instance m of the impulse's model.
// Within a block, a slot of the impulse's own model holds instance m; the
// slots of the other dependencies run through every combination of their
// instances, the first dependency changing slowest.
void PerformanceVariableNode::CreateImpulseModelGroupList() {
  for (int i = 0; i < NumImpulses; i++) {
    const int W = NumImpulseWorkers[i];
    const int M = NumImpulseModelInstances[i];
    const std::vector<std::string>& deps = ImpulseModelDeps[i];
    const int D = static_cast<int>(deps.size());
    ImpulseModelGroups[i].assign(W, ModelGroupClass());
    for (ModelGroupClass& group : ImpulseModelGroups[i]) group.CreateModelList(D);
    if (M == 0 || W == 0) continue;

    const std::string own = ImpulsePairs[i].GetModel();
    List<BaseModelClass> ownInstances;
    TheModel->listModels(own.c_str(), &ownInstances);
    std::vector<List<BaseModelClass>> instances(D);
    std::vector<int> stride(D, 1);
    int running = 1;
    for (int k = D - 1; k >= 0; k--) {
      TheModel->listModels(deps[k].c_str(), &instances[k]);
      if (deps[k] == own) continue;
      stride[k] = running;
      running *= instances[k].getNumItems();
    }
    for (int m = 0; m < M; m++) {
      const int first = m * W / M, last = (m + 1) * W / M;
      for (int w = first; w < last; w++) {
        const int r = w - first;
        for (int k = 0; k < D; k++) {
          BaseModelClass* model = deps[k] == own
                                      ? ownInstances[m]
                                      : instances[k][(r / stride[k]) % instances[k].getNumItems()];
          ImpulseModelGroups[i][w].SetModel(k, model);
        }
      }
    }
  }
}

void PerformanceVariableNode::CreateImpulseWorkerLists() {
  for (int i = 0; i < NumImpulses; i++) {
    ImpulseWorkers[i] = Impulses[i]->CreateImpulseWorkerList(NumImpulseWorkers[i]);
    for (int j = 0; j < NumImpulseWorkers[i]; j++)
      assert(ImpulseWorkers[i][j] && "CreateImpulseWorkerList must create every worker");
  }
}

void PerformanceVariableNode::FixImpulseWorkerLists() {
  for (int i = 0; i < NumImpulses; i++) {
    const int W = NumImpulseWorkers[i];
    const int M = NumImpulseModelInstances[i];
    List<BaseModelClass> ownInstances;
    TheModel->listModels(ImpulsePairs[i].GetModel(), &ownInstances);
    const int D = static_cast<int>(ImpulseModelDeps[i].size());
    for (int m = 0; m < M; m++) {
      for (int j = m * W / M; j < (m + 1) * W / M; j++) {
        ImpulseNodeClass* worker = ImpulseWorkers[i][j];
        if (auto* interval = dynamic_cast<IntervalOfTimeImpulse*>(worker))
          interval->SetWindow(currentStartTime_, currentStopTime_);
        worker->VariableNumber = NodeNumber;
        worker->DefineName(Name.c_str(), i, j);
        worker->ServedModel = ownInstances[m];
        // Dependencies beyond the worker's reference slots count for the
        // number of workers but are not handed to the impulse function.
        for (int k = 0; k < D && k < worker->getNumReferenceSlots(); k++)
          if (worker->ReferenceSlots[k])
            worker->BindReference(k, ImpulseModelGroups[i][j].GetModel(k));
      }
    }
  }
}

// For impulse i and instance m of its model, the workers whose served model
// is m (FixImpulseWorkerLists binds block m to instance m), found through an
// index of the workers by served model rather than by walking every worker
// for every instance; each action's worker list is allocated at its length.
void PerformanceVariableNode::BindImpulseActions(int numPVs, List<BaseActionClass>* triggering) {
  const int k = NodeNumber;
  for (int i = 0; i < NumImpulses; i++) {
    const ActionModelPairClass& pair = ImpulsePairs[i];
    const int numWorkers = NumImpulseWorkers[i];
    std::unordered_map<const BaseModelClass*, std::vector<int>> servedBy;
    for (int j = 0; j < numWorkers; j++) servedBy[ImpulseWorkers[i][j]->ServedModel].push_back(j);
    List<BaseModelClass> instances;
    TheModel->listModels(pair.GetModel(), &instances);
    for (int m = 0; m < instances.getNumItems(); m++) {
      List<BaseActionClass> named;
      instances[m]->listActions(pair.GetAction(), &named);
      if (named.getNumItems() == 0) continue;
      BaseActionClass* action = named[0];
      triggering->append(action);
      if (!action->IsPVImpulseDSAllocated()) action->AllocatePVImpulseDS(numPVs);
      if (action->ImpulseSets()[k].empty()) {
        action->AffectedNodesByImpulseReward().insert(k);
        NumImpulseAffectingActions++;
        action->ImpulseWorkerLists()[k] = new int*[NumImpulses]();
        action->ImpulseWorkerCounts()[k] = new int[NumImpulses]();
        action->ImpulseListLengths()[k] = NumImpulses;
      }
      action->ImpulseSets()[k].insert(i);
      int*& list = action->ImpulseWorkerLists()[k][i];
      int& count = action->ImpulseWorkerCounts()[k][i];
      const auto served = servedBy.find(instances[m]);
      const int matches = served == servedBy.end() ? 0 : static_cast<int>(served->second.size());
      const int room = std::min(matches, numWorkers - count);
      if (!list || room > 0) {
        int* grown = new int[count + room > 0 ? count + room : 1];
        if (list) std::copy(list, list + count, grown);
        delete[] list;
        list = grown;
      }
      for (int c = 0; c < room; c++) list[count++] = served->second[c];
    }
  }
}
