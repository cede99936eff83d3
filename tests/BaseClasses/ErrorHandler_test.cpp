// The framework's error reports: exact lines and what happens afterwards.
#include <gtest/gtest.h>

#include "BaseClasses/ErrorHandler.h"

namespace {

std::string stderrOf(void (*report)()) {
  testing::internal::CaptureStderr();
  report();
  return testing::internal::GetCapturedStderr();
}

TEST(ErrorHandler, ReportsThatReturn) {
  EXPECT_EQ(stderrOf(MemoryError), "Memory Error\n");
  EXPECT_EQ(stderrOf(UserError), "A user error has been detected\n");
  EXPECT_EQ(stderrOf(InvalidArrayType), "ArrayType is not valid\n");
  EXPECT_EQ(stderrOf(InvalidUnorderedType), "ArrayType is invalid for unordered element\n");
  EXPECT_EQ(stderrOf(SyncError::WrongDistributionType),
            "You can only synchronize actions from one type,either exponential or instantenous\n");
  EXPECT_EQ(stderrOf(SyncError::NoAction), " no Action found in model\n");
  EXPECT_EQ(stderrOf(InconsistantState),
            "This program has entered into an inconsistant state. Please report this bug.\n");

  testing::internal::CaptureStderr();
  ErrorEmptyParameter("x");
  ErrorEmptyParameter(nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "x: Parameter was an empty reference\n: Parameter was an empty reference\n");

  testing::internal::CaptureStderr();
  ArrayTypeMismatchError("a", "b");
  StructTypeMismatchError("c", "d");
  ArrayOutOfBoundsError("here");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Array types for equivalence sharing do not match for state variables: \n  a\n  b\n"
            "Struct types for equivalence sharing do not match for state variables: \n  c\n  d\n"
            "Array out of bounds error at here\n");
}

TEST(ErrorHandlerDeathTest, ReportsThatEndTheProgram) {
  EXPECT_EXIT(MemoryAllocationError(), testing::ExitedWithCode(1),
              "^Insufficient Memory to allocate dynamic data structures from heap memory\n"
              "Exiting program...\n$");
  EXPECT_DEATH(InvalidStructType(), "ArrayType is invalid for struct element");
}

}  // namespace
