#include "Composer/BaseComposerClass.h"

#include <cassert>
#include <cstring>
#include <new>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseGroupClass.h"
#include "BaseClasses/state/BaseStateVariableClass.h"
#include "Common/Allocation.h"
#include "Common/ErrorHandler.h"

namespace {
// A copy of a chain, so that every composer owns the links it frees.
SharedStateVarLink* copyChain(const SharedStateVarLink* chain) {
  SharedStateVarLink* head = nullptr;
  SharedStateVarLink** tail = &head;
  for (; chain; chain = chain->Next) {
    auto* link = new (std::nothrow) SharedStateVarLink(chain->StateVar, chain->Model);
    if (!link) MemoryAllocationError();
    *tail = link;
    tail = &link->Next;
  }
  return head;
}
}  // namespace

BaseComposerClass::BaseComposerClass(const char* name, int numChildren, int numShared,
                                     const char* const* sharedNames)
    : NumChildren(numChildren > 0 ? numChildren : 0),
      NumSharedNames(numShared > 0 ? numShared : 0) {
  DefineName(name);
  Children = allocateArray<BaseModelClass*>(NumChildren);
  NumSharedStateVariables = NumChildren > 0 ? NumSharedNames : 0;
  SharedPtrs = allocateArray<BaseStateVariableClass*>(NumSharedNames);
  SharedLinks = allocateArray<SharedStateVarLink*>(NumSharedNames);
  SharedLinkTails = allocateArray<SharedStateVarLink*>(NumSharedNames);
  SharingLists = new (std::nothrow) List<BaseStateVariableClass>[NumSharedNames];
  if (!SharingLists) MemoryAllocationError();
  SharedStateNames = allocateArray<char*>(NumSharedNames);
  for (int k = 0; k < NumSharedNames; k++) SharedStateNames[k] = copyText(sharedNames[k]);
}

BaseComposerClass::~BaseComposerClass() {
  for (int k = 0; k < NumSharedNames; k++) {
    SharedStateVarLink::clearStateVarList(SharedLinks[k]);
    delete[] SharedStateNames[k];
  }
  delete[] SharedStateNames;
  delete[] SharingLists;
  delete[] SharedLinks;
  delete[] SharedLinkTails;
  delete[] SharedPtrs;
  delete[] Children;
  delete[] Actions;
  delete[] Groups;
}

BaseModelClass* BaseComposerClass::GetChild(int i) {
  assert(i < GetNumberOfChildren());
  return Children[i];
}

// ---- Sharing bookkeeping ----------------------------------------------------

void BaseComposerClass::addSharedPtr(BaseStateVariableClass* v, const char* VarName) {
  assert(AddedSharedPtrs < NumSharedStateVariables);
  assert(0 == strcmp(VarName, SharedStateNames[AddedSharedPtrs]));
  SharedPtrs[AddedSharedPtrs++] = v;
}

void BaseComposerClass::addSharingInfo(BaseStateVariableClass* childVar,
                                       BaseStateVariableClass* mainVar, BaseModelClass* child) {
  int VarIndex = -1;
  for (int k = 0; k < AddedSharedPtrs; k++)
    if (SharedPtrs[k] == mainVar) VarIndex = k;
  assert(VarIndex != -1);
  SharingLists[VarIndex].append(childVar);
  auto* link = new (std::nothrow) SharedStateVarLink(childVar, child);
  if (!link) MemoryAllocationError();
  appendLinks(VarIndex, link);
  for (BaseModelClass* composer : composerChildren()) {
    SharedStateVarLink* below = composer->getListOfSharedVariables(childVar);
    if (below) appendLinks(VarIndex, copyChain(below));
  }
}

void BaseComposerClass::appendLinks(int k, SharedStateVarLink* links) {
  if (SharedLinks[k])
    SharedLinkTails[k]->Next = links;
  else
    SharedLinks[k] = links;
  SharedStateVarLink* tail = links;
  while (tail->Next) tail = tail->Next;
  SharedLinkTails[k] = tail;
}

const std::vector<BaseModelClass*>& BaseComposerClass::composerChildren() {
  if (!composerChildrenKnown_) {
    composerChildren_.clear();
    for (int c = 0; c < NumChildren; c++)
      if (dynamic_cast<BaseComposerClass*>(Children[c])) composerChildren_.push_back(Children[c]);
    composerChildrenKnown_ = true;
  }
  return composerChildren_;
}

SharedStateVarLink* BaseComposerClass::getListOfSharedVariables(BaseStateVariableClass* variable) {
  for (int k = 0; k < AddedSharedPtrs; k++)
    if (SharedPtrs[k] == variable) return SharedLinks[k];
  for (BaseModelClass* composer : composerChildren()) {
    SharedStateVarLink* chain = composer->getListOfSharedVariables(variable);
    if (chain) return chain;
  }
  return nullptr;
}

BaseStateVariableClass* BaseComposerClass::getMainSharedVariable(BaseStateVariableClass* variable) {
  for (int k = 0; k < AddedSharedPtrs; k++)
    if (SharedLinks[k] && SharedLinks[k]->hasStateVar(variable)) return SharedPtrs[k];
  for (BaseModelClass* composer : composerChildren()) {
    BaseStateVariableClass* main = composer->getMainSharedVariable(variable);
    if (main) return main;
  }
  return nullptr;
}

bool BaseComposerClass::AllChildrenEmpty() {
  for (int c = 0; c < NumChildren; c++)
    if (Children[c]->getNumStateVariables() > 0) return false;
  return true;
}

// ---- Set-up -------------------------------------------------------------

void BaseComposerClass::setChild(int i, BaseModelClass* child) {
  Children[i] = child;
  composerChildrenKnown_ = false;
}

