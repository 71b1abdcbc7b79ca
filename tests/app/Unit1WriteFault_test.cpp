// A run killed at every step of its file writes in turn (the start's files, the tiles,
// the fifth ticks' saves and the ending's, the tiles' batch syncs among them), each time
// in a child process, and the same request started again after each kill until it
// completes: then every tile of the range is on disk with the server's bytes or stands in
// the failed-tile file, and no temporary file is left anywhere. Before each restart the
// tiles put in place after the last batch sync that ended are removed, as a power cut
// with the kill could take them: a saved position that covered one would lose it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "ChildProcess.h"
#include "WriteFaultChild.h"
#include "common/LineFile.h"
#include "support/MainWindowRig.h"

namespace kartovel {
namespace {

using testing::MainWindowRig;
using testing::MainWindowRigOptions;
using testing::Sandbox;

// Far more steps than one run makes, so the walk ends by a run that is never killed.
constexpr int64_t kMaxKillPoints = 400;
constexpr auto kWalkLimit = std::chrono::seconds(300);

// The tile in column 1, row 1 (service row 3 - 1 = 2; worker 6's only tile) always
// fails, by connections closed without a reply, asked again without a pause until the
// tile is given up: every run records a failure and copies the blank image before its
// fifth tick.
MainWindowRigOptions WalkRigOptions() {
  MainWindowRigOptions options;
  options.TimeScale = testing::kWriteFaultTimeScale;
  options.TickEvery = testing::kWriteFaultTickEvery;
  options.ServerReply = [](const testing::Request& request) {
    return request.Target().find("x=1&y=2&") != std::string::npos ? testing::CloseReply()
                                                                  : testing::PngReply();
  };
  return options;
}

struct KillPoint {
  int64_t Number = 0;
  std::string Phase;  // start, tile, fifth tick, ending
  int Step = -1;      // the WriteStep
};

// The step the child was killed at and the phase it belongs to: tile files by their
// folder, the others by the last mark before them.
KillPoint TracedStep(const std::string& trace, int64_t number, const std::string& tileFolder) {
  std::istringstream lines(trace);
  std::string line;
  std::string mark;
  KillPoint point;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    if (kind == "P") {
      mark = line.substr(2);
      continue;
    }
    std::string file;
    words >> point.Number >> point.Step >> file;
    if (point.Number != number) {
      continue;
    }
    if (file.starts_with(tileFolder) && point.Step != int(WriteStep::GroupSync)) {
      point.Phase = "tile";
    } else if (mark == "start" || mark.starts_with("ending")) {
      point.Phase = mark.substr(0, mark.find(' '));
    } else {
      const int tick = std::stoi(mark.substr(mark.find(' ') + 1));
      point.Phase = tick % 5 == 0 ? "fifth tick" : "other tick " + mark;
    }
    return point;
  }
  return {};
}

// The tiles of the trace that a power cut at the kill could take: those written after the
// last batch sync known to have ended, that is one the process went on from to write a
// file of its own (the task file, a pane). A tile written during that sync may have
// missed it; it counts as taken too.
std::set<std::string> TilesAPowerCutTakes(const std::string& trace, int64_t killAt,
                                          const std::string& tileFolder) {
  std::istringstream lines(trace);
  std::string line;
  std::set<std::string> sinceSync;  // tiles written since the latest sync began
  std::set<std::string> taken;      // those not covered by a sync that ended
  bool syncPending = false;         // a sync began and may not have ended
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string kind;
    int64_t number = 0;
    int step = -1;
    std::string file;
    words >> kind >> number >> step >> file;
    if (kind != "S" || number > killAt) {
      continue;
    }
    if (step == int(WriteStep::GroupSync)) {
      if (number < killAt) {
        syncPending = true;
        taken.insert(sinceSync.begin(), sinceSync.end());
        sinceSync.clear();
      }
    } else if (file.starts_with(tileFolder)) {
      sinceSync.insert(file);
    } else if (syncPending && number < killAt) {
      syncPending = false;
      taken.clear();
    }
  }
  taken.insert(sinceSync.begin(), sinceSync.end());
  return taken;
}

struct ChildEnd {
  bool Killed = false;
  int Status = -1;  // the exit status, or the signal that killed it
};

ChildEnd RunChild(const std::string& sandbox, int64_t killAt) {
  const pid_t child = testing::SpawnTestChild(
      {std::string(testing::kWriteFaultChildVariable) + "=" + sandbox,
       std::string(testing::kWriteFaultStepVariable) + "=" + std::to_string(killAt)});
  int status = 0;
  if (child == -1 || waitpid(child, &status, 0) != child) {
    return {};
  }
  if (WIFSIGNALED(status)) {
    return {WTERMSIG(status) == SIGKILL, WTERMSIG(status)};
  }
  return {false, WEXITSTATUS(status)};
}

