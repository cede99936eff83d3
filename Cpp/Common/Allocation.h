#ifndef CORVAX_ALLOCATION_H
#define CORVAX_ALLOCATION_H

#include <cstring>
#include <new>

#include "Common/ErrorHandler.h"

// Allocations of the framework: a failure ends the program through
// MemoryAllocationError.

// n value-initialised elements (none for n below 1).
template <class T>
T* allocateArray(int n) {
  T* array = new (std::nothrow) T[n > 0 ? n : 0]();
  if (!array) MemoryAllocationError();
  return array;
}

// A heap copy of the text (of "" for null), to be freed with delete[].
inline char* copyText(const char* text) {
  if (!text) text = "";
  char* copy = allocateArray<char>(static_cast<int>(std::strlen(text)) + 1);
  std::strcpy(copy, text);
  return copy;
}

#endif
