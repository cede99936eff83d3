#include "Rewards/PVModel.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <fstream>
#include <limits>

#include "BaseClasses/BaseGroupClass.h"
#include "BaseClasses/state/BaseStateVariableClass.h"
#include "Rewards/ImpulseNodeClass.h"

namespace {
constexpr int InitialPVCapacity = 100;

void freeze(FastSet& set) {
  if (!set.isFrozen()) set.NoMoreModifications();
}

int frozenSize(FastSet& set) { return set.isFrozen() ? set.size() : (set.empty() ? 0 : 1); }

// Members of a synchronised action, which take part in its firing.
template <class Visit>
void forEachSyncMember(BaseActionClass* action, Visit visit) {
  if (!action->isSync()) return;
  auto* group = dynamic_cast<BaseGroupClass*>(action);
  for (int i = 0; group && i < group->getNumMembers(); i++) visit(group->getMember(i));
}

void freezeRateData(BaseActionClass* action, int numPVs) {
  if (!action->IsPVRateDSAllocated()) action->AllocatePVRateDS(numPVs);
  for (int k = 0; k < action->NumRatePVs(); k++) freeze(action->RateSets()[k]);
  freeze(action->AffectedNodesByRateReward());
  forEachSyncMember(action, [numPVs](BaseActionClass* m) { freezeRateData(m, numPVs); });
}

void freezeImpulseData(BaseActionClass* action, int numPVs) {
  if (!action->IsPVImpulseDSAllocated()) action->AllocatePVImpulseDS(numPVs);
  for (int k = 0; k < action->NumImpulsePVs(); k++) freeze(action->ImpulseSets()[k]);
  freeze(action->AffectedNodesByImpulseReward());
  forEachSyncMember(action, [numPVs](BaseActionClass* m) { freezeImpulseData(m, numPVs); });
}
}  // namespace

PVModel::PVModel() : LastActionFired(&NoActionFiredYet) {
  NoActionFiredYet.defineName("No Action Fired Yet");
}

PVModel::~PVModel() { Destruct(); }

void PVModel::Destruct() {
  for (int i = 0; i < NumPVs; i++) delete PVs[i];
  delete[] PVs;
  PVs = nullptr;
  NumPVs = 0;
  PVCapacity = 0;
  ConsideredPVs.clear();
  AffectingActions.clear();
  AffectedNodeSets.clear();
  TriggersImpulseById.clear();
  ActionNumberById.clear();
  // The action and group arrays are the wrapped model's.
  Actions = nullptr;
  Groups = nullptr;
  delete TopModel;
  TopModel = nullptr;
  LastActionFired = &NoActionFiredYet;
  LastActionTriggersImpulses = false;
  ConsideredHaveRateWorkers = false;
}

// ---- The wrapped model ------------------------------------------------------

void PVModel::listModels(const char* name, List<BaseModelClass>* out) {
  TopModel->listModels(name, out);
}
void PVModel::listActions(List<BaseActionClass>* out) { TopModel->listActions(out); }
void PVModel::listGroups(List<BaseGroupClass>* out) { TopModel->listGroups(out); }
void PVModel::listActions(const char* name, List<BaseActionClass>* out) {
  TopModel->listActions(name, out);
}
void PVModel::listSVs(const char* model, const char* variable, List<BaseStateVariableClass>* out,
                      List<BaseModelClass>* owners) {
  TopModel->listSVs(model, variable, out, owners);
}
void PVModel::printState(std::ostream* stream) { TopModel->printState(stream); }
void PVModel::SetState(void* buffer) { TopModel->SetState(buffer); }
int PVModel::StateSize() { return TotalStateSize; }

int PVModel::lastActionNumber() const {
  const unsigned id = static_cast<unsigned>(LastActionFired->Id);
  return id < ActionNumberById.size() ? ActionNumberById[id] : 0;
}

void PVModel::CurrentState(void* buffer) {
  TopModel->CurrentState(buffer);
  if (LastActionFlag != 1) return;
  auto* bytes = static_cast<unsigned char*>(buffer) + ModelStateSize;
  unsigned number = static_cast<unsigned>(lastActionNumber());
  for (int b = 0; b < LastActionBytes; b++, number >>= 8) bytes[b] = number & 0xFF;
}

bool PVModel::CompareState(void* first, void* second) {
  if (!TopModel->CompareState(first, second)) return false;
  if (LastActionFlag != 1) return true;
  const auto* a = static_cast<const unsigned char*>(first) + ModelStateSize;
  const auto* b = static_cast<const unsigned char*>(second) + ModelStateSize;
  for (int i = 0; i < LastActionBytes; i++)
    if (a[i] != b[i]) return false;
  return true;
}

// ---- Set-up -----------------------------------------------------------------

