#ifndef CORVAX_BASE_STATE_VARIABLE_CLASS_H
#define CORVAX_BASE_STATE_VARIABLE_CLASS_H

#include <iostream>
#include <string>

#include "BaseClasses/List.h"

class BaseActionClass;

// Root of every state variable: a named piece of model state that knows the
// actions whose enabling reads it and the actions whose firing changes it.
class BaseStateVariableClass {
 public:
  BaseStateVariableClass();
  BaseStateVariableClass(const char* name, const char* prefix);
  BaseStateVariableClass(const BaseStateVariableClass&) = delete;
  BaseStateVariableClass& operator=(const BaseStateVariableClass&) = delete;
  virtual ~BaseStateVariableClass();

  virtual int StateSize() = 0;
  virtual void SetState(void* src) = 0;
  virtual void CurrentState(void* dst) = 0;
  virtual void printState(std::ostream* stream);
  virtual void printState();
  virtual void printStateVal(std::ostream* stream);
  virtual void share(BaseStateVariableClass* other) = 0;
  virtual void appendAffectingAction(BaseActionClass* action);
  virtual void removeAffectingAction(BaseActionClass* action);
  virtual void replaceAffectingAction(BaseActionClass* oldAction, BaseActionClass* newAction);
  virtual void addSelfAsEnablingSVToAction(BaseActionClass* action);
  virtual void addSelfAsAffectedSVToAction(BaseActionClass* action);
  virtual void removeSelfFromEnablingSVOfAction(BaseActionClass* action);
  virtual void removeSelfFromAffectedSVOfAction(BaseActionClass* action);
  virtual List<BaseStateVariableClass>* getLeafNodes();  // caller owns the list
  virtual int getNumLeafNodes();
  virtual bool isLeafNode();
  virtual void appendEnabledAction(BaseActionClass* action);
  virtual void removeEnabledAction(BaseActionClass* action);
  virtual void replaceEnabledAction(BaseActionClass* oldAction, BaseActionClass* newAction);

  void SetName(const char* newName);
  void SetPrefix(const char* newPrefix);
  const char* getName() const { return name; }
  const char* getPrefix() const { return prefix; }
  // The prefix, ".", and the name when the prefix is not empty; else the name.
  std::string getFullName() const;

  bool getShared() const { return shared; }
  void setShared(bool value) { shared = value; }
  bool getStored() const { return stored; }
  void setStored(bool value) { stored = value; }
  bool getFunctionallyShared() const { return functionallyShared; }
  void setFunctionallyShared(bool value) { functionallyShared = value; }
  int getSharingCount() const { return sharingCount; }

  List<BaseActionClass>* getAffectingActions() const { return affectingActions; }
  List<BaseActionClass>* getEnabledActions() const { return enabledActions; }
  void setAffectingActions(List<BaseActionClass>* list) { affectingActions = list; }
  void setEnabledActions(List<BaseActionClass>* list) { enabledActions = list; }
  void copyAffectingActions(List<BaseActionClass>* list);
  void copyEnabledActions(List<BaseActionClass>* list);
  int getNumAffectingActions() const { return affectingActions->getNumItems(); }
  int getNumEnabledActions() const { return enabledActions->getNumItems(); }
  BaseActionClass* getAffectingAction(int i) const;
  BaseActionClass* getEnabledAction(int i) const;
  void printAffectingActions() const;
  void printEnabledActions() const;

 protected:
  char* name = nullptr;
  char* prefix = nullptr;
  bool shared = false;
  bool stored = true;
  bool functionallyShared = false;
  int sharingCount = 0;
  List<BaseActionClass>* affectingActions = nullptr;
  List<BaseActionClass>* enabledActions = nullptr;
};

#endif
