// Action connectivity (which groups to revisit after each firing) and the
// reactivation list.
#include "Executive/ConnectivityTable.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <iostream>
#include <new>
#include <optional>
#include <unordered_map>
#include <utility>
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
  try {
    lists_.Prepend(action, target);
  } catch (const std::bad_alloc&) {
    return 1;
  }
  return 0;
}

int ConnectivityTable::AddActionAffectsOld(BaseActionClass* target, BaseActionClass* action) {
  bool present = false;
  ForEachAffected(action, [&](BaseActionClass* listed) { present = present || listed == target; });
  if (present) return 0;
  try {
    lists_.Append(action, target);
  } catch (const std::bad_alloc&) {
    return 1;
  }
  return 0;
}

template <class Build>
short ConnectivityTable::BuildWithin(Build build) {
  DestructConnectivityList();
  short result;
  try {
    result = build();
  } catch (const std::bad_alloc&) {
    result = 1;
  }
  if (result != 0) DestructConnectivityList();
  return result;
}

// The affected list of action a, in the order found: a's own group, then for
// each variable a changes (in its list's order) the groups of the actions
// its enabling reads (in the variable's list's order), each group at its
// first finding; the walk is the reverse (each group was added at the front).
//
// Every enabling list reached becomes a sequence of distinct groups, interned
// by contents, so that the N elements of a shared array with the same
// readers, or the variable every replica changes, are one sequence. A
// sequence already taken whole into a's list adds nothing more; a long one
// is taken whole but for the groups found before it (AffectedListStore
// shares it); a short one is walked against the groups found so far. Cost:
// per action, the number of variables it changes plus the length of its
// short sequences, instead of the total length of every reader list.
short ConnectivityTable::GenerateConnectivityList() {
  return BuildWithin([this] { return BuildDefaultLists(); });
}

short ConnectivityTable::BuildDefaultLists() {
  if (numActions_ == 0) return 0;
  const size_t ids = static_cast<size_t>(BaseActionClass::MaxID) + 1;
  // found[group id] = the action whose list holds the group as found so far
  // in a short sequence or as its own; inList: the same within one list.
  std::vector<int> found(ids, -1), inList(ids, -1);
  lists_.Begin(/*reversed=*/true);
  std::unordered_map<const List<BaseActionClass>*, int> sequenceOf;
  std::vector<int> takenBy;  // per sequence: the action whose list took it
  std::vector<BaseActionClass*> groups;
  int listsRead = 0;
  // The sequence of the groups of an enabling list; false when one of its
  // actions names no group of the table.
  auto sequenceFor = [&](const List<BaseActionClass>* enabled, int* sequence) {
    const auto known = sequenceOf.find(enabled);
    if (known != sequenceOf.end()) {
      *sequence = known->second;
      return true;
    }
    groups.clear();
    listsRead++;
    for (int e = 0; e < enabled->getNumItems(); e++) {
      BaseActionClass* group = GroupOf(enabled->getItem(e));
      if (!group || !ValidId(group)) return false;
      if (inList[group->Id] == listsRead) continue;
      inList[group->Id] = listsRead;
      groups.push_back(group);
    }
    *sequence = lists_.Intern(groups);
    sequenceOf.emplace(enabled, *sequence);
    if (takenBy.size() <= static_cast<size_t>(*sequence)) takenBy.resize(*sequence + 1, -1);
    return true;
  };

  std::vector<AffectedListStore::Piece> pieces;
  std::vector<BaseActionClass*> own;
  std::vector<BaseActionClass*> foundOne;  // the groups marked in found for this action
  std::vector<int> shared;                 // the long sequences taken whole
  std::vector<int> excluded;
  for (int i = 0; i < numActions_; i++) {
    BaseActionClass* action = actions_[i];
    BaseActionClass* ownGroup = GroupOf(action);
    if (!ownGroup || !ValidId(ownGroup) || !ValidId(action)) return 1;
    pieces.assign(1, AffectedListStore::Piece{AffectedListStore::kOwn, 0, 1});
    own.assign(1, ownGroup);
    foundOne.assign(1, ownGroup);
    shared.clear();
    found[ownGroup->Id] = i;
    auto inShared = [&](const BaseActionClass* group) {
      for (int sequence : shared)
        if (lists_.PositionOf(sequence, group) >= 0) return true;
      return false;
    };
    List<BaseStateVariableClass>* changed = action->getAffectedVariables();
    for (int v = 0; v < changed->getNumItems(); v++) {
      int sequence;
      if (!sequenceFor(changed->getItem(v)->getEnabledActions(), &sequence)) return 1;
      if (takenBy[sequence] == i) continue;  // its groups are all in already
      takenBy[sequence] = i;
      const int size = lists_.Size(sequence);
      if (!lists_.IsShared(sequence)) {
        int run = -1;  // first position of the current run of new groups
        for (int p = 0; p <= size; p++) {
          BaseActionClass* group = p < size ? lists_.GroupAt(sequence, p) : nullptr;
          const bool fresh = group && found[group->Id] != i && !inShared(group);
          if (fresh) {
            found[group->Id] = i;
            foundOne.push_back(group);
            if (run < 0) run = p;
          } else if (run >= 0) {
            pieces.push_back(AffectedListStore::Piece{sequence, run, p});
            run = -1;
          }
        }
        continue;
      }
      // The positions of the groups found before: in short sequences or
      // own, and in the long sequences taken whole.
      excluded.clear();
      for (BaseActionClass* group : foundOne) {
        const int position = lists_.PositionOf(sequence, group);
        if (position >= 0) excluded.push_back(position);
      }
      for (int other : shared) {
        const bool walkThis = size <= lists_.Size(other);
        const int walked = walkThis ? sequence : other;
        const int probed = walkThis ? other : sequence;
        for (int p = 0; p < lists_.Size(walked); p++) {
          BaseActionClass* group = lists_.GroupAt(walked, p);
          if (lists_.PositionOf(probed, group) < 0) continue;
          excluded.push_back(walkThis ? p : lists_.PositionOf(sequence, group));
        }
      }
      std::sort(excluded.begin(), excluded.end());
      excluded.erase(std::unique(excluded.begin(), excluded.end()), excluded.end());
      int from = 0;
      for (int position : excluded) {
        if (position > from) pieces.push_back(AffectedListStore::Piece{sequence, from, position});
        from = position + 1;
      }
      if (from < size) pieces.push_back(AffectedListStore::Piece{sequence, from, size});
      shared.push_back(sequence);
    }
    lists_.Assign(action, pieces, own);
  }
  lists_.Finish();
  return 0;
}

