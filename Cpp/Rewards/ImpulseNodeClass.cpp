#include "Rewards/ImpulseNodeClass.h"

ImpulseNodeClass::~ImpulseNodeClass() { delete[] ReferenceSlots; }

void ImpulseNodeClass::Reset() {
  Value = 0.0;
  SecondValue = 0.0;
}

void ImpulseNodeClass::DefineName(const char* name, int impulseIndex, int workerIndex) {
  Name = name ? name : "";
  ImpulseIndex = impulseIndex;
  WorkerIndex = workerIndex;
}

void ImpulseNodeClass::AllocateReferenceSlots(int n) {
  delete[] ReferenceSlots;
  NumReferenceSlots = n > 0 ? n : 0;
  ReferenceSlots = new BaseModelClass**[NumReferenceSlots]();
}
