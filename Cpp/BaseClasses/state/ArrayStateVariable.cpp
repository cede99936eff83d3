#include "BaseClasses/state/ArrayStateVariable.h"

#include <cassert>
#include <cstdlib>
#include <iostream>

#include "Common/ErrorHandler.h"

void ArrayIndexOutOfBounds(const char* arrayName, int size, int index) {
  std::cerr << "Runtime error: index out of bounds. " << arrayName << "[0.." << size - 1
            << "] indexed with " << index << std::endl;
  std::exit(1);
}

namespace {
BaseStateVariableClass* setElementOf(BaseStateVariableClass* element) {
  assert(element && "every element of an array is set");
  return element;
}
}  // namespace

BaseStateVariableClass* BaseArrayStateVariable::Part(int i) const {
  return setElementOf(fields[i]);
}

BaseArrayStateVariable::BaseArrayStateVariable() : elementType(UntypedElement) {}

BaseArrayStateVariable::BaseArrayStateVariable(const char* name, const char* prefix)
    : CompositeStateVariable(name, prefix), elementType(UntypedElement) {}

BaseArrayStateVariable::BaseArrayStateVariable(const char* name, const char* prefix, ArrayType type,
                                               int n)
    : CompositeStateVariable(name, prefix),
      elementType(type),
      fields(static_cast<std::size_t>(n > 0 ? n : 0), nullptr) {}

BaseArrayStateVariable::~BaseArrayStateVariable() = default;

void BaseArrayStateVariable::setElement(int i, BaseStateVariableClass* element) {
  assert(i >= 0 && i < getSize() && "element index within the array");
  const int scalarSize = scalarStateSize(elementType);
  assert((!element || scalarSize == 0 || element->StateSize() == scalarSize) &&
         "the state size of an element matches the array's ArrayType");
  fields[i] = element;
}

void BaseArrayStateVariable::appendElement(BaseStateVariableClass* element) {
  while (firstUnset_ < getSize() && fields[firstUnset_]) firstUnset_++;
  if (firstUnset_ == getSize()) fields.push_back(nullptr);
  setElement(firstUnset_++, element);
}

int BaseArrayStateVariable::StateSize() {
  if (fields.empty()) return 0;
  const int scalarSize = scalarStateSize(elementType);
  const int elementSize = scalarSize ? scalarSize : setElementOf(fields[0])->StateSize();
  return getSize() * elementSize;
}

void BaseArrayStateVariable::SetState(void* src) {
  if (fields.empty()) return;
  const int elementSize = setElementOf(fields[0])->StateSize();
  char* buffer = static_cast<char*>(src);
  for (std::size_t k = 0; k < fields.size(); k++)
    setElementOf(fields[k])->SetState(buffer + k * elementSize);
}

void BaseArrayStateVariable::CurrentState(void* dst) {
  if (fields.empty()) return;
  const int elementSize = setElementOf(fields[0])->StateSize();
  char* buffer = static_cast<char*>(dst);
  for (std::size_t k = 0; k < fields.size(); k++)
    setElementOf(fields[k])->CurrentState(buffer + k * elementSize);
}

void BaseArrayStateVariable::share(BaseStateVariableClass* other) {
  auto* otherArray = dynamic_cast<BaseArrayStateVariable*>(other);
  assert(otherArray);
  ShareWith(otherArray);
}

void BaseArrayStateVariable::ShareWith(BaseStateVariableClass* other) {
  auto* otherArray = dynamic_cast<BaseArrayStateVariable*>(other);
  assert(otherArray);
  auto otheri = otherArray->fields.begin();
  for (BaseStateVariableClass* element : fields) {
    // The assertion text is part of the documented output: keep it unspaced.
    // clang-format off
    assert(otheri!=otherArray->fields.end());
    // clang-format on
    setElementOf(element)->share(setElementOf(*otheri));
    ++otheri;
  }
}

void BaseArrayStateVariable::appendAffectingAction(BaseActionClass* TheAction) {
  assert(TheAction);
  for (BaseStateVariableClass* element : fields)
    setElementOf(element)->appendAffectingAction(TheAction);
}

void BaseArrayStateVariable::appendEnabledAction(BaseActionClass* TheAction) {
  assert(TheAction);
  enabledActions->append(TheAction);
  for (BaseStateVariableClass* element : fields)
    setElementOf(element)->appendEnabledAction(TheAction);
}
