#include "BaseClasses/state/SharableSV.h"

#include <cassert>
#include <new>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/state/StateMemory.h"
#include "Common/ErrorHandler.h"

namespace {
template <class T>
T* newCell() {
  T* cell = new (std::nothrow) T(0);
  if (!cell) MemoryAllocationError();
  return cell;
}
}  // namespace

template <class T>
SharableSV<T>::SharableSV() : value(newCell<T>()), representative(this) {
  registerOwnValue();
}

template <class T>
SharableSV<T>::SharableSV(const char* name, const char* prefix)
    : BaseStateVariableClass(name, prefix), value(newCell<T>()), representative(this) {
  registerOwnValue();
}

template <class T>
SharableSV<T>::~SharableSV() {
  if (stored) delete value;
  chain.clear();
}

template <class T>
void SharableSV<T>::registerOwnValue() {
  sharingCount++;
  SharedPointerNode<T>* NextElement = chain.push(&value, this);
  assert(NextElement->getOwner());
}

template <class T>
void SharableSV<T>::registerAlias(T** field) {
  sharingCount++;
  chain.push(field, nullptr);
}

template <class T>
void SharableSV<T>::SetState(void* src) {
  readMemory2<T>(src, value);
}

template <class T>
void SharableSV<T>::CurrentState(void* dst) {
  writeMemory<T>(*value, dst);
}

template <class T>
void SharableSV<T>::printState(std::ostream* stream) {
  *stream << name << " = " << *value << std::endl;
}

template <class T>
void SharableSV<T>::printStateVal(std::ostream* stream) {
  *stream << *value;
}

template <class T>
SharableSV<T>* SharableSV<T>::getRepresentative() {
  SharableSV<T>* keeper = this;
  while (!keeper->stored) keeper = keeper->representative;
  return keeper;
}

template <class T>
void SharableSV<T>::appendAffectingAction(BaseActionClass* action) {
  // Every member of the group holds the representative's list.
  getRepresentative()->affectingActions->append(action);
}

template <class T>
void SharableSV<T>::linkPointer(T** field) {
  // A pointer linked to a member that already gave up its storage goes to
  // the representative's chain, which is the one that later shares walk.
  SharableSV<T>* keeper = getRepresentative();
  *field = keeper->value;
  keeper->registerAlias(field);
}

template <class T>
void SharableSV<T>::share(BaseStateVariableClass* other) {
  auto* otherSV = dynamic_cast<SharableSV<T>*>(other);
  assert(otherSV);
  SharableSV<T>* mine = getRepresentative();
  SharableSV<T>* theirs = otherSV->getRepresentative();
  if (mine == theirs) return;  // already one group: nothing to merge

  SharableSV<T>* survivor;
  SharableSV<T>* loser;
  if (stored && otherSV->stored) {
    survivor = this;
    loser = otherSV;
    *value = *otherSV->value;
    shared = true;
  } else if (stored) {
    survivor = theirs;
    loser = this;
  } else if (otherSV->stored) {
    survivor = mine;
    loser = otherSV;
  } else if (sharingCount <= theirs->sharingCount) {
    survivor = theirs;
    loser = mine;
  } else {
    survivor = mine;
    loser = theirs;
  }
  // The actions that list other among their variables now list the group's
  // representative. Every such action is in the lists of other's group as
  // they are before the merge (an arc links both sides, and the lists of a
  // group only grow), so only those are visited: the merged lists would
  // also hold the survivor's actions, as many as the group has members.
  // Done before the merge, whose survivor is the representative to be.
  List<BaseActionClass>* affecting = otherSV->affectingActions;
  for (int i = 0; i < affecting->getNumItems(); i++)
    affecting->getItem(i)->getAffectedVariables()->replaceItem(otherSV, survivor);
  List<BaseActionClass>* enabled = otherSV->enabledActions;
  for (int i = 0; i < enabled->getNumItems(); i++)
    enabled->getItem(i)->getEnablingVariables()->replaceItem(otherSV, survivor);

  loser->mergeInto(survivor);
  assert(getRepresentative() == survivor);
}

// This variable is the representative that gives up its storage.
template <class T>
void SharableSV<T>::mergeInto(SharableSV<T>* survivor) {
  delete value;
  representative = survivor;
  value = survivor->value;
  chain.redirect(survivor->value);
  shared = true;
  stored = false;

  List<BaseActionClass>* SVAffectingActions = survivor->affectingActions;
  List<BaseActionClass>* SVEnabledActions = survivor->enabledActions;
  assert(SVAffectingActions);
  assert(SVEnabledActions);
  SVAffectingActions->append(affectingActions);
  SVEnabledActions->append(enabledActions);
  delete affectingActions;
  delete enabledActions;
  affectingActions = SVAffectingActions;
  enabledActions = SVEnabledActions;

  // Every variable merged earlier into this one follows it to the survivor.
  SharedPointerList<T>* TheOtherPointer = &chain;
  assert(TheOtherPointer->getHead());
  for (SharedPointerNode<T>* node = TheOtherPointer->getHead(); node; node = node->getNext()) {
    SharableSV<T>* owner = node->getOwner();
    if (!owner) continue;
    owner->affectingActions = SVAffectingActions;
    owner->enabledActions = SVEnabledActions;
    owner->representative = survivor;
  }

  chain.spliceInFrontOf(survivor->chain);
  survivor->sharingCount += sharingCount;
}

template class SharableSV<short>;
template class SharableSV<int>;
template class SharableSV<double>;