void PVModel::CreatePVList(int numPVs, bool expandTimes) {
  assert(!PVs && "CreatePVList runs once");
  // Variables are numbered from 0 within each reward model: the numbers
  // index the per-variable tables of this model's actions.
  PerformanceVariableNode::the_id = 0;
  PVCapacity = InitialPVCapacity;
  PVs = new PerformanceVariableNode*[PVCapacity]();
  int count = 0;
  for (int i = 0; i < numPVs; i++) {
    PerformanceVariableNode* node = createPVNode(i, 0);
    assert(node && "createPVNode must build every variable");
    const int n = expandTimes && node->GetNumTimePoints() >= 2 ? node->GetNumTimePoints() : 1;
    if (count + n >= PVCapacity) {
      const int capacity = (PVCapacity + n) * 2;
      auto** grown = new PerformanceVariableNode*[capacity]();
      std::copy(PVs, PVs + count, grown);
      delete[] PVs;
      PVs = grown;
      PVCapacity = capacity;
    }
    PVs[count++] = node;
    for (int t = 1; t < n; t++) {
      PVs[count] = createPVNode(i, t);
      assert(PVs[count] && "createPVNode must build every time point");
      count++;
    }
  }
  NumPVs = count;
}

void PVModel::Initialize() {
  assert(TopModel && "the reward model wraps a model");
  assert(!Initialized && "Initialize runs once");
  Initialized = true;

  NoActionFiredYet.AllocatePVRateDS(NumPVs);
  NoActionFiredYet.AllocatePVImpulseDS(NumPVs);
  freezeRateData(&NoActionFiredYet, NumPVs);
  freezeImpulseData(&NoActionFiredYet, NumPVs);
  freeze(NoActionFiredYet.AffectedNodes());

  NumStateVariables = TopModel->NumStateVariables;
  NumSharedStateVariables = TopModel->NumSharedStateVariables;
  NumActions = TopModel->NumActions;
  NumGroups = TopModel->NumGroups;
  Actions = TopModel->Actions;
  Groups = TopModel->Groups;

  for (int k = 0; k < NumPVs; k++) {
    assert(PVs[k]->getNodeNumber() == k && "variables numbered in list order");
    PVs[k]->FixReferences(TopModel);
  }
  LatestFinishingTime = NumPVs > 0 ? PVs[0]->getCurrentStopTime() : 0.0;
  for (int k = 1; k < NumPVs; k++)
    LatestFinishingTime = std::max(LatestFinishingTime, PVs[k]->getCurrentStopTime());

  MakeAffectedLists();
  MakeImpulseAffectedLists();
  CreateAffectedLists();

  // Lookup tables for the firing path and the appended state.
  TriggersImpulseById.assign(BaseActionClass::MaxID, 2);
  ActionNumberById.assign(BaseActionClass::MaxID, 0);
  List<BaseActionClass> actions;
  TopModel->listActions(&actions);
  for (int i = 0; i < actions.getNumItems(); i++)
    TriggersImpulseById[actions[i]->Id] = triggersImpulses(actions[i]) ? 1 : 0;
  TriggersImpulseById[NoActionFiredYet.Id] = 0;
  for (int i = 0; i < NumActions; i++) ActionNumberById[Actions[i]->Id] = i + 1;
  rememberLastAction(LastActionFired);

  ModelStateSize = TopModel->StateSize();
  LastActionBytes = 0;
  if (LastActionFlag == 1) {
    LastActionBytes = 1;
    while (LastActionBytes < 4 && (static_cast<unsigned>(NumActions) >> (8 * LastActionBytes)) != 0)
      LastActionBytes++;
  }
  TotalStateSize = ModelStateSize + LastActionBytes;
  QuietEpoch = ~0UL;
  ConsideredHaveRateWorkers = false;
  for (PerformanceVariableNode* node : ConsideredPVs)
    ConsideredHaveRateWorkers = ConsideredHaveRateWorkers || node->HasRateWorkers;
}

void PVModel::MakeAffectedLists() {
  for (int k = 0; k < NumPVs; k++) {
    PerformanceVariableNode* node = PVs[k];
    node->CreateModelGroupList();
    node->CreateWorkerList();
    node->FixWorkerList();
    node->BindRateActions(NumPVs);
  }
  List<BaseActionClass> actions;
  TopModel->listActions(&actions);
  NumRateActions = 0;
  for (int a = 0; a < actions.getNumItems(); a++) {
    if (actions[a]->IsPVRateDSAllocated()) NumRateActions++;
    freezeRateData(actions[a], NumPVs);
  }
}

void PVModel::MakeImpulseAffectedLists() {
  List<BaseActionClass> triggering;
  for (int k = 0; k < NumPVs; k++) {
    PerformanceVariableNode* node = PVs[k];
    node->CreateImpulseModelGroupList();
    node->CreateImpulseWorkerLists();
    node->FixImpulseWorkerLists();
    node->BindImpulseActions(NumPVs, &triggering);
  }
  List<BaseActionClass> actions;
  TopModel->listActions(&actions);
  for (int a = 0; a < actions.getNumItems(); a++) freezeImpulseData(actions[a], NumPVs);
  for (int a = 0; a < triggering.getNumItems(); a++) freezeImpulseData(triggering[a], NumPVs);
}