int CountLostTiles(const DownloadTask& task) {
  std::set<std::string> failedPaths;
  for (const std::string& record : ReadLines(task.FailedFileName)) {
    failedPaths.insert(record.substr(0, record.find('|')));
  }
  int lost = 0;
  for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
    for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
      const std::string path = task.TilePath(x, y);
      if (failedPaths.count(path) == 0 &&
          (!std::filesystem::exists(path) || Sandbox::ReadAll(path) != testing::SmallPng())) {
        ++lost;
        ADD_FAILURE() << path << " is neither the served tile nor a failed record";
      }
    }
  }
  return lost;
}

int CountStrayFiles(const std::string& folder) {
  int stray = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.path().filename().string().find(".tmp-") != std::string::npos) {
      ++stray;
      ADD_FAILURE() << entry.path() << " was left behind";
    }
  }
  return stray;
}

TEST(MainWindowWriteFaults, AKillAtEveryWriteStepLosesNoTileAndLeavesNoTemporary) {
  const auto walkStart = std::chrono::steady_clock::now();
  std::map<std::string, int> killsByPhase;
  std::map<int, int> killsByStep;
  int walked = 0;
  int lost = 0;
  int stray = 0;
  int refused = 0;  // restarts that failed
  int takenByPowerCut = 0;
  bool completed = false;
  for (int64_t killAt = 1; killAt <= kMaxKillPoints && !completed; ++killAt) {
    ASSERT_LT(std::chrono::steady_clock::now() - walkStart, kWalkLimit);
    SCOPED_TRACE("killed at write step " + std::to_string(killAt));
    MainWindowRig rig(WalkRigOptions());
    const ChildEnd end = RunChild(rig.Box.Folder(), killAt);
    if (!end.Killed) {
      ASSERT_EQ(end.Status, testing::kCrashChildRunEnded);
      completed = true;
      break;
    }
    ++walked;
    const KillPoint point =
        TracedStep(Sandbox::ReadAll(rig.Box.Path(testing::kWriteFaultTraceName)), killAt,
                   rig.SavePath("walk/"));
    ASSERT_EQ(point.Number, killAt);
    ++killsByPhase[point.Phase];
    ++killsByStep[point.Step];
    for (const std::string& tile :
         TilesAPowerCutTakes(Sandbox::ReadAll(rig.Box.Path(testing::kWriteFaultTraceName)), killAt,
                             rig.SavePath("walk/"))) {
      takenByPowerCut += std::filesystem::remove(tile) ? 1 : 0;
    }

    // The same request again, in this process, to its end.
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    testing::TypeWriteFaultRequest(*rig.Form, rig.Box.Path("maps"));
    const bool started = rig.Click(&TForm1::BitBtn1Click) && rig.Form->Timer1Enabled;
    ASSERT_TRUE(rig.RunToEnd(std::chrono::seconds(30)));
    if (!started || !rig.Platform.Errors().empty()) {
      ++refused;
      ADD_FAILURE() << "after a kill in the " << point.Phase << ": "
                    << ::testing::PrintToString(rig.Platform.Errors());
    }
    lost += CountLostTiles(*rig.Form->CurrentTask);
    stray += CountStrayFiles(rig.Box.Path("maps")) + CountStrayFiles(rig.ProgramFolder);
  }
  std::cout << "[ figures  ] kill points walked: " << walked << " (";
  for (const auto& [phase, count] : killsByPhase) {
    std::cout << phase << " " << count << ", ";
  }
  std::cout << "bytes written " << killsByStep[int(WriteStep::BytesWritten)] << ", named "
            << killsByStep[int(WriteStep::Named)] << ", batch sync "
            << killsByStep[int(WriteStep::GroupSync)]
            << "); tiles a power cut took: " << takenByPowerCut << "; tiles lost: " << lost
            << "; stray files: " << stray << "; failed restarts: " << refused << "\n";
  EXPECT_TRUE(completed);
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(stray, 0);
  EXPECT_EQ(refused, 0);
  // The walk reached every kind of write it is meant to cover.
  for (const char* phase : {"start", "tile", "fifth tick", "ending"}) {
    EXPECT_GT(killsByPhase[phase], 0) << phase;
  }
  EXPECT_EQ(killsByPhase.size(), 4u);
  EXPECT_GT(killsByStep[int(WriteStep::BytesWritten)], 0);
  EXPECT_GT(killsByStep[int(WriteStep::Named)], 0);
  EXPECT_GT(killsByStep[int(WriteStep::GroupSync)], 0);
  EXPECT_GT(takenByPowerCut, 0);
}

}  // namespace
}  // namespace kartovel
