#include "Common/ErrorHandler.h"

#include <cstdlib>
#include <iostream>

void MemoryAllocationError() {
  std::cerr << "Insufficient Memory to allocate dynamic data structures from heap memory"
            << std::endl;
  std::cerr << "Exiting program..." << std::endl;
  std::exit(1);
}

void MemoryError() { std::cerr << "Memory Error" << std::endl; }

void ErrorEmptyParameter(const char* what) {
  std::cerr << (what ? what : "") << ": Parameter was an empty reference" << std::endl;
}

void InconsistantState() {
  std::cerr << "This program has entered into an inconsistant state. Please report this bug."
            << std::endl;
}

void UserError() { std::cerr << "A user error has been detected" << std::endl; }

static void reportSharingMismatch(const char* kind, const char* first, const char* second) {
  std::cerr << kind
            << " types for equivalence sharing do not match for state variables: " << std::endl;
  std::cerr << "  " << (first ? first : "") << std::endl;
  std::cerr << "  " << (second ? second : "") << std::endl;
}

void ArrayTypeMismatchError(const char* first, const char* second) {
  reportSharingMismatch("Array", first, second);
}

void StructTypeMismatchError(const char* first, const char* second) {
  reportSharingMismatch("Struct", first, second);
}

void InvalidArrayType() { std::cerr << "ArrayType is not valid" << std::endl; }

void InvalidStructType() {
  std::cerr << "ArrayType is invalid for struct element" << std::endl;
  std::abort();
}

void InvalidUnorderedType() {
  std::cerr << "ArrayType is invalid for unordered element" << std::endl;
}

void ArrayOutOfBoundsError(const char* where) {
  std::cerr << "Array out of bounds error at " << (where ? where : "") << std::endl;
}

namespace SyncError {
void WrongDistributionType() {
  std::cerr << "You can only synchronize actions from one type,"
            << "either exponential or instantenous" << std::endl;
}

void NoAction() { std::cerr << " no Action found in model" << std::endl; }
}  // namespace SyncError
