#include "Rewards/PerformanceVariableNode.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <iostream>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "BaseClasses/BaseModelClass.h"
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
    for (int w = 0; w < NumWorkers; w++) {
      Workers[w]->IntervalReward(t, T);
      r += Workers[w]->Reward;
    }
    if (Type != InstantOfTime) {
      const double weight = Workers[0]->Weight;
      AccumulatedValue += weight * r;
      AccumulatedSquare += weight * r * r;
    }
  }
  AccumulateImpulses(t, T, A);
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

void PerformanceVariableNode::CurrentReward(BaseActionClass* A) {
  double r = 0.0;
  for (int w = 0; w < NumWorkers; w++) {
    Workers[w]->CurrentReward();
    r += Workers[w]->Reward;
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
