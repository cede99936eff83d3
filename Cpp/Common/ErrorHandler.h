#ifndef CORVAX_ERROR_HANDLER_H
#define CORVAX_ERROR_HANDLER_H

// The framework's error reports. Each writes a fixed text to standard error;
// only MemoryAllocationError and InvalidStructType end the program.

[[noreturn]] void MemoryAllocationError();
void MemoryError();
void ErrorEmptyParameter(const char* what);
void InconsistantState();
void UserError();
void ArrayTypeMismatchError(const char* first, const char* second);
void StructTypeMismatchError(const char* first, const char* second);
void InvalidArrayType();
[[noreturn]] void InvalidStructType();
void InvalidUnorderedType();
void ArrayOutOfBoundsError(const char* where);

namespace SyncError {
void WrongDistributionType();
void NoAction();
}  // namespace SyncError

#endif