void PVModel::CreateAffectedLists() {
  List<BaseActionClass> actions;
  TopModel->listActions(&actions);
  for (int a = 0; a < actions.getNumItems(); a++) {
    BaseActionClass* action = actions[a];
    FastSet& rate = action->AffectedNodesByRateReward();
    FastSet& impulse = action->AffectedNodesByImpulseReward();
    if (frozenSize(rate) == 0 && frozenSize(impulse) == 0) {
      freeze(action->AffectedNodes());
      continue;
    }
    assert(action->AffectedNodes().empty() && "Action->AffectedNodes.empty()");
    for (int i = 0; i < rate.size(); i++) action->AffectedNodes().insert(rate[i]);
    for (int i = 0; i < impulse.size(); i++) action->AffectedNodes().insert(impulse[i]);
    action->AffectedNodes().NoMoreModifications();
    AffectingActions.push_back(action);
    AffectedNodeSets.push_back(&action->AffectedNodes());
    for (int i = 0; i < action->AffectedNodes().size(); i++)
      PVs[action->AffectedNodes()[i]]->appendAffectingAction(action);
  }
}

void PVModel::ConsiderOnly(const int* indices, int n) {
  if (!indices) {
    ConsideredPVs.insert(ConsideredPVs.end(), PVs, PVs + NumPVs);
  } else {
    ConsideredPVs.reserve(ConsideredPVs.size() + (n > 0 ? n : 0));
    for (int i = 0; i < n; i++) {
      assert(0 <= indices[i] && indices[i] < NumPVs && "index of a performance variable");
      ConsideredPVs.push_back(PVs[indices[i]]);
    }
  }
  QuietEpoch = ~0UL;
  ConsideredHaveRateWorkers = false;
  for (PerformanceVariableNode* node : ConsideredPVs)
    ConsideredHaveRateWorkers = ConsideredHaveRateWorkers || node->HasRateWorkers;
  // A replication needs to run only as long as the variables it observes.
  if (!ConsideredPVs.empty()) {
    LatestFinishingTime = ConsideredPVs.front()->getCurrentStopTime();
    for (const PerformanceVariableNode* node : ConsideredPVs)
      LatestFinishingTime = std::max(LatestFinishingTime, node->getCurrentStopTime());
  }
}

void PVModel::findQuietSpan() {
  QuietBefore = std::numeric_limits<double>::infinity();
  QuietThrough = std::numeric_limits<double>::infinity();
  for (const PerformanceVariableNode* node : ConsideredPVs) {
    if (node->getState() == PerformanceVariableNode::NotStarted &&
        node->getCurrentStartTime() < QuietBefore)
      QuietBefore = node->getCurrentStartTime();
    else if (node->getState() == PerformanceVariableNode::InProgress &&
             node->getCurrentStopTime() < QuietThrough)
      QuietThrough = node->getCurrentStopTime();
  }
  QuietEpoch = PerformanceVariableNode::WindowEpoch();
}

bool PVModel::triggersImpulses(BaseActionClass* A) {
  if (frozenSize(A->AffectedNodesByImpulseReward()) > 0) return true;
  bool any = false;
  forEachSyncMember(A, [&any](BaseActionClass* m) { any = any || triggersImpulses(m); });
  return any;
}

// ---- Per replication ----------------------------------------------------

void PVModel::EndAccumulate(double t) {
  for (PerformanceVariableNode* node : ConsideredPVs)
    if (node->getState() != PerformanceVariableNode::Complete)
      node->EndAccumulate(t, LastActionTime, LastActionFired);
}

void PVModel::PVReset() {
  for (int k = 0; k < NumPVs; k++)
    if (PVs[k]->getState() == PerformanceVariableNode::InProgress ||
        PVs[k]->getState() == PerformanceVariableNode::Complete)
      PVs[k]->Reset();
  LastActionTime = 0.0;
  rememberLastAction(&NoActionFiredYet);
}

void PVModel::SteadyState() {
  PVReset();
  for (int k = 0; k < NumPVs; k++)
    if (PVs[k]->getSlidingWindow() == 1) PVs[k]->setState(PerformanceVariableNode::InProgress);
}

// ---- Type file --------------------------------------------------------------

void PVModel::WritePVTypeFile(const char* fileName) {
  std::ofstream file(fileName, std::ios::out | std::ios::trunc);
  if (!file) return;
  file << "Version:1\n";
  file << "NumPV:" << NumPVs << "\n";
  for (int k = 0; k < NumPVs; k++) {
    PerformanceVariableNode* node = PVs[k];
    file << "Name:" << node->getName() << "\n";
    file << "Type:" << static_cast<int>(node->GetRewardType()) << "\n";
    file << "NumTimes:" << node->GetNumTimePoints() << "\n";
    for (int i = 0; i < node->GetNumTimePoints(); i++) {
      file << "Start:" << node->GetStartTime(i) << "\n";
      file << "Stop:" << node->GetStopTime(i) << "\n";
    }
  }
}
