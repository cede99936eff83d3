#include "BaseClasses/state/Place.h"

Place::Place() : Place("default", 0) {}

Place::Place(const char* name) : Place(name, 0) {}

Place::Place(const char* name, short initialMarking) : SharableSV<short>(name, "") {
  Mark = value;
  registerAlias(&Mark);
  *value = initialMarking;
}

Place::~Place() = default;
