#ifndef MB_REFERENCE_CONNECTIVITY_H
#define MB_REFERENCE_CONNECTIVITY_H

// The affected lists built the plain way, list by list and node by node, as
// the oracle of the connectivity builders: per action of a table, the groups
// its firing revisits in walk order.
//
//   Default   own group, then per changed variable the groups of the actions
//             it enables, each group once, every one added at the front;
//   OldFront  per action a of the table in order: a's group added to a's
//             list and to the list of every action that changes a variable
//             a's enabling reads, at the front unless there (SIMTEST 1);
//   OldBack   the same at the end (SIMTEST 0).

#include <algorithm>
#include <map>
#include <vector>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "BaseClasses/state/BaseStateVariableClass.h"

enum class ReferenceBuilder { Default, OldFront, OldBack };

using ActionTargets = std::vector<BaseActionClass*>;

inline std::vector<ActionTargets> ReferenceAffectedLists(BaseGroupClass* const* groups,
                                                         BaseActionClass* const* actions,
                                                         int numActions, ReferenceBuilder kind) {
  auto groupOf = [&](BaseActionClass* action) -> BaseActionClass* {
    return groups[action->GroupId];
  };
  auto holds = [](const ActionTargets& list, BaseActionClass* target) {
    return std::find(list.begin(), list.end(), target) != list.end();
  };
  std::map<BaseActionClass*, ActionTargets> lists;
  for (int i = 0; i < numActions; i++) {
    BaseActionClass* a = actions[i];
    if (kind == ReferenceBuilder::Default) {
      ActionTargets& list = lists[a];
      list.insert(list.begin(), groupOf(a));
      List<BaseStateVariableClass>* changed = a->getAffectedVariables();
      for (int v = 0; v < changed->getNumItems(); v++) {
        BaseStateVariableClass* variable = changed->getItem(v);
        for (int e = 0; e < variable->getNumEnabledActions(); e++) {
          BaseActionClass* group = groupOf(variable->getEnabledAction(e));
          if (!holds(list, group)) list.insert(list.begin(), group);
        }
      }
      continue;
    }
    auto add = [&](BaseActionClass* group, BaseActionClass* source) {
      ActionTargets& list = lists[source];
      if (holds(list, group)) return;
      list.insert(kind == ReferenceBuilder::OldFront ? list.begin() : list.end(), group);
    };
    add(groupOf(a), a);
    List<BaseStateVariableClass>* read = a->getEnablingVariables();
    for (int v = 0; v < read->getNumItems(); v++) {
      BaseStateVariableClass* variable = read->getItem(v);
      for (int f = 0; f < variable->getNumAffectingActions(); f++)
        add(groupOf(a), variable->getAffectingAction(f));
    }
  }
  std::vector<ActionTargets> result;
  for (int i = 0; i < numActions; i++) result.push_back(lists[actions[i]]);
  return result;
}

// The groups of the action's list as the walks after a firing visit them.
inline ActionTargets AffectedTargets(const BaseActionClass* action) {
  ActionTargets targets;
  ForEachAffected(action, [&](BaseActionClass* target) { targets.push_back(target); });
  return targets;
}

#endif
