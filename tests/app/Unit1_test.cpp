// The main window model driven end to end: requests typed into its boxes, runs against the
// loopback tile service, the monitor's ending, continued runs and the menu commands.
#include "app/Unit1.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <system_error>

#include "common/IniFile.h"
#include "common/LineFile.h"
#include "common/Paths.h"
#include "support/FolderSnapshot.h"
#include "support/MainWindowRig.h"

namespace kartovel {
namespace {

using testing::MainWindowRig;
using testing::MainWindowRigOptions;
using testing::Request;
using testing::Sandbox;
using namespace std::chrono_literals;

const std::string kTaskStoppedMessage = "Task stoped!" + std::string(20, ' ');

// The world at zoom 2: 4 columns by 4 rows.
void TypeSixteenTiles(MainWindowRig& rig, const std::string& taskName = "world.qtsk") {
  rig.TypeRequest("-180", "179", "85", "-85", 2, rig.Box.Path("maps"), taskName);
}

// 15 columns by 16 rows at zoom 9: enough tiles that a stopped run leaves most undone.
void TypeManyTiles(MainWindowRig& rig, const std::string& taskName = "many.qtsk") {
  rig.TypeRequest("10", "20", "50", "45", 9, rig.Box.Path("maps"), taskName);
}

int CountFiles(const std::string& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    count += entry.is_regular_file() ? 1 : 0;
  }
  return count;
}

std::vector<std::string> LastLines(const Lines& lines, std::size_t count) {
  return {lines.end() - static_cast<std::ptrdiff_t>(count), lines.end()};
}

std::string FileOf(const Lines& lines) {
  std::string bytes;
  for (const auto& line : lines) {
    bytes += line + "\r\n";
  }
  return bytes;
}

// Every tile of the current task's range, checked with a predicate on its file.
template <typename Check>
void ForEachTile(const DownloadTask& task, Check check) {
  for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
    for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
      check(x, y);
    }
  }
}

// ---- Start-up ----

TEST(MainWindowStart, ReadsCaptionPathAndTileHostFromTheConfiguration) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  EXPECT_EQ(rig.Form->Caption, "Kartovel 6.436");
  EXPECT_EQ(rig.Form->Edit6, rig.Box.Path("maps"));
  EXPECT_EQ(rig.Form->DefaultPath, rig.Box.Path("maps"));
  EXPECT_EQ(rig.Form->TileHost, rig.Server.HostPort());
  EXPECT_EQ(rig.Form->ConfigFilePath, rig.ProgramFolder + "ini/config.ini");
  EXPECT_EQ(rig.Form->HelpFilePath, rig.ProgramFolder + "help/help.html");
}

TEST(MainWindowStart, WithoutConfigurationUsesTheDefaults) {
  MainWindowRigOptions options;
  options.WriteConfig = false;
  MainWindowRig rig(std::move(options));
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  EXPECT_EQ(rig.Form->Caption, "Kartovel 6.436");
  EXPECT_EQ(rig.Form->Edit6, DefaultDownloadFolder());
  EXPECT_EQ(rig.Form->TileHost, "127.0.0.1:8642");
  // The controls' start values.
  EXPECT_EQ(rig.Form->EditTaskName, "newtask.qtsk");
  EXPECT_EQ(rig.Form->Edit5, "13");
  EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
  EXPECT_EQ(rig.Form->Memo1, Lines{"[log window]"});
  EXPECT_EQ(rig.Form->Memo2, Lines{"[Failed tile inforamtion window]"});
  EXPECT_FALSE(rig.Form->Timer1Enabled);
}

TEST(MainWindowStart, EmptyVersionLeavesTheTitleAndOneBlank) {
  MainWindowRigOptions options;
  options.WriteConfig = false;
  MainWindowRig rig(std::move(options));
  Sandbox::WriteAll(rig.ProgramFolder + "ini/config.ini", "[IniParas]\r\nVersion=\r\n");
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  EXPECT_EQ(rig.Form->Caption, "Kartovel ");
}

// ---- Validation ----

struct ValidationCase {
  const char* Left;
  const char* Right;
  const char* Top;
  const char* Bottom;
  const char* Message;
};

TEST(MainWindowStartCommand, RefusesARequestWithTheFirstFaultsMessage) {
  const ValidationCase cases[] = {
      {"", "", "", "", "Longitude or latitude input error!"},
      {"12a", "13", "10", "5", "Longitude or latitude input error!"},
      {"12", "13", "10", "5 5", "Longitude or latitude input error!"},
      {"180.0001", "180.0001", "10", "5", "Left Longitude should be between -180 and 180."},
      {"-180", "180.0001", "10", "5", "Right Longitude should be between -180 and 180."},
      {"0", "1", "85.5", "5", "Top Latitude should be between -85 and 85."},
      {"0", "1", "85", "-85.5", "Bottom Latitude should be between -85 and 85."},
      {"10", "5", "5", "10", "Left Longitude should less than Right Longitude!"},
      {"5", "10", "5", "10", "Bottom Latitude should less than Top Latitude!"},
      {"500", "-500", "100", "-100", "Left Longitude should be between -180 and 180."},
      {"1,5", "1.5", "2,5", "3", "Bottom Latitude should less than Top Latitude!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Left) + " " + c.Right + " " + c.Top + " " + c.Bottom);
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    rig.TypeRequest(c.Left, c.Right, c.Top, c.Bottom, 13, rig.Box.Path("maps"), "t.qtsk");
    EXPECT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    EXPECT_EQ(rig.Platform.Messages(), std::vector<std::string>{c.Message});
    EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
    EXPECT_EQ(rig.Form->CurrentParameters, nullptr);
    EXPECT_EQ(rig.Form->Memo1, Lines{"[log window]"});
    // The path was checked first and created.
    EXPECT_TRUE(std::filesystem::is_directory(rig.Box.Path("maps")));
  }
}

TEST(MainWindowStartCommand, AnEmptyPathIsReportedBeforeAnyCoordinateFault) {
  MainWindowRig rig;
  rig.TypeRequest("x", "", "", "", 13, "", "t.qtsk");
  rig.Click(&TForm1::BitBtn1Click);
  EXPECT_EQ(rig.Platform.Messages(),
            std::vector<std::string>{"Please select a path to save the images."});
}

TEST(MainWindowStartCommand, AFolderWhoseParentIsMissingIsReported) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  const std::string path = rig.Box.Path("no/such");
  rig.TypeRequest("1", "2", "2", "1", 13, path, "t.qtsk");
  rig.Click(&TForm1::BitBtn1Click);
  EXPECT_EQ(
      rig.Platform.Messages(),
      std::vector<std::string>{"Create directory " + path + " Failed: No such file or directory."});
}

