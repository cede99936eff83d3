#ifndef CORVAX_CONNECTIVITY_TABLE_H
#define CORVAX_CONNECTIVITY_TABLE_H

#include <list>
#include <memory>

#include "BaseClasses/List.h"
#include "Executive/AffectedListStore.h"

class BaseActionClass;
class BaseGroupClass;
class EventList;
class PVModel;
struct SchedulingRecord;

// Which groups to revisit after each firing, and the scheduling that the
// revisit does. Holds the group and action tables of the model, builds
// every action's affected list once (the groups whose scheduling a firing
// of the action may change), and keeps the reactivation list: the
// scheduled actions whose firing time is resampled when their reactivation
// function becomes true.
//
// After each firing the loops call CheckReactivationList,
// RemoveAffectedActions and InsertAffectedActions, in this order, with the
// time of the firing and the action that fired. Every sample these draw, and
// its order, follows from the list orders; a reproducible run depends on
// keeping them.
//
// The affected lists live in an AffectedListStore: a few spans per list,
// read in sequence by the walks, with the long runs of groups that many
// lists repeat (the readers of a variable every copy of a model changes)
// kept once.
class ConnectivityTable {
 public:
  ConnectivityTable();
  ConnectivityTable(const ConnectivityTable&) = delete;
  ConnectivityTable& operator=(const ConnectivityTable&) = delete;
  // Release().
  ~ConnectivityTable();

  // The tables of the reward model: its groups, each given a scheduling
  // record, and its actions. The table owns the tables and the records.
  void BuildTables(PVModel& model);
  // Tables (and the groups' records) kept by the caller.
  void UseTables(BaseGroupClass** groups, int numGroups, BaseActionClass** actions, int numActions);
  // The event list that the walks schedule into.
  void UseEventList(EventList* events) { events_ = events; }
  // Frees the affected lists and forgets the tables (and the records, when
  // the table made them).
  void Release();

  // Builders of the affected lists; 0, or 1 when a list could not be built
  // (an action names no group of the table, or memory ran out).
  short GenerateConnectivityList();
  // The older builder; deduplicates through a pair matrix when simTest is
  // 1 and by walking each list otherwise (SIMTEST 0). Without an argument
  // it takes the value from the environment (ReadSimTest).
  short GenerateConnectivityListOld();
  short GenerateConnectivityListOld(int simTest);
  // The value of the environment variable SIMTEST: 0 or 1 (the older
  // builder) or 2 (the default builder, also when it is unset); -1 after a
  // message on standard error for any other text.
  static int ReadSimTest();
  // Adds target at the front of action's list / at its end unless present;
  // 0, or 1 when memory ran out.
  int AddActionAffects(BaseActionClass* target, BaseActionClass* action);
  int AddActionAffectsOld(BaseActionClass* target, BaseActionClass* action);
  void ClearActionAffectsList(BaseActionClass* action);
  // Empties every list of the action table and frees their storage. The
  // builders start with it: a build replaces the lists.
  void DestructConnectivityList();

  // The walks after a firing at time now of the action `fired`.
  void CheckReactivationList(double now);
  void RemoveAffectedActions(BaseActionClass* fired);
  void InsertAffectedActions(BaseActionClass* fired, double now);
  // Schedules one group at now plus its sample (and puts it in the
  // reactivation list when its predicate holds).
  void ScheduleGroup(BaseActionClass* group, double now);
  // now plus a delay sampled from the action. A positive delay too small to
  // advance the clock at now gives now: the action fires at the current
  // time like any tie (the loops guard against a clock that never moves
  // again, LoopState::NoteNextFiringTime).
  static double FiringTimeOf(BaseActionClass* action, double now);
  // Empties the reactivation list, marking every listed action as not in it.
  void EmptyReactivationList();

  int NumGroups() const { return numGroups_; }
  BaseGroupClass* Group(int i) const { return groups_[i]; }
  BaseGroupClass** Groups() const { return groups_; }
  int NumActions() const { return numActions_; }
  BaseActionClass* Action(int i) const { return actions_[i]; }
  // The actions in the reactivation list, the most recently added first.
  const std::list<BaseActionClass*>& ReactivationList() const { return reactivation_; }

 private:
  // Put an action at the front of the reactivation list (setting its flag
  // and its record's position) / take a node out. Nodes taken out are kept
  // for reuse, so that once the list has reached its usual size,
  // reactivation never allocates.
  void PushReactivation(BaseActionClass* action);
  void EraseReactivation(std::list<BaseActionClass*>::iterator position);
  // The group of an action in the group table, or null when its group id
  // does not name a group of the table.
  BaseActionClass* GroupOf(const BaseActionClass* action) const;
  // Runs a builder on empty lists; a builder that fails (or runs out of
  // memory) leaves every list empty.
  template <class Build>
  short BuildWithin(Build build);
  short BuildDefaultLists();
  short BuildOldLists(int simTest);

  // Owned when built from a model (BuildTables).
  List<BaseGroupClass> groupList_;
  List<BaseActionClass> actionList_;
  std::unique_ptr<SchedulingRecord[]> records_;

  BaseGroupClass** groups_ = nullptr;
  int numGroups_ = 0;
  BaseActionClass** actions_ = nullptr;
  int numActions_ = 0;
  EventList* events_ = nullptr;
  std::list<BaseActionClass*> reactivation_;
  std::list<BaseActionClass*> spareReactivationNodes_;
  AffectedListStore lists_;
};

#endif
