// Action connectivity (which groups to revisit after each firing) and the
// reactivation list.
#include <cassert>
#include <cstdlib>
#include <iostream>
#include <new>
#include <optional>
#include <vector>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "BaseClasses/state/BaseStateVariableClass.h"
#include "Common/StrictNumber.h"
#include "Executive/Event.h"
#include "Executive/EventList.h"
#include "Executive/SchedulingRecord.h"
#include "Executive/SimulatorClass.h"

namespace {
// The group of an action in the group table, or null when its group id does
// not name a group of the table.
BaseActionClass* GroupOf(const SimulatorClass& simulator, const BaseActionClass* action) {
  if (action->GroupId < 0 || action->GroupId >= simulator.NumGroups) return nullptr;
  return simulator.Groups[action->GroupId];
}

bool ValidId(const BaseActionClass* action) {
  return action->Id >= 0 && action->Id <= BaseActionClass::MaxID;
}
}  // namespace

int SimulatorClass::ReadSimTest() {
  const char* value = std::getenv("SIMTEST");
  if (value == nullptr) return 2;
  const std::optional<long long> simTest = ParseWholeInteger(value, 0, 2);
  if (!simTest) {
    std::cerr << "ERROR: SIMTEST must be unset, 0, 1 or 2 (2 = the default builder), not '"
              << value << "'" << std::endl;
    return -1;
  }
  return static_cast<int>(*simTest);
}

int SimulatorClass::AddActionAffects(BaseActionClass* target, BaseActionClass* action) {
  auto* node = new (std::nothrow) AffectedActionNode{target, action->AffectedListHead};
  if (!node) return 1;
  action->AffectedListHead = node;
  return 0;
}

int SimulatorClass::AddActionAffectsOld(BaseActionClass* target, BaseActionClass* action) {
  AffectedActionNode** tail = &action->AffectedListHead;
  for (; *tail; tail = &(*tail)->next)
    if ((*tail)->target == target) return 0;
  auto* node = new (std::nothrow) AffectedActionNode{target, nullptr};
  if (!node) return 1;
  *tail = node;
  return 0;
}

short SimulatorClass::GenerateConnectivityList() {
  if (NumActions == 0) return 0;
  // markers[group id] = id of the last action that listed the group.
  std::vector<int> markers;
  try {
    markers.assign(static_cast<size_t>(BaseActionClass::MaxID) + 1, -1);
  } catch (const std::bad_alloc&) {
    return 1;
  }
  auto addOnce = [&](BaseActionClass* group, BaseActionClass* action) {
    if (markers[group->Id] == action->Id) return 0;
    markers[group->Id] = action->Id;
    return AddActionAffects(group, action);
  };
  for (int i = 0; i < NumActions; i++) {
    BaseActionClass* action = Actions[i];
    BaseActionClass* ownGroup = GroupOf(*this, action);
    if (!ownGroup || !ValidId(ownGroup) || !ValidId(action)) return 1;
    if (addOnce(ownGroup, action) != 0) return 1;
    List<BaseStateVariableClass>* changed = action->getAffectedVariables();
    for (int v = 0; v < changed->getNumItems(); v++) {
      BaseStateVariableClass* variable = changed->getItem(v);
      for (int e = 0; e < variable->getNumEnabledActions(); e++) {
        BaseActionClass* group = GroupOf(*this, variable->getEnabledAction(e));
        if (!group || !ValidId(group)) return 1;
        if (addOnce(group, action) != 0) return 1;
      }
    }
  }
  PackAffectedLists();
  return 0;
}

short SimulatorClass::GenerateConnectivityListOld() { return GenerateConnectivityListOld(ReadSimTest()); }

short SimulatorClass::GenerateConnectivityListOld(int simTest) {
  // With SIMTEST 1 a byte per (source action, group) pair remembers what was
  // added; otherwise AddActionAffectsOld looks through the list.
  const size_t side = static_cast<size_t>(BaseActionClass::MaxID) + 1;
  std::vector<unsigned char> added;
  if (simTest == 1) {
    try {
      added.assign(side * side, 0);
    } catch (const std::bad_alloc&) {
      return 1;
    }
  }
  auto add = [&](BaseActionClass* group, BaseActionClass* source) {
    if (simTest != 1) return AddActionAffectsOld(group, source);
    unsigned char& cell = added[static_cast<size_t>(source->Id) * side + group->Id];
    if (cell) return 0;
    cell = 1;
    return AddActionAffects(group, source);
  };
  for (int i = 0; i < NumActions; i++) {
    BaseActionClass* action = Actions[i];
    BaseActionClass* group = GroupOf(*this, action);
    if (!group || !ValidId(group) || !ValidId(action)) return 1;
    if (add(group, action) != 0) return 1;
    List<BaseStateVariableClass>* read = action->getEnablingVariables();
    for (int v = 0; v < read->getNumItems(); v++) {
      BaseStateVariableClass* variable = read->getItem(v);
      for (int f = 0; f < variable->getNumAffectingActions(); f++) {
        BaseActionClass* source = variable->getAffectingAction(f);
        if (!ValidId(source)) return 1;
        if (add(group, source) != 0) return 1;
      }
    }
  }
  PackAffectedLists();
  return 0;
}