void BaseComposerClass::SetupActions() {
  composerChildrenKnown_ = false;
  NumActions = 0;
  NumGroups = 0;
  for (int c = 0; c < NumChildren; c++) {
    NumActions += Children[c]->NumActions;
    NumGroups += Children[c]->NumGroups;
  }
  delete[] Actions;
  delete[] Groups;
  Actions = allocateArray<BaseActionClass*>(NumActions);
  Groups = allocateArray<BaseGroupClass*>(NumGroups);
  int a = 0;
  int g = 0;
  for (int c = 0; c < NumChildren; c++) {
    for (int i = 0; i < Children[c]->NumActions; i++) Actions[a++] = Children[c]->Actions[i];
    for (int i = 0; i < Children[c]->NumGroups; i++) Groups[g++] = Children[c]->Groups[i];
  }
  for (g = 0; g < NumGroups; g++) Groups[g]->setGroupId(g);
}

void BaseComposerClass::refreshStateSize() {
  for (int c = 0; c < NumChildren; c++)
    if (auto* composer = dynamic_cast<BaseComposerClass*>(Children[c]))
      composer->refreshStateSize();
  CachedStateSize = StateSize();
}

void BaseComposerClass::GeneralSetup() {
  // This node's shares may have taken storage from a composer below, whose
  // state then shrank: its cached size must follow.
  for (int c = 0; c < NumChildren; c++)
    if (auto* composer = dynamic_cast<BaseComposerClass*>(Children[c]))
      composer->refreshStateSize();
  int count = 0;
  for (int c = 0; c < NumChildren; c++) count += Children[c]->getNumStateVariables();
  for (int k = 0; k < NumSharedNames; k++) count -= SharingLists[k].getNumItems();
  NumStateVariables = count + NumSharedStateVariables;
  CachedStateSize = StateSize();
}

// ---- Shared state -----------------------------------------------------------

int BaseComposerClass::SharedStateSize() {
  int bytes = 0;
  for (int k = 0; k < AddedSharedPtrs; k++)
    if (SharedPtrs[k]->getStored()) bytes += SharedPtrs[k]->StateSize();
  return bytes;
}

void BaseComposerClass::CurrentSharedState(void* buffer) {
  auto* cursor = static_cast<char*>(buffer);
  for (int k = 0; k < AddedSharedPtrs; k++)
    if (SharedPtrs[k]->getStored()) {
      SharedPtrs[k]->CurrentState(cursor);
      cursor += SharedPtrs[k]->StateSize();
    }
}

void BaseComposerClass::SetSharedState(void* buffer) {
  auto* cursor = static_cast<char*>(buffer);
  for (int k = 0; k < AddedSharedPtrs; k++)
    if (SharedPtrs[k]->getStored()) {
      SharedPtrs[k]->SetState(cursor);
      cursor += SharedPtrs[k]->StateSize();
    }
}

bool BaseComposerClass::CompareState(void* first, void* second) {
  return std::memcmp(first, second, CachedStateSize) == 0;
}

// ---- Enumeration --------------------------------------------------------

void BaseComposerClass::listModels(const char* name, List<BaseModelClass>* out) {
  for (int c = 0; c < NumChildren; c++) Children[c]->listModels(name, out);
}

void BaseComposerClass::listActions(List<BaseActionClass>* out) {
  out->append(Actions, NumActions);
}

void BaseComposerClass::listGroups(List<BaseGroupClass>* out) { out->append(Groups, NumGroups); }

void BaseComposerClass::listActions(const char* name, List<BaseActionClass>* out) {
  for (int c = 0; c < NumChildren; c++) Children[c]->listActions(name, out);
}

void BaseComposerClass::listSVs(const char* model, const char* variable,
                                List<BaseStateVariableClass>* out, List<BaseModelClass>* owners) {
  for (int c = 0; c < NumChildren; c++) Children[c]->listSVs(model, variable, out, owners);
}

// ---- Local state --------------------------------------------------------

bool BaseComposerClass::HasLocalState() { return SharedStateSize() > 0; }
void BaseComposerClass::GetLocalState(State* state) { state->GetState(this); }
void BaseComposerClass::SetLocalState(const State* state) { state->SetState(this); }
void BaseComposerClass::DestructLocalState(State* state) { delete state; }

void ComposerLocalState::SetState(BaseModelClass* model) const {
  static_cast<BaseComposerClass*>(model)->SetSharedState(buffer);
}

void ComposerLocalState::GetState(BaseModelClass* model) {
  static_cast<BaseComposerClass*>(model)->CurrentSharedState(buffer);
}

// ---- Printing -------------------------------------------------------------

void BaseComposerClass::printState(std::ostream* stream) {
  *stream << "Model: (" << ModelId << ")" << Name << std::endl;
  for (int c = 0; c < NumChildren; c++) Children[c]->printState(stream);
  *stream << "Shared Variables:" << std::endl;
  for (int k = 0; k < AddedSharedPtrs; k++)
    if (SharedPtrs[k]->getStored()) {
      *stream << "  ";
      SharedPtrs[k]->printState(stream);
    }
}

void BaseComposerClass::printAllSharedVariables() {
  std::cout << "Shared Variables for composer node " << Name << std::endl;
  for (int k = 0; k < AddedSharedPtrs; k++) {
    std::cout << "  Shared Variable " << k << " has name " << SharedPtrs[k]->getName()
              << " and address " << static_cast<const void*>(SharedPtrs[k]) << std::endl;
    std::cout << "    And here is its list of equivalent variables:" << std::endl;
    if (SharedLinks[k]) SharedLinks[k]->printAllStateVariables();
  }
}
