// The application tests' program: GoogleTest's runner, or the headless run that the crash
// test starts in a child process of its own (see CrashChild.h).
#include <gtest/gtest.h>

#include <cstdlib>

#include "CrashChild.h"

int main(int argc, char** argv) {
  if (const char* sandbox = std::getenv(kartovel::testing::kCrashChildVariable)) {
    return kartovel::testing::RunCrashChild(sandbox);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
