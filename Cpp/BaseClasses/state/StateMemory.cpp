#include "BaseClasses/state/StateMemory.h"

#define CORVAX_DEFINE_STATE_MEMORY(T)                \
  template void writeArray<T>(const T*, void*, int); \
  template void readArray<T>(T*, const void*, int);  \
  template void writeMemory<T>(T, void*);            \
  template void readMemory2<T>(const void*, T*);
CORVAX_DEFINE_STATE_MEMORY(bool)
CORVAX_DEFINE_STATE_MEMORY(char)
CORVAX_DEFINE_STATE_MEMORY(double)
CORVAX_DEFINE_STATE_MEMORY(float)
CORVAX_DEFINE_STATE_MEMORY(int)
CORVAX_DEFINE_STATE_MEMORY(short)
