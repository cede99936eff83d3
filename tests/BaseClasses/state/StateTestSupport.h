#ifndef STATE_TEST_SUPPORT_H
#define STATE_TEST_SUPPORT_H

#include <string>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/state/ExtendedPlace.h"
#include "BaseClasses/state/StructStateVariable.h"

// An action with pointer fields that follow the cells of linked variables.
struct LinkedAction : BaseActionClass {
  short* shortSlot = nullptr;
  int* intSlot = nullptr;
};

inline void enableArc(BaseStateVariableClass* v, BaseActionClass* a) {
  v->appendEnabledAction(a);
  a->addEnablingSV(v);
}
inline void affectArc(BaseStateVariableClass* v, BaseActionClass* a) {
  v->appendAffectingAction(a);
  a->addAffectedSV(v);
}

struct msg_state {
  int stamp;
  short speed;
};

// A generated-style record: an int field and a short field.
class TestMsg : public StructStateVariable<msg_state> {
 public:
  TestMsg(const char* name, const char* prefix) : StructStateVariable(name, prefix) {
    const std::string fieldPrefix = std::string(prefix) + "." + name;
    stamp = new ExtendedPlace<int>("stamp", fieldPrefix.c_str(), 0);
    appendField(stamp, IntElement);
    speed = new ExtendedPlace<short>("speed", fieldPrefix.c_str(), 0);
    appendField(speed, ShortElement);
  }
  ~TestMsg() override {
    delete stamp;
    delete speed;
  }
  ExtendedPlace<int>* stamp;
  ExtendedPlace<short>* speed;
};

#endif
