#ifndef CORVAX_ACTION_NAME_H
#define CORVAX_ACTION_NAME_H

#include "BaseClasses/BaseActionClass.h"

// The name of an action as messages show it; "(unnamed)" for none.
inline const char* ActionName(const BaseActionClass* action) {
  return action && action->getName() ? action->getName() : "(unnamed)";
}

#endif
