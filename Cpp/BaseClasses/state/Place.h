#ifndef CORVAX_PLACE_H
#define CORVAX_PLACE_H

#include "BaseClasses/state/SharableSV.h"

// A place of a stochastic activity network: a short marking. Mark is a
// second pointer to the cell, registered in the pointer chain.
class Place : public SharableSV<short> {
 public:
  Place();
  explicit Place(const char* name);
  Place(const char* name, short initialMarking);
  ~Place() override;

  short getMark() const { return *Mark; }
  void setMark(short marking) { *Mark = marking; }

  short* Mark;
};

#endif
