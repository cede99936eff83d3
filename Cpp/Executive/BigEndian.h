#ifndef CORVAX_BIG_ENDIAN_H
#define CORVAX_BIG_ENDIAN_H

#include <cstdint>

// Writes the low `size` bytes of value to out, most significant first: the
// byte order of the binary result file and of the manager protocol.
inline void PutBigEndian(unsigned char* out, uint64_t value, int size) {
  for (int i = size - 1; i >= 0; i--) {
    out[i] = static_cast<unsigned char>(value & 0xFF);
    value >>= 8;
  }
}

#endif