TEST(MainWindowStartCommand, AZoomBoxThatIsNoIntegerGoesToTheErrorDisplay) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeSixteenTiles(rig);
  rig.Form->Edit5 = "abc";
  EXPECT_FALSE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_EQ(rig.Platform.Errors(), std::vector<std::string>{"'abc' is not a valid integer value."});
  EXPECT_TRUE(rig.Platform.Messages().empty());
}

TEST(MainWindowStartCommand, TheTasksRefusalIsFollowedByCreateTaskFailure) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  // An earlier run, so that a task is current when the next Start is refused.
  TypeSixteenTiles(rig, "first.qtsk");
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.RunToEnd());
  rig.Platform.ClearRecords();
  const DownloadTask* earlierTask = rig.Form->CurrentTask.get();

  TypeSixteenTiles(rig, "second.qtsk");
  rig.Form->Edit5 = "31";  // a task file opened from elsewhere can hold any zoom
  EXPECT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_EQ(
      rig.Platform.Messages(),
      (std::vector<std::string>{"Zoom level 31 is out of range. Choose a zoom level from 0 to 30.",
                                "Error: Create task failure."}));
  EXPECT_EQ(rig.Form->CurrentParameters->Zoom, 31);
  EXPECT_EQ(rig.Form->CurrentTask.get(), earlierTask);
  // The earlier task still reads its own request.
  EXPECT_EQ(rig.Form->CurrentTask->Params.Zoom, 2);
  EXPECT_EQ(rig.Form->CurrentTask->Params.TaskFileName, "first.qtsk");
  EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
  EXPECT_FALSE(rig.Form->Timer1Enabled);
}

TEST(MainWindowStartCommand, ATileFolderThatCannotBeCreatedIsReported) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  std::filesystem::create_directories(rig.SaveFolder);
  Sandbox::WriteAll(rig.SavePath("blocked"), "a file where the tile folder belongs");
  TypeSixteenTiles(rig, "blocked.qtsk");
  rig.Click(&TForm1::BitBtn1Click);
  EXPECT_EQ(rig.Platform.Messages(),
            (std::vector<std::string>{
                "Create directory " + rig.SavePath("blocked/") + " Failed: File exists.",
                "Error: Create task failure."}));
  EXPECT_EQ(rig.Form->CurrentTask, nullptr);
}

struct RefusedPlace {
  const char* Folder;  // below the sandbox
  const char* TaskName;
  const char* Message;
};

TEST(MainWindowStartCommand, RefusesATaskNameOrPathThatWouldMisplaceTheTasksFiles) {
  const RefusedPlace cases[] = {
      {"maps", "", "Please enter a task name."},
      {"maps", ".",
       "The task name \".\" cannot be used: the task's files would be hidden or lie "
       "outside the chosen folder."},
      {"maps", "..",
       "The task name \"..\" cannot be used: the task's files would be hidden or "
       "lie outside the chosen folder."},
      {"maps", ".qtsk",
       "The task name \".qtsk\" cannot be used: the task's files would be hidden "
       "or lie outside the chosen folder."},
      {"maps", "...qtsk",
       "The task name \"...qtsk\" cannot be used: the task's files would be "
       "hidden or lie outside the chosen folder."},
      {"maps", "../escape",
       "A task name cannot hold \"/\": the task's files would leave the chosen folder."},
      {"maps", "a/b.qtsk",
       "A task name cannot hold \"/\": the task's files would leave the chosen folder."},
      {"maps", "a|b.qtsk", "A task name cannot hold \"|\"."},
      {"maps", "a\nb.qtsk", "A task name cannot hold control characters."},
      {"maps", "a\x7f.qtsk", "A task name cannot hold control characters."},
      {"ma|ps", "t.qtsk", "The path to save cannot hold \"|\"."},
      {"ma\rps", "t.qtsk", "The path to save cannot hold control characters."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Folder) + " " + c.TaskName);
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    std::filesystem::create_directories(rig.Box.Path("maps"));
    const auto before = testing::SnapshotFolder(rig.Box.Folder());
    TypeSixteenTiles(rig, c.TaskName);
    rig.Form->Edit6 = rig.Box.Path(c.Folder);
    EXPECT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    EXPECT_EQ(rig.Platform.Messages(), std::vector<std::string>{c.Message});
    EXPECT_EQ(rig.Form->CurrentParameters, nullptr);
    EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
    EXPECT_EQ(testing::SnapshotFolder(rig.Box.Folder()), before);
  }
}

TEST(MainWindowStartCommand, AnEmptyPathAndCoordinateFaultsComeBeforeTheTaskName) {
  MainWindowRig rig;
  rig.TypeRequest("x", "", "", "", 13, "", "");
  rig.Click(&TForm1::BitBtn1Click);
  rig.TypeRequest("x", "", "", "", 13, rig.Box.Path("a|b"), "");
  rig.Click(&TForm1::BitBtn1Click);
  rig.TypeRequest("x", "", "", "", 13, rig.Box.Path("maps"), "");
  rig.Click(&TForm1::BitBtn1Click);
  EXPECT_EQ(rig.Platform.Messages(),
            (std::vector<std::string>{"Please select a path to save the images.",
                                      "The path to save cannot hold \"|\".",
                                      "Longitude or latitude input error!"}));
}

