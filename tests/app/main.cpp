// The application tests' program: GoogleTest's runner, or one of the headless runs that
// the crash and write-fault tests start in child processes of their own (CrashChild.h,
// WriteFaultChild.h).
#include <gtest/gtest.h>

#include <cstdlib>

#include "CrashChild.h"
#include "WriteFaultChild.h"

int main(int argc, char** argv) {
  using namespace kartovel::testing;
  if (const char* sandbox = std::getenv(kCrashChildVariable)) {
    return RunCrashChild(sandbox, std::getenv(kCrashChildShapedVariable) != nullptr);
  }
  if (const char* sandbox = std::getenv(kWriteFaultChildVariable)) {
    const char* step = std::getenv(kWriteFaultStepVariable);
    return RunWriteFaultChild(sandbox, step ? std::atoll(step) : 0);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
