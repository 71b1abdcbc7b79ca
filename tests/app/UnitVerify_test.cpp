// The verify dialog's model: the chosen target's summary in the pane, nothing done on
// cancel, and a Close while it runs (reaching it through the events it processes)
// abandons the check.
#include "app/UnitVerify.h"

#include <gtest/gtest.h>

#include <thread>

#include "export/HandMadeTask.h"
#include "support/ScriptedPlatform.h"

namespace kartovel {
namespace {

using testing::HandMadeTask;
using testing::Sandbox;
using testing::ScriptedPlatform;

TEST(UnitVerify, TheChosenTargetsSummaryFillsThePaneAndACancelLeavesItEmpty) {
  Sandbox box;
  ScriptedPlatform platform(testing::WriteProgramFolder(box, "BLANK"));
  const HandMadeTask task{.name = "holes", .zoom = 2, .maxX = 1, .maxY = 0};
  const std::string taskFile = WriteHandMadeTask(box, task);
  Sandbox::WriteAll(testing::TilePathOf(box, task, 0, 0), "BLANK");
  TfrmVerify form(platform);
  form.Show();
  platform.QueueOpenFileAnswer(std::nullopt);
  form.Button1Click();
  EXPECT_TRUE(form.Memo1.empty());
  platform.QueueOpenFileAnswer(taskFile);
  form.Button1Click();
  EXPECT_EQ(form.Memo1, (Lines{taskFile + ": task", "Zoom 2: 0 present, 1 blank, 1 missing, 0 damaged",
                               "Failed-tile records: 0",
                               "Missing: " + testing::TileName(1, 0, 2), "Holes: 1 missing, 1 blank."}));
  EXPECT_FALSE(form.Running);
}

TEST(UnitVerify, ACloseDuringTheCheckAbandonsIt) {
  Sandbox box;
  ScriptedPlatform platform(testing::WriteProgramFolder(box, "BLANK"));
  // 268 million tiles, none on disk.
  const HandMadeTask task{.name = "world", .zoom = 14, .maxX = 16383, .maxY = 16383};
  const std::string taskFile = WriteHandMadeTask(box, task);
  TfrmVerify form(platform);
  form.Show();
  std::thread closer([&] { platform.RunBlocking([&] { form.Close(); }); });
  const VerifyReport report = form.Verify(taskFile);
  closer.join();
  EXPECT_TRUE(report.Stopped);
  EXPECT_FALSE(form.Visible);
  EXPECT_EQ(form.Memo1.back(), "Verify stopped before the end.");
}

}  // namespace
}  // namespace kartovel