TEST(MainWindowStartCommand, ReadsTheProxyFromTheConfigurationOnEveryStart) {
  const struct {
    const char* UseProxy;
    bool Expected;
  } cases[] = {{"1", true}, {"2", false}, {"0x1", true}, {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.UseProxy);
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    Sandbox::WriteAll(rig.ProgramFolder + "ini/config.ini",
                      std::string("[Proxy]\r\nUseProxy=") + c.UseProxy +
                          "\r\nProxyServer=proxy.example\r\nProxyPort=3128\r\n"
                          "ProxyUsername=ann\r\nProxyPassword=secret\r\n");
    TypeSixteenTiles(rig);
    rig.Form->Edit5 = "31";  // refused by the task: the record is filled, nothing runs
    rig.Click(&TForm1::BitBtn1Click);
    const TaskParameters& params = *rig.Form->CurrentParameters;
    EXPECT_EQ(params.UseProxy, c.Expected);
    EXPECT_EQ(params.ProxyServer, "proxy.example");
    EXPECT_EQ(params.ProxyPort, "3128");
    EXPECT_EQ(params.ProxyUsername, "ann");
    EXPECT_EQ(params.ProxyPassword, "secret");
    EXPECT_EQ(params.SavePath, rig.SaveFolder);
    EXPECT_EQ(params.TileHost, rig.Server.HostPort());
  }
}

TEST(MainWindowStartCommand, HandEditedKeysMatchWithBlanksAndTheHostIsTrimmedAndChecked) {
  const std::string hostFault =
      " is not a host name or address with an optional port, such "
      "as 127.0.0.1:8642.";
  const struct {
    const char* TileService;  // the section as edited by hand; "@" stands for the service
    const char* Host;         // the host the window keeps
    bool Refused;             // Start stops at the host's message
  } cases[] = {
      {"[TileService]\r\nHost = @ \r\n", "@", false},
      {"  [ TileService ]  \r\n\tHost\t=\t@\r\n", "@", false},
      {"[TileService]\r\nHost =   \r\n", "127.0.0.1:8642", false},
      {"[TileService]\r\nHost = http://@\r\n", "http://@", true},
      {"[TileService]\r\nHost=127.0.0.1:86a2\r\n", "127.0.0.1:86a2", true},
      {"[TileService]\r\nHost=tiles example.com\r\n", "tiles example.com", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.TileService);
    MainWindowRig rig;
    auto withService = [&](std::string text) {
      for (std::size_t at; (at = text.find('@')) != std::string::npos;) {
        text.replace(at, 1, rig.Server.HostPort());
      }
      return text;
    };
    Sandbox::WriteAll(rig.ProgramFolder + "ini/config.ini",
                      "[ Proxy ]\r\n UseProxy = 1\r\nProxyServer =proxy.example\r\n" +
                          withService(c.TileService));
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    EXPECT_EQ(rig.Form->TileHost, withService(c.Host));
    TypeSixteenTiles(rig);
    rig.Form->Edit5 = "31";  // refused by the task after every check of the window
    rig.Click(&TForm1::BitBtn1Click);
    ASSERT_FALSE(rig.Platform.Messages().empty());
    const std::string first = rig.Platform.Messages().front();
    EXPECT_EQ(first, c.Refused ? "The tile service host \"" + withService(c.Host) + "\" in " +
                                     rig.ProgramFolder + "ini/config.ini" + hostFault
                               : "Zoom level 31 is out of range. Choose a zoom level from 0 to 30.")
        << first;
    if (!c.Refused) {
      EXPECT_TRUE(rig.Form->CurrentParameters->UseProxy);
      EXPECT_EQ(rig.Form->CurrentParameters->ProxyServer, "proxy.example");
    }
  }
}

TEST(MainWindowStartCommand, ReplacingAnotherRequestsTaskFileAsksFirst) {
  const std::string question =
      "A task named world.qtsk with another area already exists in this folder. Replace it and "
      "its log, tile list and failed-tile list?";
  const struct {
    const char* Left;  // the second Start's left longitude (the first had -180)
    std::optional<bool> Answer;
    bool Runs;
  } cases[] = {{"-180", std::nullopt, true}, {"-90", false, false}, {"-90", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Left) + (c.Answer ? (*c.Answer ? " yes" : " no") : ""));
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    TypeSixteenTiles(rig);
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    ASSERT_TRUE(rig.RunToEnd());
    const std::string taskFileBefore = Sandbox::ReadAll(rig.SavePath("world.qtsk"));
    const std::string logBefore = Sandbox::ReadAll(rig.SavePath("world_log.txt"));
    const Lines paneBefore = rig.Form->Memo1;
    rig.Platform.ClearRecords();
    if (c.Answer) {
      rig.Platform.QueueQuestionAnswer(*c.Answer);
    }
    rig.Form->Edit1 = c.Left;
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    EXPECT_EQ(rig.Platform.Questions(),
              c.Answer ? std::vector<std::string>{question} : std::vector<std::string>{});
    EXPECT_EQ(rig.Form->BitBtn1Caption, c.Runs ? "Stop" : "Start");
    if (!c.Runs) {
      EXPECT_TRUE(rig.Platform.Messages().empty());
      EXPECT_EQ(Sandbox::ReadAll(rig.SavePath("world.qtsk")), taskFileBefore);
      EXPECT_EQ(Sandbox::ReadAll(rig.SavePath("world_log.txt")), logBefore);
      EXPECT_EQ(rig.Form->Memo1, paneBefore);
      EXPECT_EQ(rig.Form->Edit1, c.Left);
    }
    ASSERT_TRUE(rig.RunToEnd());
  }
}

// ---- Runs ----

