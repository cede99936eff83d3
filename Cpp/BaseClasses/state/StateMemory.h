#ifndef CORVAX_STATE_MEMORY_H
#define CORVAX_STATE_MEMORY_H

#include <cstring>
#include <type_traits>

// Typed copies between values and a state buffer. The bytes are copied
// unchanged (machine byte order); buffer positions need no alignment.
// Instantiated for bool, char, double, float, int and short.

template <class T>
inline void writeArray(const T* src, void* dst, int n) {
  static_assert(std::is_trivially_copyable_v<T>);
  if (n > 0) std::memcpy(dst, src, sizeof(T) * static_cast<std::size_t>(n));
}

template <class T>
inline void readArray(T* dst, const void* src, int n) {
  static_assert(std::is_trivially_copyable_v<T>);
  if (n > 0) std::memcpy(dst, src, sizeof(T) * static_cast<std::size_t>(n));
}

template <class T>
inline void writeMemory(T value, void* dst) {
  static_assert(std::is_trivially_copyable_v<T>);
  std::memcpy(dst, &value, sizeof(T));
}

template <class T>
inline void readMemory2(const void* src, T* dst) {
  static_assert(std::is_trivially_copyable_v<T>);
  std::memcpy(dst, src, sizeof(T));
}

#define CORVAX_DECLARE_STATE_MEMORY(T)                      \
  extern template void writeArray<T>(const T*, void*, int); \
  extern template void readArray<T>(T*, const void*, int);  \
  extern template void writeMemory<T>(T, void*);            \
  extern template void readMemory2<T>(const void*, T*);
CORVAX_DECLARE_STATE_MEMORY(bool)
CORVAX_DECLARE_STATE_MEMORY(char)
CORVAX_DECLARE_STATE_MEMORY(double)
CORVAX_DECLARE_STATE_MEMORY(float)
CORVAX_DECLARE_STATE_MEMORY(int)
CORVAX_DECLARE_STATE_MEMORY(short)
#undef CORVAX_DECLARE_STATE_MEMORY

#endif
