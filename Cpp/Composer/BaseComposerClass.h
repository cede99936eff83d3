#ifndef CORVAX_BASE_COMPOSER_CLASS_H
#define CORVAX_BASE_COMPOSER_CLASS_H

#include <vector>

#include "BaseClasses/BaseModelClass.h"
#include "BaseClasses/PreselectGroup.h"
#include "BaseClasses/SANModel.h"
#include "Composer/SharedStateVarLink.h"

// An inner node of the model tree that builds one model out of children by
// state sharing. For each shared name it keeps a main variable of its own,
// merged with the children's variables of that name; its state is the
// children's states followed by the stored main variables; its action and
// group arrays gather those of the whole subtree.
//
// A generated composer builds itself bottom-up: children, SetupActions(),
// then per shared name addSharedPtr / share / addSharingInfo, then Setup.
class BaseComposerClass : public BaseModelClass {
 public:
  BaseComposerClass(const char* name, int numChildren, int numShared,
                    const char* const* sharedNames);
  ~BaseComposerClass() override;

  void listModels(const char* name, List<BaseModelClass>* out) override;
  void listActions(List<BaseActionClass>* out) override;
  void listGroups(List<BaseGroupClass>* out) override;
  bool CompareState(void* first, void* second) override;
  void listActions(const char* name, List<BaseActionClass>* out) override;
  void listSVs(const char* model, const char* variable, List<BaseStateVariableClass>* out,
               List<BaseModelClass>* owners) override;
  void printState(std::ostream* stream) override;
  using BaseModelClass::printState;
  BaseStateVariableClass** GetSharedStateVariables() override { return SharedPtrs; }
  BaseStateVariableClass* getMainSharedVariable(BaseStateVariableClass* variable) override;
  SharedStateVarLink* getListOfSharedVariables(BaseStateVariableClass* variable) override;
  int GetNumberOfChildren() override { return NumChildren; }
  BaseModelClass* GetChild(int i) override;
  bool HasLocalState() override;
  void GetLocalState(State* state) override;
  void SetLocalState(const State* state) override;
  void DestructLocalState(State* state) override;

  // Records v as the main variable of the next shared name, which must be
  // VarName.
  void addSharedPtr(BaseStateVariableClass* v, const char* VarName);
  // Records that childVar (of child, or null for a replica) was merged into
  // mainVar, together with whatever a composer below merged into childVar.
  void addSharingInfo(BaseStateVariableClass* childVar, BaseStateVariableClass* mainVar,
                      BaseModelClass* child);
  bool AllChildrenEmpty();
  // Gathers the children's actions and groups and numbers the groups
  // 0, 1, 2, ... across the subtree in child order.
  void SetupActions();
  // Counts the state variables and caches the state size (refreshing the
  // cached sizes of the composers below).
  void GeneralSetup();
  void refreshStateSize();

  int SharedStateSize();
  void CurrentSharedState(void* buffer);
  void SetSharedState(void* buffer);
  void printAllSharedVariables();

  void setChild(int i, BaseModelClass* child);
  List<BaseStateVariableClass>* getSharingList(int k) const { return &SharingLists[k]; }
  int getCachedStateSize() const { return CachedStateSize; }

  BaseModelClass** Children = nullptr;
  int NumChildren = 0;
  int LoopCounter = 0;  // loop index for generated set-up code

 protected:
  BaseStateVariableClass** SharedPtrs = nullptr;
  SharedStateVarLink** SharedLinks = nullptr;
  SharedStateVarLink** SharedLinkTails = nullptr;  // the last link of each chain
  List<BaseStateVariableClass>* SharingLists = nullptr;
  char** SharedStateNames = nullptr;
  int NumSharedNames = 0;
  int AddedSharedPtrs = 0;
  int CachedStateSize = 0;
  PreselectGroup ComposerGroup;

 private:
  // Appends a chain of links to the chain of shared name k through its
  // tail, so that recording the replicas of a Rep one by one takes linear
  // time.
  void appendLinks(int k, SharedStateVarLink* links);
  // The children that are composers: the only ones that can answer the
  // shared-variable look-ups. Reason: a Rep asks its children for each
  // replica it records, and its children are atomic models. Cost: one walk
  // over the children after they were set (setChild, SetupActions).
  const std::vector<BaseModelClass*>& composerChildren();

  std::vector<BaseModelClass*> composerChildren_;
  bool composerChildrenKnown_ = false;
};

// Local state of a composer: a snapshot of its shared part only.
class ComposerLocalState : public SANModel::LocalState {
 public:
  using SANModel::LocalState::LocalState;
  using SANModel::LocalState::operator=;
  void SetState(BaseModelClass* model) const override;
  void GetState(BaseModelClass* model) override;
};

#endif