TEST(MainWindowRun, AFreshRunEndsWithItsClosingLinesAndEveryFile) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeSixteenTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_EQ(rig.Form->BitBtn1Caption, "Stop");
  EXPECT_EQ(rig.Form->LabelTotalxy, "Total images: 16");
  EXPECT_EQ(rig.Form->RunningWorkerCount, 8);
  EXPECT_TRUE(rig.Form->Timer1Enabled);

  ASSERT_TRUE(rig.RunToEnd());
  const DownloadTask& task = *rig.Form->CurrentTask;
  EXPECT_EQ(rig.Platform.Messages(), std::vector<std::string>{kTaskStoppedMessage});
  EXPECT_TRUE(rig.Platform.Errors().empty());
  EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
  EXPECT_EQ(rig.Form->RunningWorkerCount, 0);
  for (const auto& worker : rig.Form->WorkerTable) {
    EXPECT_EQ(worker, nullptr);
  }
  EXPECT_EQ(LastLines(rig.Form->Memo1, 7),
            (std::vector<std::string>{"", std::string(32, '-'), "Task Stoped!", "",
                                      std::string("Now time:") + testing::kRigNowText, "",
                                      "Log file has been saved as " + task.LogFileName}));
  int okLines = 0;
  int finishedLines = 0;
  for (const auto& line : rig.Form->Memo1) {
    okLines += line.ends_with(" OK") ? 1 : 0;
    finishedLines += line.ends_with(" Finished.") ? 1 : 0;
  }
  EXPECT_EQ(okLines, 16);
  EXPECT_EQ(finishedLines, 8);

  EXPECT_EQ(task.LogFileName, rig.SavePath("world_log.txt"));
  EXPECT_EQ(Sandbox::ReadAll(task.LogFileName), FileOf(rig.Form->Memo1));
  EXPECT_EQ(Sandbox::ReadAll(task.FailedFileName), "");
  EXPECT_TRUE(std::filesystem::exists(task.ListFileName));
  EXPECT_TRUE(std::filesystem::exists(rig.SavePath("world.qtsk")));
  ForEachTile(task, [&](int32_t x, int32_t y) {
    EXPECT_EQ(Sandbox::ReadAll(task.TilePath(x, y)), testing::SmallPng()) << x << "," << y;
  });
  EXPECT_EQ(CountFiles(task.TileFolder), 16);
  EXPECT_EQ(rig.Form->Progress.SettledCount, 16);
  EXPECT_EQ(rig.Form->Progress.TotalCount, 16);
  EXPECT_EQ(rig.Form->Progress.FailedCount, 0);
  EXPECT_EQ(rig.Form->Progress.BlankCount, 0);
}

TEST(MainWindowRun, TheTaskFileKeepsEachWorkersLastTileButNoZero) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeSixteenTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.RunToEnd());
  // Worker k's last serial is 8 + k (worker 0: 16); serial s is column (s - 1) / 4 and
  // row (s - 1) % 4 of the 4 x 4 range starting at 0.
  const TIniFile taskFile(rig.SavePath("world.qtsk"));
  for (int k = 0; k < 8; ++k) {
    const int serial = k == 0 ? 16 : 8 + k;
    const int column = (serial - 1) / 4;
    const int row = (serial - 1) % 4;
    const std::string prefix = "T" + std::to_string(k + 1);
    SCOPED_TRACE(prefix);
    EXPECT_EQ(taskFile.ReadInteger("THREADS", prefix + "X", -1), column);
    EXPECT_EQ(taskFile.ReadInteger("THREADS", prefix + "Y", -1), row == 0 ? -1 : row);
  }
}

TEST(MainWindowRun, WorkerCountIsLoweredToTheTileCount) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  // Zoom 1, one row of three columns (the right edge 180 adds one column).
  rig.TypeRequest("-180", "180", "80", "1", 1, rig.Box.Path("maps"), "three.qtsk");
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_EQ(rig.Form->CurrentTask->TotalCount, 3);
  EXPECT_EQ(rig.Form->CurrentParameters->ThreadCount, 3);
  EXPECT_EQ(rig.Form->RunningWorkerCount, 3);
  for (int i = 0; i < TForm1::kWorkerSlots; ++i) {
    EXPECT_EQ(rig.Form->WorkerTable[i] != nullptr, i < 3) << i;
  }
  ASSERT_TRUE(rig.RunToEnd());
}

TEST(MainWindowRun, StopWithEightWorkersEndsTheRunAfterTheirLastTiles) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeManyTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  const std::size_t before = rig.Form->Memo1.size();
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));  // Stop, before any hand-off is served
  std::vector<std::string> expected;
  for (int n = 1; n <= 8; ++n) {
    expected.push_back("Thread" + std::to_string(n) + "will be terminated by user. please wait...");
  }
  EXPECT_EQ(std::vector<std::string>(rig.Form->Memo1.begin() + static_cast<std::ptrdiff_t>(before),
                                     rig.Form->Memo1.end()),
            expected);
  EXPECT_EQ(rig.Form->BitBtn1Caption, "Stop");

  bool captionHeld = true;
  ASSERT_TRUE(rig.RunToEnd(std::chrono::seconds(60), [&] {
    if (rig.Form->Timer1Enabled && rig.Form->BitBtn1Caption != "Stop") {
      captionHeld = false;
    }
  }));
  EXPECT_TRUE(captionHeld);
  EXPECT_EQ(rig.Platform.Messages(), std::vector<std::string>{kTaskStoppedMessage});
  EXPECT_EQ(rig.Form->Memo1[rig.Form->Memo1.size() - 5], "Task Stoped!");
  // Each worker finished at most the tile it was fetching.
  EXPECT_LE(CountFiles(rig.Form->CurrentTask->TileFolder), 8);
  EXPECT_EQ(rig.Form->CurrentTask->TotalCount, 180);
}

TEST(MainWindowRun, StopAgainstATricklingServiceEndsTheRunWithinASecond) {
  MainWindowRigOptions options;
  options.ServerReply = [](const Request&) { return testing::TrickleReply(500ms); };
  MainWindowRig rig(options);
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeManyTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.ServeUntil([&] { return rig.Server.RequestCount() == 8; }, 10s));

  const auto stoppedAt = std::chrono::steady_clock::now();
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.RunToEnd(10s));
  EXPECT_LT(std::chrono::steady_clock::now() - stoppedAt, 1s);

  // Cut short, no tile was fetched, failed or replaced: a later Start fetches them all.
  EXPECT_EQ(CountFiles(rig.Form->CurrentTask->TileFolder), 0);
  EXPECT_EQ(rig.Form->Progress.SettledCount, 0);
  EXPECT_EQ(rig.Form->Progress.FailedCount, 0);
}

