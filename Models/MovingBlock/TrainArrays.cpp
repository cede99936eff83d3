#include "MovingBlock/TrainArrays.h"

#include <string>

intArrayOfTrains::intArrayOfTrains(const char* name, const char* prefix, int numTrains)
    : ArrayStateVariable<ExtendedPlace<int> >(name, prefix, IntElement, numTrains) {
  for (int i = 0; i < numTrains; i++)
    appendElement(new ExtendedPlace<int>(std::to_string(i).c_str(), name, 0));
}
intArrayOfTrains::~intArrayOfTrains() { destroyElements(); }

shortArrayOfTrains::shortArrayOfTrains(const char* name, const char* prefix, int numTrains)
    : ArrayStateVariable<ExtendedPlace<short> >(name, prefix, ShortElement, numTrains) {
  for (int i = 0; i < numTrains; i++)
    appendElement(new ExtendedPlace<short>(std::to_string(i).c_str(), name, 0));
}
shortArrayOfTrains::~shortArrayOfTrains() { destroyElements(); }

tprMsgArrayOfTrains::tprMsgArrayOfTrains(const char* name, const char* prefix, int numTrains)
    : ArrayStateVariable<tprMsg>(name, prefix, RecordElement, numTrains) {
  for (int i = 0; i < numTrains; i++)
    appendElement(new tprMsg(std::to_string(i).c_str(), name, tprMsg_state{}));
}
tprMsgArrayOfTrains::~tprMsgArrayOfTrains() { destroyElements(); }

maMsgOfTrains::maMsgOfTrains(const char* name, const char* prefix, int numTrains)
    : ArrayStateVariable<maMsg>(name, prefix, RecordElement, numTrains) {
  for (int i = 0; i < numTrains; i++) appendElement(new maMsg(std::to_string(i).c_str(), name));
}
maMsgOfTrains::~maMsgOfTrains() { destroyElements(); }