bool SimulatorClass::IsPacked(const AffectedActionNode* node) const {
  return node >= PackedNodes && node < PackedNodes + NumPackedNodes;
}

void SimulatorClass::ClearActionAffectsList(BaseActionClass* action) {
  while (AffectedActionNode* node = action->AffectedListHead) {
    action->AffectedListHead = node->next;
    if (!IsPacked(node)) delete node;  // packed nodes go with their block
  }
}

void SimulatorClass::DestructConnectivityList() {
  if (Actions != nullptr)
    for (int i = 0; i < NumActions; i++) ClearActionAffectsList(Actions[i]);
  delete[] PackedNodes;
  PackedNodes = nullptr;
  NumPackedNodes = 0;
}

void SimulatorClass::PackAffectedLists() {
  int total = 0;
  for (int i = 0; i < NumActions; i++)
    for (AffectedActionNode* node = Actions[i]->AffectedListHead; node; node = node->next) total++;
  AffectedActionNode* block = new AffectedActionNode[total > 0 ? total : 1];
  int used = 0;
  for (int i = 0; i < NumActions; i++) {
    BaseActionClass* action = Actions[i];
    AffectedActionNode* first = block + used;
    for (AffectedActionNode* node = action->AffectedListHead; node;) {
      AffectedActionNode* next = node->next;
      block[used] = AffectedActionNode{node->target, next ? block + used + 1 : nullptr};
      used++;
      if (!IsPacked(node)) delete node;
      node = next;
    }
    if (action->AffectedListHead) action->AffectedListHead = first;
  }
  delete[] PackedNodes;
  PackedNodes = block;
  NumPackedNodes = used;
}

void SimulatorClass::PushReactivation(BaseActionClass* action) {
  if (SpareReactivationNodes.empty()) {
    ReactivationList.insert(ReactivationList.begin(), action);
  } else {
    SpareReactivationNodes.front() = action;
    ReactivationList.splice(ReactivationList.begin(), SpareReactivationNodes,
                            SpareReactivationNodes.begin());
  }
  action->Reactivation = true;
  action->Record->notInReactivationList = false;
  action->Record->reactivationPosition = ReactivationList.begin();
}

void SimulatorClass::EraseReactivation(std::list<BaseActionClass*>::iterator position) {
  SpareReactivationNodes.splice(SpareReactivationNodes.begin(), ReactivationList, position);
}

void SimulatorClass::CheckReactivationList() {
  for (auto node = ReactivationList.begin(); node != ReactivationList.end();) {
    auto current = node++;  // entries added at the front are not visited now
    BaseActionClass* action = *current;
    SchedulingRecord* record = action->Record;
    if (record->heapSlot == nullptr) {
      record->notInReactivationList = true;
      action->Reactivation = false;
      EraseReactivation(current);
    } else if (!action->Enabled()) {
      Events->Remove(record->heapSlot);
      record->notInReactivationList = true;
      action->Reactivation = false;
      EraseReactivation(current);
    } else if (action->ReactivationFunction()) {
      Event* event = *record->heapSlot;
      event->FiringTime = FiringTimeOf(action);
      event->SchedulingTime = CurrentTime;
      Events->ModifyKey(record->heapSlot);
      action->Reactivation = false;
      record->notInReactivationList = true;
      EraseReactivation(current);
      if (action->ReactivationPredicate()) PushReactivation(action);
    }
  }
}

void SimulatorClass::RemoveAffectedActions() {
  if (!FiredAction) return;
  // The walk keeps its cursor in a local; the simulator's cursor is left
  // where a walk through the member would leave it.
  for (AffectedActionNode* node = FiredAction->AffectedListHead; node; node = node->next) {
    BaseActionClass* action = node->target;
    if (!action->HasEvent()) continue;
    SchedulingRecord* record = action->Record;
    if (!action->EnablingChange()) {
      if (!action->Reactivation) continue;
      if (!action->ReactivationFunction()) continue;
    }
    action->Reactivation = false;
    Events->Remove(record->heapSlot);
    if (!record->notInReactivationList) {
      EraseReactivation(record->reactivationPosition);
      record->notInReactivationList = true;
    }
  }
  AffectedCursor = nullptr;
}

void SimulatorClass::InsertAffectedActions() {
  if (!FiredAction) return;
  assert(ScratchEvent && Events);
  for (AffectedActionNode* node = FiredAction->AffectedListHead; node; node = node->next) {
    BaseActionClass* action = node->target;
    if (!action->Enabled() || action->HasEvent()) continue;
    ScheduleGroup(action);
  }
  AffectedCursor = nullptr;
}