TEST(MainWindowRun, StopAfterEveryWorkerEndedStillAppendsItsLines) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeSixteenTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.ServeUntil([&] { return rig.Form->RunningWorkerCount == 0; }));
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_EQ(rig.Form->Memo1.back(), "Thread8will be terminated by user. please wait...");
  rig.Tick();
  EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
  EXPECT_EQ(rig.Platform.Messages(), std::vector<std::string>{kTaskStoppedMessage});
}

TEST(MainWindowRun, FailedTilesStandInTheFailedTileFileAndGetTheBlankImage) {
  MainWindowRigOptions options;
  options.ServerReply = [](const testing::Request&) { return testing::StatusReply(500); };
  MainWindowRig rig(std::move(options));
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeSixteenTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.RunToEnd());
  const DownloadTask& task = *rig.Form->CurrentTask;
  std::set<std::string> expected;
  ForEachTile(task, [&](int32_t x, int32_t y) {
    expected.insert(task.TilePath(x, y) + "|" + task.TileUrl(x, y));
    EXPECT_EQ(Sandbox::ReadAll(task.TilePath(x, y)), "BLANK");
  });
  const Lines failed = ReadLines(task.FailedFileName);
  EXPECT_EQ(std::set<std::string>(failed.begin(), failed.end()), expected);
  EXPECT_EQ(failed.size(), 16u);
  EXPECT_EQ(rig.Form->Memo2, failed);
  EXPECT_EQ(rig.Form->Progress.FailedCount, 16);
  EXPECT_EQ(rig.Form->Progress.SettledCount, 16);
  EXPECT_EQ(rig.Form->Progress.BlankCount, 16);
}

TEST(MainWindowRun, WorkersThatEndBeforeTheirSharesAreDoneAreNamedAfterTheRun) {
  const struct {
    const char* Proxy;  // the configuration's proxy section
    bool Stop;
    const char* EndedEarly;
  } cases[] = {
      {"UseProxy=1\r\nProxyServer=127.0.0.1\r\nProxyPort=3128x", false,
       "T1 Error: the proxy port \"3128x\" is not a decimal port number from 1 to 65535."},
      {"UseProxy=0", false, ""},
      {"UseProxy=0", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Proxy);
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    Sandbox::WriteAll(rig.ProgramFolder + "ini/config.ini",
                      std::string("[Proxy]\r\n") + c.Proxy +
                          "\r\n[TileService]\r\nHost=" + rig.Server.HostPort() + "\r\n");
    TypeManyTiles(rig);
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    if (c.Stop) {
      ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    }
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Form->Progress.EndedEarly, c.EndedEarly);
    EXPECT_EQ(rig.Platform.Messages(), std::vector<std::string>{kTaskStoppedMessage});
  }
}

// ---- The ending's failures ----

TEST(MainWindowRun, ASaveFailingDuringTheEndingStillEndsTheRun) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeSixteenTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.ServeUntil([&] { return rig.Form->RunningWorkerCount == 0; }));
  // A folder where the log belongs: it can no longer be replaced.
  const std::string logFile = rig.Form->CurrentTask->LogFileName;
  std::filesystem::remove(logFile);
  std::filesystem::create_directory(logFile);
  rig.Tick();  // the first tick: no fifth-tick save before the ending
  EXPECT_EQ(rig.Platform.Errors(), std::vector<std::string>{"Cannot create file " + logFile + "."});
  EXPECT_EQ(rig.Platform.Messages(), std::vector<std::string>{kTaskStoppedMessage});
  EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
  EXPECT_FALSE(rig.Form->Timer1Enabled);
  for (const auto& worker : rig.Form->WorkerTable) {
    EXPECT_EQ(worker, nullptr);
  }
  // The failed-tile file was still saved and the next Start works.
  EXPECT_EQ(Sandbox::ReadAll(rig.Form->CurrentTask->FailedFileName), "");
  rig.Platform.ClearRecords();
  rig.Form->EditTaskName = "next.qtsk";
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click)) << ::testing::PrintToString(rig.Platform.Errors());
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_EQ(rig.Platform.Messages(), std::vector<std::string>{kTaskStoppedMessage});
  EXPECT_TRUE(rig.Platform.Errors().empty());
}

TEST(MainWindowRun, AWorkerThatCannotBeCreatedStopsTheOthersAndLeavesTheWindowReady) {
  bool failNext = true;
  MainWindowRigOptions options;
  options.MakeWorker = [&](int32_t index, DownloadTask& task, WorkerContext context) {
    if (index == 3 && failNext) {
      failNext = false;
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                              "Cannot start a worker");
    }
    return CreateRunningWorker(index, task, std::move(context));
  };
  MainWindowRig rig(std::move(options));
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeManyTiles(rig);
  EXPECT_FALSE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_EQ(rig.Platform.Errors().size(), 1u);
  EXPECT_TRUE(rig.Platform.Errors()[0].starts_with("Cannot start a worker"));
  EXPECT_EQ(rig.Form->RunningWorkerCount, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(rig.Form->WorkerTable[i]->StopRequested.load());
  }
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
  EXPECT_LE(CountFiles(rig.Form->CurrentTask->TileFolder), 3);

  rig.Platform.ClearRecords();
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_EQ(rig.Form->RunningWorkerCount, 8);
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_TRUE(rig.Platform.Errors().empty());
  EXPECT_EQ(CountFiles(rig.Form->CurrentTask->TileFolder), 180);
}

TEST(MainWindowRun, DestroyingTheModelDuringARunStopsAndJoinsItsWorkers) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeManyTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.ServeUntil([&] { return rig.Form->Memo1.size() > 30; }));
  ASSERT_TRUE(rig.Form->RunActive());
  const auto start = std::chrono::steady_clock::now();
  rig.Form.reset();  // the workers wait in their hand-offs; destruction must serve them
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_GT(rig.Platform.ProcessEventsCount(), 0);
}

