// A zoom range from the main window as one job: a task per zoom in ascending order, the
// status line naming the zoom that runs, one closing message, and Stop then Start
// continuing the job without fetching a tile twice.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "app/TaskStanding.h"
#include "app/Unit1.h"
#include "support/LoopbackReplies.h"
#include "support/MainWindowRig.h"

namespace kartovel {
namespace {

using testing::MainWindowRig;
using testing::MainWindowRigOptions;

// The tile folder a task file's run writes to.
std::string ReadTaskFileTileFolder(const std::string& taskFile) {
  return taskFile.substr(0, taskFile.size() - std::string(".qtsk").size()) + "/";
}

const std::string kTaskStopedBox = "Task stoped!" + std::string(20, ' ');

TEST(ZoomRangeJob, EachZoomRunsAsItsOwnTaskAndStopThenStartContinuesTheJob) {
  MainWindowRigOptions options;
  // Replies that take a moment, so that Stop reaches the second zoom before its end.
  options.ServerReply = [](const testing::Request&) {
    return testing::DelayedReply(testing::PngReply(), std::chrono::milliseconds(20));
  };
  MainWindowRig rig(options);
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  rig.TypeRequest("10", "10.3", "50.2", "50", 12, rig.SavePath(), "survey");
  ASSERT_TRUE(rig.Click(&TForm1::UpDownZoomToUp));
  EXPECT_EQ(rig.Form->EditZoomTo, "13");
  const auto job = rig.Form->CurrentRequestedJob();
  ASSERT_TRUE(std::holds_alternative<RequestedJob>(job));
  EXPECT_EQ(std::get<RequestedJob>(job).FirstZoom, 12);
  EXPECT_EQ(std::get<RequestedJob>(job).LastZoom, 13);

  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  std::set<std::string> statuses;
  bool stopped = false;
  int32_t settledAtStop = 0;
  ASSERT_TRUE(rig.RunToEnd(std::chrono::seconds(60), [&] {
    statuses.insert(rig.Form->StatusBar1);
    if (!stopped && rig.Form->StatusBar1.rfind("Zoom 13", 0) == 0 &&
        rig.Form->Progress.SettledCount >= 16) {
      stopped = true;
      settledAtStop = rig.Form->Progress.SettledCount;
      ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));  // Stop during the second zoom
    }
  }));
  ASSERT_TRUE(stopped);
  EXPECT_TRUE(statuses.count("Zoom 12 (1 of 2): survey_12.qtsk"));
  EXPECT_TRUE(statuses.count("Zoom 13 (2 of 2): survey_13.qtsk"));
  EXPECT_EQ(rig.Form->EditTaskName, "survey");  // a range's tasks are named after the box
  EXPECT_EQ(rig.Platform.Messages(), std::vector<std::string>{kTaskStopedBox});
  const TaskStanding first = ReadTaskStanding(rig.SavePath("survey_12.qtsk"));
  EXPECT_EQ(first.TilesOnDisk, first.TotalCount);
  EXPECT_LT(ReadTaskStanding(rig.SavePath("survey_13.qtsk")).TilesOnDisk,
            ReadTaskStanding(rig.SavePath("survey_13.qtsk")).TotalCount);

  // The finished zoom's tiles, as they were before the job is started again.
  std::map<std::string, std::filesystem::file_time_type> written;
  for (const auto& entry :
       std::filesystem::directory_iterator(ReadTaskFileTileFolder(rig.SavePath("survey_12.qtsk")))) {
    written[entry.path().string()] = entry.last_write_time();
  }
  ASSERT_EQ(static_cast<int64_t>(written.size()), first.TotalCount);
  const std::size_t requestsBefore = rig.Server.RequestCount();

  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));  // Start again, no box touched
  EXPECT_TRUE(rig.Platform.Questions().empty());
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
  const TaskStanding second = ReadTaskStanding(rig.SavePath("survey_13.qtsk"));
  EXPECT_EQ(second.TilesOnDisk, second.TotalCount);
  // The finished zoom continued as finished: none of its tiles was fetched again.
  for (const auto& [file, time] : written) {
    EXPECT_EQ(std::filesystem::last_write_time(file), time) << file;
  }
  // The stopped one went on where it stopped: a worker's transfer cut short by the Stop
  // is the only tile fetched twice.
  const auto total = static_cast<std::size_t>(first.TotalCount + second.TotalCount);
  EXPECT_GE(rig.Server.RequestCount(), total);
  EXPECT_LE(rig.Server.RequestCount(), total + 8);
  EXPECT_LE(rig.Server.RequestCount() - requestsBefore,
            static_cast<std::size_t>(second.TotalCount - settledAtStop + 8));
  EXPECT_EQ(rig.Platform.Messages().size(), 2u);
}

}  // namespace
}  // namespace kartovel
