#include "MovingBlock/MessageRecords.h"

#include <string>

namespace {
// Prefix of a record's fields: the record's prefix, ".", its name.
std::string fieldPrefix(const char* prefix, const char* name) {
  return std::string(prefix ? prefix : "") + "." + (name ? name : "");
}
}  // namespace

tprMsg::tprMsg(const char* name, const char* prefix) : tprMsg(name, prefix, tprMsg_state{}) {}

tprMsg::tprMsg(const char* name, const char* prefix, tprMsg_state initial)
    : tprMsg(name, prefix, fieldPrefix(prefix, name).c_str(), initial) {}

tprMsg::tprMsg(const char* name, const char* prefix, const char* prefixText, tprMsg_state initial)
    : StructStateVariable<tprMsg_state>(name, prefix) {
  timestamp = new ExtendedPlace<int>("timestamp", prefixText, initial.timestamp);
  appendField(timestamp, IntElement);
  position = new ExtendedPlace<int>("position", prefixText, initial.position);
  appendField(position, IntElement);
  speed = new ExtendedPlace<short>("speed", prefixText, initial.speed);
  appendField(speed, ShortElement);
  integrityConfirmed = new ExtendedPlace<short>("integrityConfirmed", prefixText,
                                                initial.integrityConfirmed);
  appendField(integrityConfirmed, ShortElement);
}

tprMsg::~tprMsg() {
  delete timestamp;
  delete position;
  delete speed;
  delete integrityConfirmed;
}

maMsg::maMsg(const char* name, const char* prefix) : maMsg(name, prefix, maMsg_state{}) {}

maMsg::maMsg(const char* name, const char* prefix, maMsg_state initial)
    : StructStateVariable<maMsg_state>(name, prefix) {
  const std::string prefixText = fieldPrefix(prefix, name);
  timestamp = new ExtendedPlace<int>("timestamp", prefixText.c_str(), initial.timestamp);
  appendField(timestamp, IntElement);
  EoA = new ExtendedPlace<int>("EoA", prefixText.c_str(), initial.EoA);
  appendField(EoA, IntElement);
}

maMsg::~maMsg() {
  delete timestamp;
  delete EoA;
}