TEST(MainWindowRun, ProgressFiguresFollowTheRun) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeManyTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_EQ(rig.Form->Progress.TotalCount, 180);
  EXPECT_EQ(rig.Form->Progress.SettledCount, 0);
  bool estimated = false;
  ASSERT_TRUE(rig.RunToEnd(std::chrono::seconds(60), [&] {
    const RunProgress& progress = rig.Form->Progress;
    EXPECT_EQ(progress.ElapsedSeconds, rig.Form->MonitorTicks);
    EXPECT_DOUBLE_EQ(progress.TilesPerMinute,
                     60.0 * progress.SettledThisRun / rig.Form->MonitorTicks);
    if (progress.SecondsLeft && rig.Form->Timer1Enabled) {
      estimated = true;
      const double perSecond = double(progress.SettledThisRun) / rig.Form->MonitorTicks;
      EXPECT_NEAR(double(*progress.SecondsLeft), (180 - progress.SettledCount) / perSecond, 1.0);
    }
  }));
  EXPECT_TRUE(estimated);
  EXPECT_EQ(rig.Form->Progress.SettledCount, 180);
  EXPECT_FALSE(rig.Form->Progress.SecondsLeft.has_value());
}

// ---- Continuing ----

TEST(MainWindowContinue, OnlyAnUnchangedRequestWithTheFullTaskNameContinues) {
  const struct {
    const char* TypedName;
    const char* Left;
    bool Continues;
  } cases[] = {
      {"survey.qtsk", "12.5", true},
      {"survey", "12.5", true},         // a completed name differs in nothing: it continues
      {"survey.qtsk", "12.50", false},  // texts are compared, not numbers
      {"survey.qtsk", "12,5", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.TypedName) + " " + c.Left);
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    rig.TypeRequest("12.5", "30", "60", "50", 5, rig.Box.Path("maps"), "survey.qtsk");
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    ASSERT_FALSE(rig.Form->CurrentParameters->ContinueTask);
    ASSERT_TRUE(rig.RunToEnd());

    rig.Form->EditTaskName = c.TypedName;
    rig.Form->Edit1 = c.Left;
    rig.Platform.QueueQuestionAnswer(true);  // a fresh run asks before replacing the task
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    EXPECT_EQ(rig.Form->CurrentParameters->ContinueTask, c.Continues);
    EXPECT_EQ(rig.Platform.Questions().size(), c.Continues ? 0u : 1u);
    EXPECT_EQ(rig.Form->CurrentParameters->TaskFileName, "survey.qtsk");
    ASSERT_TRUE(rig.RunToEnd());
  }
}

TEST(MainWindowContinue, AFreshRunShowsTheStoredTextsSoStopAndStartContinue) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeManyTiles(rig);
  rig.TypeRequest("10.00", "+20", "50.0", "4.5E1", 9, rig.Box.Path("maps"), "many.qtsk");
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  const TIniFile taskFile(rig.SavePath("many.qtsk"));
  const std::vector<std::string> shown{rig.Form->Edit1, rig.Form->Edit3, rig.Form->Edit2,
                                       rig.Form->Edit4};
  EXPECT_EQ(shown, (std::vector<std::string>{"10", "20", "50", "45"}));
  EXPECT_EQ(shown[0], taskFile.ReadString("AREA", "LeftLongitude", "?"));
  ASSERT_TRUE(rig.ServeUntil([&] { return rig.Form->Progress.SettledCount > 10; }));
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));  // Stop
  ASSERT_TRUE(rig.RunToEnd());
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_TRUE(rig.Form->CurrentParameters->ContinueTask);
  EXPECT_TRUE(rig.Platform.Questions().empty());
  ASSERT_TRUE(rig.RunToEnd());
}

TEST(MainWindowContinue, ANameOtherThanQtskGetsTheExtensionAppended) {
  const struct {
    const char* Typed;
    const char* Saved;
  } cases[] = {{"a", "a.qtsk"}, {"a.txt", "a.txt.qtsk"}, {"a.QTSK", "a.QTSK.qtsk"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Typed);
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    rig.TypeRequest("-180", "-1", "80", "1", 1, rig.Box.Path("maps"), c.Typed);
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    EXPECT_EQ(rig.Form->CurrentParameters->TaskFileName, c.Saved);
    // The box shows the task file's name, so that an unchanged Start continues it.
    EXPECT_EQ(rig.Form->EditTaskName, c.Saved);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_TRUE(std::filesystem::exists(rig.SavePath(c.Saved)));
  }
}

TEST(MainWindowContinue, OpenTaskAfterARestartThenStartContinuesTheStoppedRun) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeManyTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.ServeUntil([&] { return rig.Form->Memo1.size() > 40; }));
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));  // Stop
  ASSERT_TRUE(rig.RunToEnd());
  const std::string taskFile = rig.SavePath("many.qtsk");
  const Lines firstLog = rig.Form->Memo1;

  // A new program start: a fresh window model, the task opened from its file.
  rig.Form = std::make_unique<TForm1>(rig.Platform, rig.Time, CreateCurlHttpClient);
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  rig.Platform.QueueOpenFileAnswer(taskFile);
  ASSERT_TRUE(rig.Click(&TForm1::LoadParametersfromprojectfilel1Click));
  EXPECT_EQ(rig.Form->Edit1, "10");
  EXPECT_EQ(rig.Form->Edit3, "20");
  EXPECT_EQ(rig.Form->Edit2, "50");
  EXPECT_EQ(rig.Form->Edit4, "45");
  EXPECT_EQ(rig.Form->Edit5, "9");
  EXPECT_EQ(rig.Form->UpDown1Position, 9);
  EXPECT_EQ(rig.Form->Edit6, rig.SaveFolder);
  EXPECT_EQ(rig.Form->EditTaskName, "many.qtsk");

  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.Form->CurrentParameters->ContinueTask);
  const int32_t resumed = rig.Form->Progress.SettledCount;
  EXPECT_GT(resumed, 0);
  // The log carries the earlier run forward.
  EXPECT_TRUE(std::equal(firstLog.begin(), firstLog.end(), rig.Form->Memo1.begin()));
  ASSERT_TRUE(rig.RunToEnd());

  const DownloadTask& task = *rig.Form->CurrentTask;
  ForEachTile(task, [&](int32_t x, int32_t y) {
    EXPECT_EQ(Sandbox::ReadAll(task.TilePath(x, y)), testing::SmallPng()) << x << "," << y;
  });
  EXPECT_EQ(rig.Form->Progress.SettledCount, 180);
  // Only the tiles after each worker's saved position were asked for again.
  EXPECT_EQ(rig.Form->Progress.SettledThisRun, 180 - resumed);
}

