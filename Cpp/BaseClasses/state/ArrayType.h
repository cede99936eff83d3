#ifndef CORVAX_ARRAY_TYPE_H
#define CORVAX_ARRAY_TYPE_H

#include <cstdint>

// Kinds of the fields of records and the elements of arrays. The scalar
// kinds 0..4 occupy a fixed number of bytes in a state buffer; every other
// code is a structured element whose size is its own StateSize().
enum ArrayType : int32_t {
  ShortElement = 0,   // a short place
  IntElement = 1,     // an int place
  CharElement = 2,    // a one-byte value
  DoubleElement = 3,  // 64-bit floating point
  FloatElement = 4,   // 32-bit floating point
  RecordElement = 6,  // a record (generated record types)
  UntypedElement = 8  // the kind of an array built without a type
};

// Bytes of one value of a scalar kind in a state buffer; 0 for structured kinds.
constexpr int scalarStateSize(ArrayType type) {
  switch (type) {
    case ShortElement:
      return 2;
    case IntElement:
      return 4;
    case CharElement:
      return 1;
    case DoubleElement:
      return 8;
    case FloatElement:
      return 4;
    default:
      return 0;
  }
}

#endif
