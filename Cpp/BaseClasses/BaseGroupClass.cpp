#include "BaseClasses/BaseGroupClass.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "Common/Allocation.h"
#include "Common/ErrorHandler.h"
#include "Random/Distributions.h"

BaseGroupClass::~BaseGroupClass() {
  if (Members != InlineMembers) delete[] Members;
  delete[] WeightTable;
}

void BaseGroupClass::BaseGroupClassInitialize(const char* name, int groupId, Distribution dist,
                                              ExecutionPolicyType policy, int unused1, int unused2,
                                              bool reactivation) {
  BaseActionClassInitialize(name, groupId, dist, policy, unused1, unused2, reactivation);
}

void BaseGroupClass::resizeArrays(int slots) {
  BaseGroupClass** members =
      slots <= InlineCapacity ? InlineMembers : allocateArray<BaseGroupClass*>(slots);
  if (members != Members) {
    for (int i = 0; i < NumMembers; i++) members[i] = Members[i];
    if (Members != InlineMembers) delete[] Members;
    Members = members;
  }
  for (int i = NumMembers; i < slots; i++) Members[i] = nullptr;
  Capacity = slots;
  delete[] WeightTable;
  WeightTable = allocateArray<WeightEntry>(slots);
}

void BaseGroupClass::initialize(int n, const char* name) {
  const int slots = n > 0 ? n : 0;
  resizeArrays(slots > NumMembers ? slots : NumMembers);
  defineName(name);
  SelectedAction = nullptr;
  HighestRank = 0;
  EntriesInUse = 0;
}

void BaseGroupClass::appendGroup(BaseGroupClass* member) {
  if (NumMembers == Capacity) {
    resizeArrays(Capacity + 1);
    EntriesInUse = 0;
  }
  Members[NumMembers++] = member;
}

void BaseGroupClass::setMember(BaseGroupClass* member, int i) {
  if (i < 0 || i >= NumMembers) {
    ArrayOutOfBoundsError("Array out of bounds (BaseGroupClass::setMember()");
    return;
  }
  Members[i] = member;
}

void BaseGroupClass::enlargeArrays(int n) {
  // Never below the member count: members are not dropped.
  resizeArrays(n > NumMembers ? n : NumMembers);
  EntriesInUse = 0;
}

void BaseGroupClass::replaceMember(BaseActionClass* oldMember, BaseGroupClass* newMember) {
  for (int i = 0; i < NumMembers; i++)
    if (Members[i] == oldMember) Members[i] = newMember;
  if (SelectedAction == oldMember) SelectedAction = newMember;
}

bool BaseGroupClass::Enabled() {
  bool any = false;
  for (int i = 0; i < NumMembers; i++)
    if (Members[i]->Enabled()) any = true;  // every member is asked
  return any;
}

bool BaseGroupClass::EnablingChange() {
  bool any = false;
  for (int i = 0; i < NumMembers; i++)
    if (Members[i]->EnablingChange()) any = true;
  return any;
}

double BaseGroupClass::Weight() { return SelectedAction->Weight(); }
double BaseGroupClass::Rate() { return SelectedAction->Rate(); }
bool BaseGroupClass::ReactivationPredicate() { return false; }
bool BaseGroupClass::ReactivationFunction() { return false; }
double BaseGroupClass::SampleDistribution() { return SelectedAction->SampleDistribution(); }
int BaseGroupClass::Rank() { return SelectedAction->Rank(); }

BaseActionClass* BaseGroupClass::Fire() {
  if (!SelectedAction) return nullptr;
  BaseActionClass* fired = SelectedAction->Fire();
  SelectedAction = nullptr;
  return fired;
}

bool BaseGroupClass::IsAMember(BaseActionClass* action) {
  for (int i = 0; i < NumMembers; i++)
    if (Members[i] == action) return true;
  return false;
}

void BaseGroupClass::printEnablingState(std::ostream* stream) {
  if (NumMembers > 0)
    Members[0]->printEnablingState(stream);
  else
    BaseActionClass::printEnablingState(stream);
}