// ---- Opening a task file ----

TEST(MainWindowOpenTask, AsksWithItsTitleFilterAndTheStartupDefaultPath) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  rig.Form->Edit1 = "kept";
  std::filesystem::create_directories(rig.Box.Path("maps"));  // a chooser never starts in none
  ASSERT_TRUE(rig.Click(&TForm1::LoadParametersfromprojectfilel1Click));  // cancelled
  ASSERT_EQ(rig.Platform.OpenFileRequests().size(), 1u);
  const auto request = rig.Platform.OpenFileRequests()[0];
  EXPECT_EQ(request.Title, "Open project file:");
  EXPECT_EQ(request.Filter, "Projects(*.qtsk)|*.qtsk");
  EXPECT_EQ(request.InitialFolder, rig.Box.Path("maps"));
  EXPECT_EQ(rig.Form->Edit1, "kept");
}

TEST(MainWindowOpenTask, AFileWithoutKeysEmptiesTheBoxesAndShowsZoomZero) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  std::filesystem::create_directories(rig.SaveFolder);
  Sandbox::WriteAll(rig.SavePath("bare.qtsk"), "[AREA]\r\nLeftLongitude=12.5\r\n");
  rig.Form->Edit3 = "old";
  rig.Platform.QueueOpenFileAnswer(rig.SavePath("bare.qtsk"));
  ASSERT_TRUE(rig.Click(&TForm1::LoadParametersfromprojectfilel1Click));
  EXPECT_EQ(rig.Form->Edit1, "12.5");
  EXPECT_EQ(rig.Form->Edit3, "");
  EXPECT_EQ(rig.Form->Edit5, "0");
  EXPECT_EQ(rig.Form->UpDown1Position, TForm1::UpDown1Min);
  EXPECT_EQ(rig.Form->EditTaskName, "bare.qtsk");
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_EQ(rig.Platform.Messages(),
            std::vector<std::string>{"Longitude or latitude input error!"});
}

TEST(MainWindowOpenTask, RefusesATaskFileWhoseNameOrFolderTheStartWouldRefuse) {
  const RefusedPlace cases[] = {
      {"maps/", ".qtsk",
       "The task name \".qtsk\" cannot be used: the task's files would be "
       "hidden or lie outside the chosen folder."},
      {"maps/", "a|b.qtsk", "A task name cannot hold \"|\"."},
      {"maps/", "a\tb.qtsk", "A task name cannot hold control characters."},
      {"x|y/", "t.qtsk", "The path to save cannot hold \"|\"."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Folder) + c.TaskName);
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    const std::string chosen = rig.Box.Path(c.Folder) + c.TaskName;
    std::filesystem::create_directories(rig.Box.Path(c.Folder));
    Sandbox::WriteAll(chosen, "[AREA]\r\nLeftLongitude=12.5\r\n[Zoom]\r\nZoom=5\r\n");
    rig.Platform.QueueOpenFileAnswer(chosen);
    ASSERT_TRUE(rig.Click(&TForm1::LoadParametersfromprojectfilel1Click));
    EXPECT_EQ(rig.Platform.Messages(), std::vector<std::string>{c.Message});
    EXPECT_EQ(rig.Form->Edit1, "");
    EXPECT_EQ(rig.Form->Edit5, "13");
    EXPECT_EQ(rig.Form->Edit6, rig.Box.Path("maps"));
    EXPECT_EQ(rig.Form->EditTaskName, "newtask.qtsk");
  }
}

// ---- The spinner ----

TEST(MainWindowSpinner, StopsAtItsLimitsWithoutWrapping) {
  const struct {
    int From;
    bool Up;
    int To;
  } cases[] = {{13, true, 14},  {18, true, 19}, {19, true, 19},
               {13, false, 12}, {2, false, 1},  {1, false, 1}};
  for (const auto& c : cases) {
    MainWindowRig rig;
    rig.Form->UpDown1Position = c.From;
    rig.Click(c.Up ? &TForm1::UpDown1Up : &TForm1::UpDown1Down);
    EXPECT_EQ(rig.Form->UpDown1Position, c.To) << c.From << (c.Up ? " up" : " down");
    EXPECT_EQ(rig.Form->Edit5, std::to_string(c.To));
  }
}

// ---- Menu commands ----

TEST(MainWindowMenu, TheLogViewerHasThreeOutcomes) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  rig.Click(&TForm1::Viewlogfile1Click);
  EXPECT_EQ(rig.Platform.Messages(),
            std::vector<std::string>{"No task running now." + std::string(18, ' ')});
  EXPECT_TRUE(rig.Platform.ShellOpens().empty());

  TypeSixteenTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.RunToEnd());
  rig.Platform.ClearRecords();
  rig.Click(&TForm1::Memo1DblClick);
  EXPECT_EQ(rig.Platform.ShellOpens(), std::vector<std::string>{rig.SavePath("world_log.txt")});
  EXPECT_TRUE(rig.Platform.Messages().empty());

  std::filesystem::remove(rig.SavePath("world_log.txt"));
  rig.Platform.ClearRecords();
  rig.Click(&TForm1::Viewlogfile1Click);
  EXPECT_EQ(rig.Platform.Messages(),
            std::vector<std::string>{"No logfile now." + std::string(25, ' ')});
  EXPECT_TRUE(rig.Platform.ShellOpens().empty());
}

