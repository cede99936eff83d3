// The main of every test program: GoogleTest's, in a controlled
// environment. The variables that the simulator reads are removed first,
// so that what the caller's shell sets (SIMTEST=0, say) does not change a
// test; a test that wants one sets it for itself.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  unsetenv("SIMTEST");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
