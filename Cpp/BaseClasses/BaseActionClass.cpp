#include "BaseClasses/BaseActionClass.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "BaseClasses/state/BaseStateVariableClass.h"
#include "Common/Allocation.h"
#include "Common/ErrorHandler.h"

int BaseActionClass::MaxID = 0;

BaseActionClass::BaseActionClass()
    : Id(MaxID++), Name(copyText("default")), Links(new ActionLinks) {}

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
  delete Links;
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
  char* copy = copyText(newName ? newName : "");
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
  const List<BaseStateVariableClass>& affected = Links->AffectedVariables;
  for (int i = 0; i < affected.getNumItems(); i++) affected[i]->printState(stream);
}

void BaseActionClass::printEnablingState(std::ostream* stream) {
  const List<BaseStateVariableClass>& enabling = Links->EnablingVariables;
  for (int i = 0; i < enabling.getNumItems(); i++) enabling[i]->printState(stream);
}

void BaseActionClass::addEnablingSV(BaseStateVariableClass* variable) {
  if (variable->isLeafNode())
    Links->EnablingVariables.append(variable);
  else
    variable->addSelfAsEnablingSVToAction(this);
}

void BaseActionClass::addAffectedSV(BaseStateVariableClass* variable) {
  if (variable->isLeafNode())
    Links->AffectedVariables.append(variable);
  else
    variable->addSelfAsAffectedSVToAction(this);
}

void BaseActionClass::removeEnablingSV(BaseStateVariableClass* variable) {
  if (variable->isLeafNode())
    Links->EnablingVariables.remove(variable);
  else
    variable->removeSelfFromEnablingSVOfAction(this);
}

void BaseActionClass::removeAffectedSV(BaseStateVariableClass* variable) {
  if (variable->isLeafNode())
    Links->AffectedVariables.remove(variable);
  else
    variable->removeSelfFromAffectedSVOfAction(this);
}

void BaseActionClass::AllocatePVRateDS(int numPVs) {
  DeallocatePVRateDS();
  Links->RateSets = new (std::nothrow) FastSet[numPVs > 0 ? numPVs : 0];
  if (!Links->RateSets) {
    std::cerr << "!! Memory allocation error in BaseActionClass::AllocatePVRateDS()" << std::endl;
    std::exit(1);
  }
  Links->NumRatePVs = numPVs;
}

void BaseActionClass::DeallocatePVRateDS() {
  delete[] Links->RateSets;
  Links->RateSets = nullptr;
  Links->NumRatePVs = 0;
}

void BaseActionClass::AllocatePVImpulseDS(int numPVs) {
  DeallocatePVImpulseDS();
  ActionLinks& links = *Links;
  const int n = numPVs > 0 ? numPVs : 0;
  links.ImpulseSets = new (std::nothrow) FastSet[n];
  links.ImpulseWorkerLists = new (std::nothrow) int**[n]();
  links.ImpulseWorkerCounts = new (std::nothrow) int*[n]();
  links.ImpulseListLengths = new (std::nothrow) int[n]();
  if (!links.ImpulseSets || !links.ImpulseWorkerLists || !links.ImpulseWorkerCounts ||
      !links.ImpulseListLengths) {
    std::cerr << "!! Memory allocation error in BaseActionClass::AllocatePVImpulseDS()"
              << std::endl;
    std::exit(1);
  }
  links.NumImpulsePVs = n;
}

void BaseActionClass::DeallocatePVImpulseDS() {
  ActionLinks& links = *Links;
  for (int pv = 0; pv < links.NumImpulsePVs; pv++) {
    if (links.ImpulseWorkerLists && links.ImpulseWorkerLists[pv]) {
      for (int g = 0; g < links.ImpulseListLengths[pv]; g++)
        delete[] links.ImpulseWorkerLists[pv][g];
      delete[] links.ImpulseWorkerLists[pv];
    }
    if (links.ImpulseWorkerCounts) delete[] links.ImpulseWorkerCounts[pv];
  }
  delete[] links.ImpulseListLengths;
  links.ImpulseListLengths = nullptr;
  delete[] links.ImpulseSets;
  delete[] links.ImpulseWorkerLists;
  delete[] links.ImpulseWorkerCounts;
  links.ImpulseSets = nullptr;
  links.ImpulseWorkerLists = nullptr;
  links.ImpulseWorkerCounts = nullptr;
  links.NumImpulsePVs = 0;
}

void BaseActionClass::PrintInfo() {
  std::cout << "********* " << Name << "**********" << std::endl << std::endl;
  std::cout << "Enabled by:" << std::endl;
  for (int i = 0; i < Links->EnablingVariables.getNumItems(); i++)
    std::cout << "           " << Links->EnablingVariables[i]->getName() << std::endl;
  std::cout << "Affects:" << std::endl;
  for (int i = 0; i < Links->AffectedVariables.getNumItems(); i++)
    std::cout << "           " << Links->AffectedVariables[i]->getName() << std::endl;
  std::cout << "Group ID = " << GroupId << std::endl;
  std::cout << "Execution Policy = " << ExecutionPolicy << std::endl;
  std::cout << "Disabled = " << Disabled << std::endl;
  std::cout << "Reactivation = " << Reactivation << std::endl;
  std::cout << "DistributionType = " << DistributionType << std::endl;
}
