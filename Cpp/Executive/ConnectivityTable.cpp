// Action connectivity (which groups to revisit after each firing) and the
// reactivation list.
#include "Executive/ConnectivityTable.h"

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
#include "Rewards/PVModel.h"

namespace {
bool ValidId(const BaseActionClass* action) {
  return action->Id >= 0 && action->Id <= BaseActionClass::MaxID;
}

}  // namespace

ConnectivityTable::ConnectivityTable() = default;

ConnectivityTable::~ConnectivityTable() { Release(); }

void ConnectivityTable::Release() {
  DestructConnectivityList();
  reactivation_.clear();
  spareReactivationNodes_.clear();
  events_ = nullptr;
  groups_ = nullptr;
  actions_ = nullptr;
  numGroups_ = numActions_ = 0;
  records_.reset();
}

void ConnectivityTable::BuildTables(PVModel& model) {
  model.listGroups(&groupList_);
  groups_ = groupList_.getList();
  numGroups_ = groupList_.getNumItems();
  records_ = std::make_unique<SchedulingRecord[]>(numGroups_ > 0 ? numGroups_ : 1);
  for (int i = 0; i < numGroups_; i++) groups_[i]->Record = &records_[i];
  // The builders walk the action table, so it is filled here.
  model.listActions(&actionList_);
  actions_ = actionList_.getList();
  numActions_ = actionList_.getNumItems();
}

void ConnectivityTable::UseTables(BaseGroupClass** groups, int numGroups, BaseActionClass** actions,
                                  int numActions) {
  groups_ = groups;
  numGroups_ = numGroups;
  actions_ = actions;
  numActions_ = numActions;
}

BaseActionClass* ConnectivityTable::GroupOf(const BaseActionClass* action) const {
  if (action->GroupId < 0 || action->GroupId >= numGroups_) return nullptr;
  return groups_[action->GroupId];
}

int ConnectivityTable::ReadSimTest() {
  const char* value = std::getenv("SIMTEST");
  if (value == nullptr) return 2;
  const std::optional<long long> simTest = ParseWholeInteger(value, 0, 2);
  if (!simTest) {
    std::cerr << "ERROR: SIMTEST must be unset, 0, 1 or 2 (2 = the default builder), not '" << value
              << "'" << std::endl;
    return -1;
  }
  return static_cast<int>(*simTest);
}

int ConnectivityTable::AddActionAffects(BaseActionClass* target, BaseActionClass* action) {
  auto* node = new (std::nothrow) AffectedActionNode{target, action->AffectedListHead};
  if (!node) return 1;
  action->AffectedListHead = node;
  return 0;
}

int ConnectivityTable::AddActionAffectsOld(BaseActionClass* target, BaseActionClass* action) {
  AffectedActionNode** tail = &action->AffectedListHead;
  for (; *tail; tail = &(*tail)->next)
    if ((*tail)->target == target) return 0;
  auto* node = new (std::nothrow) AffectedActionNode{target, nullptr};
  if (!node) return 1;
  *tail = node;
  return 0;
}

short ConnectivityTable::GenerateConnectivityList() {
  if (numActions_ == 0) return 0;
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
  for (int i = 0; i < numActions_; i++) {
    BaseActionClass* action = actions_[i];
    BaseActionClass* ownGroup = GroupOf(action);
    if (!ownGroup || !ValidId(ownGroup) || !ValidId(action)) return 1;
    if (addOnce(ownGroup, action) != 0) return 1;
    List<BaseStateVariableClass>* changed = action->getAffectedVariables();
    for (int v = 0; v < changed->getNumItems(); v++) {
      BaseStateVariableClass* variable = changed->getItem(v);
      for (int e = 0; e < variable->getNumEnabledActions(); e++) {
        BaseActionClass* group = GroupOf(variable->getEnabledAction(e));
        if (!group || !ValidId(group)) return 1;
        if (addOnce(group, action) != 0) return 1;
      }
    }
  }
  PackAffectedLists();
  return 0;
}

short ConnectivityTable::GenerateConnectivityListOld() {
  return GenerateConnectivityListOld(ReadSimTest());
}