short ConnectivityTable::GenerateConnectivityListOld() {
  return GenerateConnectivityListOld(ReadSimTest());
}

// The older builder adds, for each action a of the table in order, a's group
// to a's own list and to the list of every action that changes a variable
// a's enabling reads. So the list of f, in the order found, holds the groups
// of the actions that are f or read a variable f changes, ordered by their
// position in the table (each group at its first), and is walked in reverse
// with SIMTEST 1 (added at the front) and in that order otherwise (added at
// the end).
//
// The readers are gathered per affecting list (one per share group), as a
// sequence of groups ranked by table position, interned by contents; the
// list of f merges its few short sequences and own group into at most one
// long sequence, which AffectedListStore shares. Cost: per action, the
// length of its short sequences, instead of a pass over every reader of
// every variable it changes (and no matrix of actions by groups).
short ConnectivityTable::GenerateConnectivityListOld(int simTest) {
  return BuildWithin([this, simTest] { return BuildOldLists(simTest); });
}

short ConnectivityTable::BuildOldLists(int simTest) {
  const size_t ids = static_cast<size_t>(BaseActionClass::MaxID) + 1;
  // Per group id: the last affecting list whose sequence took the group, and
  // the last table action whose list took it.
  std::vector<int> tableIndex(ids, -1), inList(ids, -1), inActionList(ids, -1);
  lists_.Begin(/*reversed=*/simTest == 1);

  // Per affecting list of a variable some enabling reads: the table
  // positions of its readers, ascending.
  std::unordered_map<const List<BaseActionClass>*, int> listIndex;
  std::vector<const List<BaseActionClass>*> affectingLists;
  std::vector<std::vector<int>> readers;
  for (int i = 0; i < numActions_; i++) {
    BaseActionClass* action = actions_[i];
    BaseActionClass* group = GroupOf(action);
    if (!group || !ValidId(group) || !ValidId(action)) return 1;
    tableIndex[action->Id] = i;
    List<BaseStateVariableClass>* read = action->getEnablingVariables();
    for (int v = 0; v < read->getNumItems(); v++) {
      const List<BaseActionClass>* affecting = read->getItem(v)->getAffectingActions();
      const auto [entry, added] =
          listIndex.emplace(affecting, static_cast<int>(affectingLists.size()));
      if (added) {
        affectingLists.push_back(affecting);
        readers.emplace_back();
      }
      std::vector<int>& positions = readers[entry->second];
      if (positions.empty() || positions.back() != i) positions.push_back(i);
    }
  }

  // Per table action, the sequences of the lists that hold it.
  std::vector<std::vector<int>> sequencesOf(numActions_);
  std::vector<BaseActionClass*> groups;
  std::vector<int> ranks;
  for (std::size_t l = 0; l < affectingLists.size(); l++) {
    const List<BaseActionClass>* affecting = affectingLists[l];
    for (int f = 0; f < affecting->getNumItems(); f++)
      if (!ValidId(affecting->getItem(f))) return 1;
    groups.clear();
    ranks.clear();
    for (int i : readers[l]) {
      BaseActionClass* group = GroupOf(actions_[i]);
      if (inList[group->Id] == static_cast<int>(l)) continue;
      inList[group->Id] = static_cast<int>(l);
      groups.push_back(group);
      ranks.push_back(i);
    }
    const int sequence = lists_.Intern(groups, ranks);
    for (int f = 0; f < affecting->getNumItems(); f++) {
      const int t = tableIndex[affecting->getItem(f)->Id];
      if (t >= 0) sequencesOf[t].push_back(sequence);
    }
  }

  std::vector<std::pair<int, BaseActionClass*>> explicitGroups;  // (rank, group)
  std::vector<AffectedListStore::Piece> pieces;
  std::vector<BaseActionClass*> own;
  std::vector<int> excluded;
  for (int t = 0; t < numActions_; t++) {
    std::vector<int>& sequences = sequencesOf[t];
    std::sort(sequences.begin(), sequences.end());
    sequences.erase(std::unique(sequences.begin(), sequences.end()), sequences.end());
    int longest = -1, numLong = 0;
    for (int sequence : sequences)
      if (lists_.IsShared(sequence)) {
        numLong++;
        if (longest < 0 || lists_.Size(sequence) > lists_.Size(longest)) longest = sequence;
      }
    // One long sequence is shared; with several, all are copied.
    const int kept = numLong == 1 ? longest : -1;
    explicitGroups.assign(1, {t, GroupOf(actions_[t])});
    for (int sequence : sequences) {
      if (sequence == kept) continue;
      const std::vector<int>& sequenceRanks = lists_.Ranks(sequence);
      for (int p = 0; p < lists_.Size(sequence); p++)
        explicitGroups.push_back({sequenceRanks[p], lists_.GroupAt(sequence, p)});
    }
    std::sort(explicitGroups.begin(), explicitGroups.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    // Each group at its first rank; one kept long sequence wins a tie.
    own.clear();
    excluded.clear();
    std::vector<int> ownRanks;
    for (const auto& [rank, group] : explicitGroups) {
      if (inActionList[group->Id] == t) continue;
      inActionList[group->Id] = t;
      if (kept >= 0) {
        const int position = lists_.PositionOf(kept, group);
        if (position >= 0) {
          if (lists_.Ranks(kept)[position] <= rank) continue;
          excluded.push_back(position);
        }
      }
      own.push_back(group);
      ownRanks.push_back(rank);
    }
    pieces.clear();
    if (kept < 0) {
      pieces.push_back(
          AffectedListStore::Piece{AffectedListStore::kOwn, 0, static_cast<int>(own.size())});
    } else {
      // The own groups go between the kept sequence's groups by rank; the
      // kept sequence's excluded positions are left out.
      std::sort(excluded.begin(), excluded.end());
      const std::vector<int>& keptRanks = lists_.Ranks(kept);
      std::size_t nextExcluded = 0;
      int from = 0;
      auto keepUpTo = [&](int to) {
        for (; nextExcluded < excluded.size() && excluded[nextExcluded] < to; nextExcluded++) {
          if (excluded[nextExcluded] > from)
            pieces.push_back(AffectedListStore::Piece{kept, from, excluded[nextExcluded]});
          from = excluded[nextExcluded] + 1;
        }
        if (to > from) pieces.push_back(AffectedListStore::Piece{kept, from, to});
        from = std::max(from, to);
      };
      for (std::size_t o = 0; o <= own.size(); o++) {
        const int to = o < own.size()
                           ? static_cast<int>(
                                 std::lower_bound(keptRanks.begin(), keptRanks.end(), ownRanks[o]) -
                                 keptRanks.begin())
                           : lists_.Size(kept);
        keepUpTo(to);
        if (o < own.size())
          pieces.push_back(AffectedListStore::Piece{AffectedListStore::kOwn, static_cast<int>(o),
                                                    static_cast<int>(o) + 1});
      }
    }
    lists_.Assign(actions_[t], pieces, own);
  }
  lists_.Finish();
  return 0;
}

void ConnectivityTable::ClearActionAffectsList(BaseActionClass* action) {
  AffectedListStore::ClearList(action);
}

void ConnectivityTable::DestructConnectivityList() {
  if (actions_ != nullptr)
    for (int i = 0; i < numActions_; i++) ClearActionAffectsList(actions_[i]);
  lists_.Free();
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
  ForEachAffected(fired, [this](BaseActionClass* action) {
    if (!action->HasEvent()) return;
    SchedulingRecord* record = action->Record;
    if (!action->EnablingChange()) {
      if (!action->Reactivation) return;
      if (!action->ReactivationFunction()) return;
    }
    action->Reactivation = false;
    events_->Remove(record->heapSlot);
    if (!record->notInReactivationList) {
      EraseReactivation(record->reactivationPosition);
      record->notInReactivationList = true;
    }
  });
}

void ConnectivityTable::InsertAffectedActions(BaseActionClass* fired, double now) {
  if (!fired) return;
  assert(events_);
  ForEachAffected(fired, [this, now](BaseActionClass* action) {
    if (!action->Enabled() || action->HasEvent()) return;
    ScheduleGroup(action, now);
  });
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
