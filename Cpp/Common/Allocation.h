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

// A heap copy of the text (of "" for null), to be freed with delete[]. When
// it cannot be allocated, onFailure reports it and ends the program (by
// default MemoryAllocationError; the state variables report their names'
// copies in words of their own).
inline char* copyText(const char* text, void (*onFailure)() = MemoryAllocationError) {
  if (!text) text = "";
  const size_t size = std::strlen(text) + 1;
  char* copy = new (std::nothrow) char[size];
  if (!copy) {
    onFailure();
    MemoryAllocationError();  // onFailure must not return; stop here if it does
  }
  std::memcpy(copy, text, size);
  return copy;
}

#endif
