// The first Ctrl+C or SIGTERM during the tile list of a large task ends the program within
// a second with status 130, no temporary left and no task file, so the next run is fresh.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "cli/CliRig.h"

namespace kartovel {
namespace {

using testing::CliRig;
using testing::CliRun;
using Steady = std::chrono::steady_clock;

// 20,919,190 tiles at zoom 19: a list of about two gigabytes, far longer than a second.
const std::vector<std::string> kLargeArea = {"12", "15", "53.5", "51.5"};

TEST(ListStopCli, AStopDuringTheTileListEndsItAtOnceAndLeavesNothing) {
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    CliRig rig;
    std::vector<std::string> command = rig.Download("19", "large", kLargeArea);
    command.push_back("--yes");
    auto child = rig.Start(command);
    const auto waitLimit = Steady::now() + std::chrono::seconds(30);
    while (rig.OutSoFar().find("Writing the tile list: ") == std::string::npos &&
           Steady::now() < waitLimit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_NE(rig.OutSoFar().find("Writing the tile list: "), std::string::npos);
    const auto signalled = Steady::now();
    child->Signal(signal);
    const CliRun run = rig.Finish(*child, std::chrono::seconds(10));
    // A second, with room for a loaded machine; an unheard stop writes for a minute.
    EXPECT_LT(Steady::now() - signalled, std::chrono::seconds(3));
    EXPECT_EQ(run.Status, 130) << run.Err;
    EXPECT_NE(run.Err.find("Writing the tile list was stopped."), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(rig.MapsFile("large.qtsk")));
    for (const auto& entry : std::filesystem::directory_iterator(rig.Maps)) {
      EXPECT_TRUE(entry.is_directory()) << entry.path();  // only the empty tile folder
    }
  }
}

}  // namespace
}  // namespace kartovel
