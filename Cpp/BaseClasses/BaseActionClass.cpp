#include "BaseClasses/BaseActionClass.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "BaseClasses/ErrorHandler.h"
#include "BaseClasses/state/BaseStateVariableClass.h"

int BaseActionClass::MaxID = 0;

namespace {
char* copyName(const char* text) {
  char* copy = new (std::nothrow) char[std::strlen(text) + 1];
  if (!copy) MemoryAllocationError();
  std::strcpy(copy, text);
  return copy;
}
}  // namespace

BaseActionClass::BaseActionClass() : Name(copyName("default")), Id(MaxID++) {}

BaseActionClass::BaseActionClass(const char* name, int groupId, Distribution dist,
                                 ExecutionPolicyType policy, int unused1, int unused2,
                                 bool reactivation)
    : BaseActionClass() {
  BaseActionClassInitialize(name, groupId, dist, policy, unused1, unused2, reactivation);
}

BaseActionClass::~BaseActionClass() {
  delete[] Name;
  DeallocatePVRateDS();
  DeallocatePVImpulseDS();
}

void BaseActionClass::BaseActionClassInitialize(const char* name, int groupId, Distribution dist,
                                                ExecutionPolicyType policy, int, int,
                                                bool reactivation) {
  defineName(name);
  GroupId = groupId;
  DistributionType = dist;
  ExecutionPolicy = policy;
  Reactivation = reactivation;
}

void BaseActionClass::defineName(const char* newName) {
  char* copy = copyName(newName ? newName : "");
  delete[] Name;
  Name = copy;
}

bool BaseActionClass::isSync() { return false; }
bool BaseActionClass::Enabled() { return false; }
double BaseActionClass::Weight() { return 0.0; }
double BaseActionClass::Rate() { return 0.0; }
bool BaseActionClass::ReactivationPredicate() { return false; }
bool BaseActionClass::ReactivationFunction() { return false; }
double BaseActionClass::SampleDistribution() { return 0.0; }
double* BaseActionClass::ReturnDistributionParameters() { return nullptr; }
void BaseActionClass::SetFired(int fired) { Fired = fired != 0; }
BaseActionClass* BaseActionClass::Fire() { return nullptr; }
int BaseActionClass::Rank() { return 0; }
bool BaseActionClass::EnablingChange() { return false; }
bool BaseActionClass::IsAMember(BaseActionClass* action) { return action == this; }
double BaseActionClass::Probability(BaseActionClass*) { return 1.0; }
BaseActionClass* BaseActionClass::getPrintedAction() { return this; }
double BaseActionClass::ErlangParamM() { return 1.0; }

void BaseActionClass::printAffectedState(std::ostream* stream) {
  for (int i = 0; i < AffectedVariables.getNumItems(); i++) AffectedVariables[i]->printState(stream);
}

void BaseActionClass::printEnablingState(std::ostream* stream) {
  for (int i = 0; i < EnablingVariables.getNumItems(); i++) EnablingVariables[i]->printState(stream);
}

void BaseActionClass::addEnablingSV(BaseStateVariableClass* variable) {
  if (variable->isLeafNode())
    EnablingVariables.append(variable);
  else
    variable->addSelfAsEnablingSVToAction(this);
}

void BaseActionClass::addAffectedSV(BaseStateVariableClass* variable) {
  if (variable->isLeafNode())
    AffectedVariables.append(variable);
  else
    variable->addSelfAsAffectedSVToAction(this);
}

void BaseActionClass::removeEnablingSV(BaseStateVariableClass* variable) {
  if (variable->isLeafNode())
    EnablingVariables.remove(variable);
  else
    variable->removeSelfFromEnablingSVOfAction(this);
}

void BaseActionClass::removeAffectedSV(BaseStateVariableClass* variable) {
  if (variable->isLeafNode())
    AffectedVariables.remove(variable);
  else
    variable->removeSelfFromAffectedSVOfAction(this);
}

void BaseActionClass::AllocatePVRateDS(int numPVs) {
  DeallocatePVRateDS();
  RateSets = new (std::nothrow) FastSet[numPVs > 0 ? numPVs : 0];
  if (!RateSets) {
    std::cerr << "!! Memory allocation error in BaseActionClass::AllocatePVRateDS()" << std::endl;
    std::exit(1);
  }
  NumRatePVs = numPVs;
}

void BaseActionClass::DeallocatePVRateDS() {
  delete[] RateSets;
  RateSets = nullptr;
  NumRatePVs = 0;
}

void BaseActionClass::AllocatePVImpulseDS(int numPVs) {
  DeallocatePVImpulseDS();
  const int n = numPVs > 0 ? numPVs : 0;
  ImpulseSets = new (std::nothrow) FastSet[n];
  ImpulseWorkerLists = new (std::nothrow) int**[n]();
  ImpulseWorkerCounts = new (std::nothrow) int*[n]();
  ImpulseListLengths = new (std::nothrow) int[n]();
  if (!ImpulseSets || !ImpulseWorkerLists || !ImpulseWorkerCounts || !ImpulseListLengths) {
    std::cerr << "!! Memory allocation error in BaseActionClass::AllocatePVImpulseDS()" << std::endl;
    std::exit(1);
  }
  NumImpulsePVs = n;
}

void BaseActionClass::DeallocatePVImpulseDS() {
  for (int pv = 0; pv < NumImpulsePVs; pv++) {
    if (ImpulseWorkerLists && ImpulseWorkerLists[pv]) {
      for (int g = 0; g < ImpulseListLengths[pv]; g++) delete[] ImpulseWorkerLists[pv][g];
      delete[] ImpulseWorkerLists[pv];
    }
    if (ImpulseWorkerCounts) delete[] ImpulseWorkerCounts[pv];
  }
  delete[] ImpulseListLengths;
  ImpulseListLengths = nullptr;
  delete[] ImpulseSets;
  delete[] ImpulseWorkerLists;
  delete[] ImpulseWorkerCounts;
  ImpulseSets = nullptr;
  ImpulseWorkerLists = nullptr;
  ImpulseWorkerCounts = nullptr;
  NumImpulsePVs = 0;
}

void BaseActionClass::PrintInfo() {
  std::cout << "********* " << Name << "**********" << std::endl << std::endl;
  std::cout << "Enabled by:" << std::endl;
  for (int i = 0; i < EnablingVariables.getNumItems(); i++)
    std::cout << "           " << EnablingVariables[i]->getName() << std::endl;
  std::cout << "Affects:" << std::endl;
  for (int i = 0; i < AffectedVariables.getNumItems(); i++)
    std::cout << "           " << AffectedVariables[i]->getName() << std::endl;
  std::cout << "Group ID = " << GroupId << std::endl;
  std::cout << "Execution Policy = " << ExecutionPolicy << std::endl;
  std::cout << "Disabled = " << Disabled << std::endl;
  std::cout << "Reactivation = " << Reactivation << std::endl;
  std::cout << "DistributionType = " << DistributionType << std::endl;
}