short ConnectivityTable::GenerateConnectivityListOld(int simTest) {
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
  for (int i = 0; i < numActions_; i++) {
    BaseActionClass* action = actions_[i];
    BaseActionClass* group = GroupOf(action);
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

bool ConnectivityTable::IsPacked(const AffectedActionNode* node) const {
  return node >= packedNodes_.get() && node < packedNodes_.get() + numPackedNodes_;
}

void ConnectivityTable::ClearActionAffectsList(BaseActionClass* action) {
  while (AffectedActionNode* node = action->AffectedListHead) {
    action->AffectedListHead = node->next;
    if (!IsPacked(node)) delete node;  // packed nodes go with their block
  }
}

void ConnectivityTable::DestructConnectivityList() {
  if (actions_ != nullptr)
    for (int i = 0; i < numActions_; i++) ClearActionAffectsList(actions_[i]);
  packedNodes_.reset();
  numPackedNodes_ = 0;
}

void ConnectivityTable::PackAffectedLists() {
  int total = 0;
  for (int i = 0; i < numActions_; i++)
    for (AffectedActionNode* node = actions_[i]->AffectedListHead; node; node = node->next) total++;
  auto block = std::make_unique<AffectedActionNode[]>(total > 0 ? total : 1);
  int used = 0;
  for (int i = 0; i < numActions_; i++) {
    BaseActionClass* action = actions_[i];
    AffectedActionNode* first = &block[used];
    for (AffectedActionNode* node = action->AffectedListHead; node;) {
      AffectedActionNode* next = node->next;
      block[used] = AffectedActionNode{node->target, next ? &block[used + 1] : nullptr};
      used++;
      if (!IsPacked(node)) delete node;
      node = next;
    }
    if (action->AffectedListHead) action->AffectedListHead = first;
  }
  packedNodes_ = std::move(block);
  numPackedNodes_ = used;
}

void ConnectivityTable::PushReactivation(BaseActionClass* action) {
  if (spareReactivationNodes_.empty()) {
    reactivation_.insert(reactivation_.begin(), action);
  } else {
    spareReactivationNodes_.front() = action;
    reactivation_.splice(reactivation_.begin(), spareReactivationNodes_,
                         spareReactivationNodes_.begin());
  }
  action->Reactivation = true;
  action->Record->notInReactivationList = false;
  action->Record->reactivationPosition = reactivation_.begin();
}

void ConnectivityTable::EraseReactivation(std::list<BaseActionClass*>::iterator position) {
  spareReactivationNodes_.splice(spareReactivationNodes_.begin(), reactivation_, position);
}

void ConnectivityTable::CheckReactivationList(double now) {
  for (auto node = reactivation_.begin(); node != reactivation_.end();) {
    auto current = node++;  // entries added at the front are not visited now
    BaseActionClass* action = *current;
    SchedulingRecord* record = action->Record;
    if (record->heapSlot == nullptr) {
      record->notInReactivationList = true;
      action->Reactivation = false;
      EraseReactivation(current);
    } else if (!action->Enabled()) {
      events_->Remove(record->heapSlot);
      record->notInReactivationList = true;
      action->Reactivation = false;
      EraseReactivation(current);
    } else if (action->ReactivationFunction()) {
      Event* event = *record->heapSlot;
      event->FiringTime = FiringTimeOf(action, now);
      event->SchedulingTime = now;
      events_->ModifyKey(record->heapSlot);
      action->Reactivation = false;
      record->notInReactivationList = true;
      EraseReactivation(current);
      if (action->ReactivationPredicate()) PushReactivation(action);
    }
  }
}

void ConnectivityTable::RemoveAffectedActions(BaseActionClass* fired) {
  if (!fired) return;
  for (AffectedActionNode* node = fired->AffectedListHead; node; node = node->next) {
    BaseActionClass* action = node->target;
    if (!action->HasEvent()) continue;
    SchedulingRecord* record = action->Record;
    if (!action->EnablingChange()) {
      if (!action->Reactivation) continue;
      if (!action->ReactivationFunction()) continue;
    }
    action->Reactivation = false;
    events_->Remove(record->heapSlot);
    if (!record->notInReactivationList) {
      EraseReactivation(record->reactivationPosition);
      record->notInReactivationList = true;
    }
  }
}

void ConnectivityTable::InsertAffectedActions(BaseActionClass* fired, double now) {
  if (!fired) return;
  assert(events_);
  for (AffectedActionNode* node = fired->AffectedListHead; node; node = node->next) {
    BaseActionClass* action = node->target;
    if (!action->Enabled() || action->HasEvent()) continue;
    ScheduleGroup(action, now);
  }
}

double ConnectivityTable::FiringTimeOf(BaseActionClass* action, double now) {
  return now + action->SampleDistribution();
}

void ConnectivityTable::ScheduleGroup(BaseActionClass* group, double now) {
  // The sample is drawn before the reactivation predicate is asked.
  const Event event(FiringTimeOf(group, now), now, group);
  if (group->ReactivationPredicate()) PushReactivation(group);
  events_->Insert(&event);
}

void ConnectivityTable::EmptyReactivationList() {
  // A record left marked as listed would later erase a node that is gone.
  for (BaseActionClass* action : reactivation_) {
    action->Reactivation = false;
    if (action->Record) action->Record->notInReactivationList = true;
  }
  spareReactivationNodes_.splice(spareReactivationNodes_.begin(), reactivation_);
}
