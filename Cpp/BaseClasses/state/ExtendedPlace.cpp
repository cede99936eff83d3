#include "BaseClasses/state/ExtendedPlace.h"

template <class T>
ExtendedPlace<T>::ExtendedPlace() : ExtendedPlace("default", "", 0) {}

template <class T>
ExtendedPlace<T>::ExtendedPlace(const char* name) : ExtendedPlace(name, "", 0) {}

template <class T>
ExtendedPlace<T>::ExtendedPlace(const char* name, T initialValue)
    : ExtendedPlace(name, "", initialValue) {}

template <class T>
ExtendedPlace<T>::ExtendedPlace(const char* name, const char* prefix, T initialValue)
    : SharableSV<T>(name, prefix) {
  this->registerAlias(&this->value);
  *this->value = initialValue;
}

template <class T>
ExtendedPlace<T>::~ExtendedPlace() = default;

template class ExtendedPlace<int>;
template class ExtendedPlace<short>;
template class ExtendedPlace<double>;
