// The download tests' program: GoogleTest's runner, or the transfers whose memory a test
// measures in a child process of its own (see MemoryChild.h).
#include <gtest/gtest.h>

#include <cstdlib>

#include "MemoryChild.h"

int main(int argc, char** argv) {
  if (std::getenv(kartovel::testing::kMemoryChildVariable) != nullptr) {
    return kartovel::testing::RunMemoryChild();
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