TEST(MainWindowMenu, AnOpenThatFailsSaysSoWithThePath) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeSixteenTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.RunToEnd());
  rig.Platform.SetShellOpenWorks(false);
  const std::pair<void (TForm1::*)(), std::string> commands[] = {
      {&TForm1::Viewlogfile1Click, rig.SavePath("world_log.txt")},
      {&TForm1::Memo1DblClick, rig.SavePath("world_log.txt")},
      {&TForm1::Usermanual1Click, rig.ProgramFolder + "help/help.html"}};
  for (const auto& [command, path] : commands) {
    rig.Platform.ClearRecords();
    rig.Click(command);
    EXPECT_EQ(rig.Platform.Messages(),
              std::vector<std::string>{"Could not open " + path +
                                       ": the desktop has no program for it, or it is missing."});
  }
}

TEST(MainWindowMenu, CompanionProgramsAndTheManualAreHandedToTheShell) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  rig.Click(&TForm1::Mapviewer1Click);
  rig.Click(&TForm1::CombineImages1Click);
  rig.Click(&TForm1::Usermanual1Click);
  EXPECT_EQ(
      rig.Platform.ShellOpens(),
      (std::vector<std::string>{rig.ProgramFolder + "mapviewer", rig.ProgramFolder + "combine",
                                rig.ProgramFolder + "help/help.html"}));
  EXPECT_TRUE(rig.Platform.Messages().empty());
}

TEST(MainWindowMenu, TheMapViewerIsStartedOnTheCurrentTaskOnceThereIsOne) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeSixteenTiles(rig, "shown.qtsk");
  rig.Click(&TForm1::Mapviewer1Click);  // the boxes name no file yet
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.RunToEnd());
  rig.Click(&TForm1::Mapviewer1Click);
  EXPECT_EQ(rig.Platform.ShellOpens(), std::vector<std::string>{rig.ProgramFolder + "mapviewer"});
  EXPECT_EQ(rig.Platform.ProgramStarts(),
            (std::vector<std::vector<std::string>>{
                {rig.ProgramFolder + "mapviewer", rig.Box.Path("maps/shown.qtsk")}}));
}

TEST(MainWindowMenu, TheFolderBrowserFillsThePathBoxUnlessCancelled) {
  MainWindowRig rig;
  rig.Form->Edit6 = "before";
  rig.Click(&TForm1::Button1Click);
  EXPECT_EQ(rig.Form->Edit6, "before");
  rig.Platform.QueueFolderAnswer("/data/maps");
  rig.Click(&TForm1::Button1Click);
  EXPECT_EQ(rig.Form->Edit6, "/data/maps");
  EXPECT_EQ(rig.Platform.FolderBrowserTitles(),
            (std::vector<std::string>{"Select path to save", "Select path to save"}));
}

TEST(MainWindowMenu, TheFolderBrowserStartsAtTheBoxsFolderWhenItExists) {
  MainWindowRig rig;
  const std::pair<std::string, std::string> cases[] = {
      {rig.Box.Folder(), rig.Box.Folder()}, {rig.Box.Path("absent"), ""}, {"", ""}};
  for (const auto& [box, start] : cases) {
    rig.Platform.ClearRecords();
    rig.Form->Edit6 = box;
    rig.Click(&TForm1::Button1Click);
    ASSERT_EQ(rig.Platform.FolderRequests().size(), 1u);
    EXPECT_EQ(rig.Platform.FolderRequests()[0].InitialFolder, start) << box;
  }
}

// ---- The view's notices ----

// Keeps copies of the panes from the notices alone, as a front end does.
class MirrorView final : public TForm1View {
 public:
  explicit MirrorView(const TForm1& form) : form_(form) {}
  void LogLinesAppended(std::size_t first) override {
    if (first != log.size()) {
      consistent = false;
    }
    log.insert(log.end(), form_.Memo1.begin() + static_cast<std::ptrdiff_t>(first),
               form_.Memo1.end());
  }
  void LogReplaced() override { log = form_.Memo1; }
  void FailedLinesAppended(std::size_t first) override {
    if (first != failed.size()) {
      consistent = false;
    }
    failed.insert(failed.end(), form_.Memo2.begin() + static_cast<std::ptrdiff_t>(first),
                  form_.Memo2.end());
  }
  void FailedReplaced() override { failed = form_.Memo2; }
  void FieldsChanged() override { caption = form_.BitBtn1Caption; }
  void TimerChanged(bool enabled) override { timerStates.push_back(enabled); }
  void CloseRequested() override { closeRequested = true; }

  Lines log{"[log window]"};
  Lines failed{"[Failed tile inforamtion window]"};
  std::string caption = "Start";
  std::vector<bool> timerStates;
  bool consistent = true;
  bool closeRequested = false;

 private:
  const TForm1& form_;
};

TEST(MainWindowView, NoticesAloneKeepAViewInStep) {
  MainWindowRigOptions options;
  options.ServerReply = [](const testing::Request& request) {
    return request.Target().find("x=1&") != std::string::npos ? testing::StatusReply(500)
                                                              : testing::PngReply();
  };
  MainWindowRig rig(std::move(options));
  MirrorView view(*rig.Form);
  rig.Form->SetView(&view);
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeSixteenTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_EQ(view.caption, "Stop");
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_TRUE(view.consistent);
  EXPECT_EQ(view.log, rig.Form->Memo1);
  EXPECT_EQ(view.failed, rig.Form->Memo2);
  EXPECT_EQ(view.failed.size(), 4u);  // the column x=1
  EXPECT_EQ(view.caption, "Start");
  EXPECT_EQ(view.timerStates, (std::vector<bool>{true, false}));
  rig.Click(&TForm1::Exit1Click);
  EXPECT_TRUE(view.closeRequested);
  rig.Form->SetView(nullptr);
}

}  // namespace
}  // namespace kartovel
