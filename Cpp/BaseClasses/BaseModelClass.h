#ifndef CORVAX_BASE_MODEL_CLASS_H
#define CORVAX_BASE_MODEL_CLASS_H

#include <forward_list>
#include <iostream>

#include "BaseClasses/List.h"
#include "BaseClasses/State.h"

class BaseActionClass;
class BaseGroupClass;
class BaseStateVariableClass;
class SharedStateVarLink;

// Singly linked list of actions; results are pushed at the front.
using ActionSList = std::forward_list<BaseActionClass*>;

// Root of the model tree: atomic SAN models are the leaves, Rep and Join the
// inner nodes. Every node enumerates its actions, groups and state variables
// and copies its state in and out of flat byte buffers.
class BaseModelClass {
 public:
  enum ModelType { SANModelType = 1, JoinModelType = 2, RepModelType = 3 };

  // Time of the latest firing ("now" for model code).
  static double LastActionTime;

  BaseModelClass();
  BaseModelClass(const BaseModelClass&) = delete;
  BaseModelClass& operator=(const BaseModelClass&) = delete;
  virtual ~BaseModelClass();

  virtual int getNumStateVariables();
  // Appends every atomic model of this subtree called name.
  virtual void listModels(const char* name, List<BaseModelClass>* out) = 0;
  virtual void CurrentState(void* buffer) = 0;
  virtual void listActions(List<BaseActionClass>* out) = 0;
  virtual void listGroups(List<BaseGroupClass>* out) = 0;
  virtual void SetState(void* buffer) = 0;
  virtual int StateSize() = 0;
  virtual bool CompareState(void* first, void* second) = 0;
  virtual void listActions(const char* name, List<BaseActionClass>* out) = 0;
  // Appends every variable called variable of every atomic model called
  // model, and the owning model beside it.
  virtual void listSVs(const char* model, const char* variable, List<BaseStateVariableClass>* out,
                       List<BaseModelClass>* owners) = 0;
  virtual void printState(std::ostream* stream);
  virtual void printState();
  virtual BaseStateVariableClass** GetLocalStateVariables(std::ostream* stream);
  virtual BaseStateVariableClass** GetSharedStateVariables();
  virtual BaseStateVariableClass* getMainSharedVariable(BaseStateVariableClass* variable);
  virtual SharedStateVarLink* getListOfSharedVariables(BaseStateVariableClass* variable);
  virtual void AddAffectArc(BaseStateVariableClass* variable, BaseActionClass* action);
  virtual void AddEnableArc(BaseStateVariableClass* variable, BaseActionClass* action);
  virtual int GetModelType();
  virtual int GetNumberOfChildren();
  virtual BaseModelClass* GetChild(int i);
  virtual void GetLocalActions(ActionSList& out);
  virtual void GetGlobalActions(ActionSList& out);
  virtual bool HasLocalState();
  virtual void GetLocalState(State* state);
  virtual void SetLocalState(const State* state);
  virtual void ConstructLocalState(State*& state);
  virtual void DestructLocalState(State* state);

  void DefineName(const char* newName);
  void SetParentId(int id) { ParentId = id; }
  const char* getName() const { return Name; }
  int getModelId() const { return ModelId; }
  int getParentId() const { return ParentId; }
  int getNumActions() const { return NumActions; }
  int getNumGroups() const { return NumGroups; }
  int getNumSharedStateVariables() const { return NumSharedStateVariables; }
  BaseActionClass* getAction(int i) const { return Actions[i]; }
  BaseGroupClass* getGroup(int i) const { return Groups[i]; }

  int NumStateVariables = 0;
  int NumSharedStateVariables = 0;
  int NumActions = 0;
  int NumGroups = 0;
  BaseGroupClass** Groups = nullptr;
  char* Name = nullptr;
  int ModelId;
  int ParentId;
  void* Reserved = nullptr;
  BaseActionClass** Actions = nullptr;
};

#endif
