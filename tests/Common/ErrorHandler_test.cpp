// The framework's error reports: exact lines and what happens afterwards.
#include "Common/ErrorHandler.h"

#include <gtest/gtest.h>

#include "support/Capture.h"

namespace {

TEST(ErrorHandler, ReportsThatReturn) {
  EXPECT_EQ(StderrOf(MemoryError), "Memory Error\n");
  EXPECT_EQ(StderrOf(UserError), "A user error has been detected\n");
  EXPECT_EQ(StderrOf(InvalidArrayType), "ArrayType is not valid\n");
  EXPECT_EQ(StderrOf(InvalidUnorderedType), "ArrayType is invalid for unordered element\n");
  EXPECT_EQ(StderrOf(SyncError::WrongDistributionType),
            "You can only synchronize actions from one type,either exponential or instantenous\n");
  EXPECT_EQ(StderrOf(SyncError::NoAction), " no Action found in model\n");
  EXPECT_EQ(StderrOf(InconsistantState),
            "This program has entered into an inconsistant state. Please report this bug.\n");

  EXPECT_EQ(StderrOf([] {
              ErrorEmptyParameter("x");
              ErrorEmptyParameter(nullptr);
            }),
            "x: Parameter was an empty reference\n: Parameter was an empty reference\n");

  EXPECT_EQ(StderrOf([] {
              ArrayTypeMismatchError("a", "b");
              StructTypeMismatchError("c", "d");
              ArrayOutOfBoundsError("here");
            }),
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
