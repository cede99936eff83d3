#ifndef CORVAX_EXTENDED_PLACE_H
#define CORVAX_EXTENDED_PLACE_H

#include "BaseClasses/state/SharableSV.h"

// A typed place (int, short or double): the value pointer is registered twice in the
// pointer chain, so a new one has a sharing count of 2. Generated code reads
// and writes the value through Mark(), a reference to the cell.
template <class T>
class ExtendedPlace : public SharableSV<T> {
 public:
  ExtendedPlace();
  explicit ExtendedPlace(const char* name);
  ExtendedPlace(const char* name, T initialValue);
  ExtendedPlace(const char* name, const char* prefix, T initialValue);
  ~ExtendedPlace() override;

  T& Mark() { return *this->value; }
  const T& Mark() const { return *this->value; }
};

extern template class ExtendedPlace<int>;
extern template class ExtendedPlace<short>;
extern template class ExtendedPlace<double>;

#endif
