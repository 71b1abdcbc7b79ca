// Errors escaping a handler reach the general error display, with its full stop rule.
#include "app/HandlerGuard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "common/Error.h"
#include "support/ScriptedPlatform.h"

namespace kartovel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ScriptedPlatform;

TEST(HandlerGuardTest, AHandlerThatEndsNormallyShowsNothing) {
  ScriptedPlatform platform;
  bool ran = false;
  EXPECT_TRUE(RunHandler(platform, [&] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_THAT(platform.Errors(), IsEmpty());
}

TEST(HandlerGuardTest, AnErrorEndsOnlyTheHandlerAndTheNextOneRuns) {
  ScriptedPlatform platform;
  bool reachedAfterThrow = false;
  EXPECT_FALSE(RunHandler(platform, [&] {
    throw CannotOpenFile("/x/task.qtsk");
    reachedAfterThrow = true;
  }));
  EXPECT_FALSE(reachedAfterThrow);
  EXPECT_TRUE(RunHandler(platform, [] {}));
  EXPECT_THAT(platform.Errors(), ElementsAre("Cannot open file /x/task.qtsk."));
  EXPECT_THAT(platform.Messages(), IsEmpty());
}

struct ErrorCase {
  std::function<void()> raise;
  std::string shown;
};

class ErrorTextTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorTextTest, ShowsTheMessageWithAFullStopWhenItsLastCharacterSortsAfterIt) {
  ScriptedPlatform platform;
  EXPECT_FALSE(RunHandler(platform, GetParam().raise));
  EXPECT_THAT(platform.Errors(), ElementsAre(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ErrorTextTest,
    ::testing::Values(
        ErrorCase{[] { throw AppError("Unable to write to /p/ini/config.ini"); },
                  "Unable to write to /p/ini/config.ini."},
        ErrorCase{[] { throw AppError("Already ends."); }, "Already ends."},
        ErrorCase{[] { throw AppError("Stop!"); }, "Stop!"},
        ErrorCase{[] { throw AppError(""); }, ""},
        ErrorCase{[] { throw AppError("Cannot create file "); }, "Cannot create file "},
        ErrorCase{[] { throw AppError("list, "); }, "list, "},
        ErrorCase{[] { throw AppError("dash-"); }, "dash-"},
        ErrorCase{[] { throw AppError("path/"); }, "path/."},
        ErrorCase{[] { throw AppError("Code 404"); }, "Code 404."},
        ErrorCase{[] { throw AppError("Really?"); }, "Really?."},
        ErrorCase{[] { throw std::runtime_error("any standard error"); }, "any standard error."},
        ErrorCase{[] { throw std::bad_alloc(); }, "Out of memory."},
        ErrorCase{[] { throw 42; }, "Unknown error."}));

}  // namespace
}  // namespace kartovel