BaseActionClass* BaseGroupClass::getPrintedAction() { return NumMembers > 0 ? Members[0] : this; }

void BaseGroupClass::setGroupId(int groupId) {
  for (int i = 0; i < NumMembers; i++) Members[i]->setGroupId(groupId);
}

double BaseGroupClass::CalculateWeightDistribution() {
  double total = 0.0;
  return fillWeightTable(&total) ? total : -1.0;
}

bool BaseGroupClass::fillWeightTable(double* total) {
  int first = 0;
  while (first < NumMembers && !Members[first]->Enabled()) Members[first++]->Disabled = true;
  if (first == NumMembers) return false;

  BaseGroupClass* member = Members[first];
  HighestRank = member->Rank();
  member->Disabled = false;
  WeightTable[0] = {member->Weight(), member};
  int k = 0;
  for (int i = first + 1; i < NumMembers; i++) {
    member = Members[i];
    if (!member->Enabled()) {
      member->Disabled = true;
      continue;
    }
    const int rank = member->Rank();
    if (rank == HighestRank) {
      k++;
      WeightTable[k] = {WeightTable[k - 1].CumulativeWeight + member->Weight(), member};
      member->Disabled = false;
    } else if (rank > HighestRank) {
      HighestRank = rank;
      k = 0;
      WeightTable[0] = {member->Weight(), member};
      member->Disabled = false;
    } else {
      member->Disabled = true;
    }
  }
  EntriesInUse = k + 1;
  *total = WeightTable[k].CumulativeWeight;
  return true;
}

int BaseGroupClass::searchWeightTable(double x) const {
  int lower = 0;
  int upper = EntriesInUse - 1;
  while (lower < upper) {
    const int middle = (lower + upper) / 2;
    if (WeightTable[middle].CumulativeWeight > x)
      upper = middle;
    else
      lower = middle + 1;
  }
  return lower;
}

bool BaseGroupClass::SelectAction() {
  const double u = TheDistribution->getGenerator()->rnd();
  double total = 0.0;
  if (!fillWeightTable(&total)) return false;
  BaseGroupClass* chosen = WeightTable[searchWeightTable(u * total)].Member;
  chosen->SelectAction();
  SelectedAction = chosen->SelectedAction;
  return true;
}

double BaseGroupClass::Probability(BaseActionClass* action) {
  int highest = 0;
  double total = 0.0;
  BaseGroupClass* holder = nullptr;
  for (int i = 0; i < NumMembers; i++) {
    BaseGroupClass* member = Members[i];
    if (member->Enabled()) {
      const int rank = member->Rank();
      if (rank > highest) {
        highest = rank;
        total = 0.0;
      }
      if (rank == highest) total += member->Weight();
    }
    if (member == action || member->IsAMember(action)) holder = member;
  }
  // An action that is neither a member nor inside one never fires here.
  if (!holder || highest > holder->Rank()) return 0.0;
  if (total == 0.0) std::printf("BaseGroupClass::Probability() TotalWeight is zero.\n");
  const double p = holder->Weight() / total;
  return p * holder->Probability(action);
}

void BaseGroupClass::PrintInfo() {
  std::cout << "************ Group: " << Name << " ****************" << std::endl;
  std::cout << "Contains the following actions:" << std::endl;
  for (int i = 0; i < NumMembers; i++) std::cout << "  " << Members[i]->getName() << std::endl;
  std::cout << "Selected Action = " << (SelectedAction ? SelectedAction->getName() : "none")
            << std::endl;
}

void BaseGroupClass::printGroup() {
  std::cout << "** Members of Group " << Name << std::endl;
  printGroup("", 0);
}

void BaseGroupClass::printGroup(const char* prefix, int indent) {
  for (int i = 0; i < NumMembers; i++) {
    std::cout << std::string(indent > 0 ? indent : 0, ' ') << "[" << prefix << i << "] "
              << Members[i]->getName() << std::endl;
    if (Members[i]->NumMembers > 1) {
      const std::string nested = std::string(prefix) + std::to_string(i) + ".";
      Members[i]->printGroup(nested.c_str(), indent + 2);
    }
  }
}
