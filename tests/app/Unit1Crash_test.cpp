// A run killed without warning and started again: the program's files must let the same
// request continue and complete, with no file cut short.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <filesystem>
#include <set>
#include <thread>

#include "ChildProcess.h"
#include "CrashChild.h"
#include "app/Unit1.h"
#include "common/IniFile.h"
#include "common/LineFile.h"
#include "support/MainWindowRig.h"

namespace kartovel {
namespace {

using testing::MainWindowRig;
using testing::Sandbox;

bool TaskFileHoldsPositions(const std::string& taskFile) {
  return std::filesystem::exists(taskFile) &&
         TIniFile(taskFile).ReadInteger("THREADS", "T1X", 0) > 0;
}

// Kills a run in a child process, continues it here and checks that no tile is lost.
void KillAndContinue(bool shaped) {
  MainWindowRig rig;
  const std::string taskFile = rig.SavePath("crash.qtsk");

  std::vector<std::string> environment{std::string(testing::kCrashChildVariable) + "=" +
                                       rig.Box.Folder()};
  if (shaped) environment.push_back(std::string(testing::kCrashChildShapedVariable) + "=1");
  const pid_t child = testing::SpawnTestChild(environment);
  ASSERT_NE(child, -1);
  // Kill the child a few fifth ticks after the first positions reached the task file.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!TaskFileHoldsPositions(taskFile) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const bool positionsSaved = TaskFileHoldsPositions(taskFile);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  ASSERT_EQ(kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself with " << WEXITSTATUS(status);
  ASSERT_TRUE(positionsSaved);

  // What the killed run left: every text file whole (each line ended by CR LF).
  const std::string logAtKill = Sandbox::ReadAll(rig.SavePath("crash_log.txt"));
  ASSERT_TRUE(logAtKill.ends_with("\r\n"));
  const std::string failedAtKill = Sandbox::ReadAll(rig.SavePath("crash_failed.ftl"));
  EXPECT_TRUE(failedAtKill.empty() || failedAtKill.ends_with("\r\n"));

  // The same request again, in this process.
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  testing::TypeCrashRequest(*rig.Form, rig.Box.Path("maps"), shaped);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.Form->CurrentParameters->ContinueTask);
  const DownloadTask& task = *rig.Form->CurrentTask;
  EXPECT_GT(rig.Form->Progress.SettledCount, 0);
  EXPECT_LT(rig.Form->Progress.SettledCount, task.TotalCount);
  const Lines logLinesAtKill = SplitLines(logAtKill);
  ASSERT_GE(rig.Form->Memo1.size(), logLinesAtKill.size());
  EXPECT_TRUE(std::equal(logLinesAtKill.begin(), logLinesAtKill.end(), rig.Form->Memo1.begin()));
  ASSERT_TRUE(rig.RunToEnd(std::chrono::seconds(120)));
  EXPECT_TRUE(rig.Platform.Errors().empty());

  const Lines failed = ReadLines(task.FailedFileName);
  std::set<std::string> failedPaths;
  for (const auto& record : failed) {
    failedPaths.insert(record.substr(0, record.find('|')));
  }
  int missing = 0;
  int covered = 0;
  for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
    for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
      const std::string path = task.TilePath(x, y);
      if (!task.Covers(x, y)) {
        EXPECT_FALSE(std::filesystem::exists(path)) << path << " lies outside the shape";
        continue;
      }
      ++covered;
      if (failedPaths.count(path) != 0) {
        continue;
      }
      if (!std::filesystem::exists(path) || Sandbox::ReadAll(path) != testing::SmallPng()) {
        ++missing;
        ADD_FAILURE() << path << " is missing or not the served tile";
      }
    }
  }
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(covered, task.TotalCount);
  EXPECT_EQ(rig.Form->Progress.SettledCount, task.TotalCount);
  EXPECT_EQ(Sandbox::ReadAll(task.LogFileName).size(), [&] {
    std::size_t bytes = 0;
    for (const auto& line : rig.Form->Memo1) {
      bytes += line.size() + 2;
    }
    return bytes;
  }());
  EXPECT_GE(ReadLines(task.ListFileName).size(), static_cast<std::size_t>(task.TotalCount));
}

TEST(MainWindowCrash, AKilledRunContinuesToEveryTileWithWholeFiles) {
  KillAndContinue(false);
}

TEST(MainWindowCrash, AKilledShapedRunContinuesToEveryCoveredTileAndNoOther) {
  KillAndContinue(true);
}

}  // namespace
}  // namespace kartovel
