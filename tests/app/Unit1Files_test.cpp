// The main window's files under hostile conditions: the modes they get, links they are
// written through, task files and names that cannot be stored, saved positions that
// cannot be trusted, and the order of the monitor's saves.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <map>
#include <set>

#include "app/HandlerGuard.h"
#include "app/Unit1.h"
#include "app/UnitOptions.h"
#include "common/IniFile.h"
#include "common/LineFile.h"
#include "support/MainWindowRig.h"
#include "support/WriteSteps.h"

namespace kartovel {
namespace {

namespace fs = std::filesystem;
using testing::MainWindowRig;
using testing::MainWindowRigOptions;
using testing::PermissionsOf;
using testing::Sandbox;

constexpr uint64_t kLimit = uint64_t{1} << 20;

// The world at zoom 2: 4 x 4 tiles, 8 workers of 2 tiles each. The tile in column 1 of
// the first row always fails, so a run also copies the blank image and records a failure.
void TypeSixteenTiles(MainWindowRig& rig, const std::string& left = "-180") {
  rig.TypeRequest(left, "179", "85", "-85", 2, rig.Box.Path("maps"), "world.qtsk");
}

MainWindowRigOptions OneTileFails(double timeScale = 0) {
  MainWindowRigOptions options;
  options.TimeScale = timeScale;
  options.ServerReply = [](const testing::Request& request) {
    return request.Target().find("x=1&y=1&") != std::string::npos ? testing::StatusReply(500)
                                                                  : testing::PngReply();
  };
  return options;
}

// Every file a run of the current task wrote: its four files and every tile.
std::vector<std::string> RunFiles(const DownloadTask& task) {
  std::vector<std::string> files = {task.TaskFilePath(), task.ListFileName, task.LogFileName,
                                    task.FailedFileName};
  for (const auto& entry : fs::directory_iterator(task.TileFolder)) {
    files.push_back(entry.path().string());
  }
  return files;
}

void PressOptionsOk(MainWindowRig& rig, const std::string& password) {
  TfrmOptions options(rig.Platform);
  options.Show();
  options.EditProxyPassword = password;
  ASSERT_TRUE(RunHandler(rig.Platform, [&] { options.Button1Click(); }));
}

TEST(MainWindowFiles, EveryFileARunAndOptionsOkWriteGetsTheModeTheUmaskAllows) {
  const struct {
    mode_t Umask;
    const char* Password;
    mode_t FileMode;
    mode_t ConfigMode;
  } cases[] = {
      {022, "", 0644, 0644},       {022, "secret", 0644, 0600}, {077, "", 0600, 0600},
      {077, "secret", 0600, 0600}, {002, "secret", 0664, 0600},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "umask " << std::oct << c.Umask << " password '" << c.Password << "'");
    MainWindowRig rig(OneTileFails());
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    const testing::ScopedUmask mask(c.Umask);
    fs::remove(rig.Form->ConfigFilePath);
    PressOptionsOk(rig, c.Password);
    EXPECT_EQ(PermissionsOf(rig.Form->ConfigFilePath), c.ConfigMode);
    // A configuration left readable by others (as an older version wrote it) is made
    // private by the next write while it holds a password, here the map source's choice.
    fs::permissions(rig.Form->ConfigFilePath, fs::perms(0644));
    ASSERT_TRUE(rig.Click(&TForm1::ComboBoxMapsTypeChange));
    EXPECT_EQ(PermissionsOf(rig.Form->ConfigFilePath), *c.Password ? 0600u : 0644u);

    TypeSixteenTiles(rig);
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    ASSERT_TRUE(rig.RunToEnd());
    const std::vector<std::string> files = RunFiles(*rig.Form->CurrentTask);
    EXPECT_EQ(files.size(), 20u);
    for (const std::string& file : files) {
      EXPECT_EQ(PermissionsOf(file), c.FileMode) << file;
    }
  }
}

// A second, fresh run replaces every file of the first (the same tiles, another text in
// a box), and Options OK replaces the configuration: each keeps the mode it had.
TEST(MainWindowFiles, AReplacedFileKeepsItsMode) {
  MainWindowRig rig(OneTileFails());
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeSixteenTiles(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.RunToEnd());
  std::map<std::string, mode_t> modes;
  const mode_t chosen[] = {0640, 0600, 0604, 0755};
  for (const std::string& file : RunFiles(*rig.Form->CurrentTask)) {
    modes[file] = chosen[modes.size() % std::size(chosen)];
    fs::permissions(file, fs::perms(modes[file]));
  }
  fs::permissions(rig.Form->ConfigFilePath, fs::perms(0640));

  const testing::ScopedUmask mask(022);
  PressOptionsOk(rig, "");
  EXPECT_EQ(PermissionsOf(rig.Form->ConfigFilePath), 0640u);
  TypeSixteenTiles(rig, "-180.0");
  rig.Platform.QueueQuestionAnswer(true);  // replace the earlier run
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_FALSE(rig.Form->CurrentParameters->ContinueTask);
  ASSERT_TRUE(rig.Form->Timer1Enabled);
  ASSERT_TRUE(rig.RunToEnd());
  for (const auto& [file, mode] : modes) {
    EXPECT_EQ(PermissionsOf(file), mode) << file;
  }
}

// The task file and the configuration lie elsewhere, reached through links: runs and
// Options OK change the files at the links' ends, and the links stay links.
TEST(MainWindowFiles, ATaskFileAndAConfigurationThatAreLinksStayLinks) {
  MainWindowRig rig(OneTileFails());
  const std::string elsewhere = rig.Box.Path("elsewhere/");
  fs::create_directories(elsewhere);
  fs::create_directories(rig.SaveFolder);
  fs::rename(rig.ProgramFolder + "ini/config.ini", elsewhere + "config.ini");
  fs::create_symlink(elsewhere + "config.ini", rig.ProgramFolder + "ini/config.ini");
  fs::create_symlink("../elsewhere/world.qtsk", rig.SavePath("world.qtsk"));  // dangling

  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  PressOptionsOk(rig, "secret");
  EXPECT_TRUE(fs::is_symlink(rig.Form->ConfigFilePath));
  EXPECT_EQ(TIniFile(elsewhere + "config.ini").ReadString("Proxy", "ProxyPassword", ""), "secret");
  EXPECT_EQ(PermissionsOf(elsewhere + "config.ini"), 0600u);

  TypeSixteenTiles(rig);
  for (const bool continues : {false, true}) {
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    EXPECT_EQ(rig.Form->CurrentParameters->ContinueTask, continues);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_TRUE(rig.Platform.Errors().empty());
    EXPECT_TRUE(fs::is_symlink(rig.SavePath("world.qtsk")));
    EXPECT_EQ(TIniFile(elsewhere + "world.qtsk").ReadInteger("THREADS", "T3X", 0), 2);
  }
}

// A continued run whose log or failed-tile file the user deleted stops with the file's
// message before any worker runs, and writes nothing: the next Start says the same.
TEST(MainWindowFiles, AContinuedRunWhoseLogOrFailedFileIsGoneStopsOnIt) {
  for (const char* gone : {"world_log.txt", "world_failed.ftl"}) {
    SCOPED_TRACE(gone);
    MainWindowRig rig(OneTileFails());
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    TypeSixteenTiles(rig);
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    ASSERT_TRUE(rig.RunToEnd());
    fs::remove(rig.SavePath(gone));
    const std::string taskBefore = Sandbox::ReadAll(rig.SavePath("world.qtsk"));
    for (int start = 0; start < 2; ++start) {
      rig.Platform.ClearRecords();
      EXPECT_FALSE(rig.Click(&TForm1::BitBtn1Click));
      EXPECT_TRUE(rig.Form->CurrentParameters->ContinueTask);
      EXPECT_EQ(rig.Platform.Errors(),
                std::vector<std::string>{"Cannot open file " + rig.SavePath(gone) + "."});
      EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
      EXPECT_FALSE(rig.Form->Timer1Enabled);
    }
    EXPECT_FALSE(fs::exists(rig.SavePath(gone)));
    EXPECT_EQ(Sandbox::ReadAll(rig.SavePath("world.qtsk")), taskBefore);
  }
}

// A file larger than any task file the program writes is refused, not parsed: by Start
// (nothing is written) and by Open task (no box changes).
TEST(MainWindowFiles, ATaskFileLargerThanOneMegabyteIsRefused) {
  const struct {
    uint64_t Size;
    bool Refused;
  } cases[] = {{kLimit, false}, {kLimit + 1, true}, {8 * kLimit, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Size);
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    fs::create_directories(rig.SaveFolder);
    const std::string taskFile = rig.SavePath("world.qtsk");
    const std::string head = "[MapsType]\r\nMapsType=3\r\n; ";
    Sandbox::WriteAll(taskFile, head + std::string(c.Size - head.size(), 'x'));
    const std::string refusal = "The task file " + taskFile +
                                " is larger than 1 MB, so it is not a task file of this program.";

    rig.Platform.QueueOpenFileAnswer(taskFile);
    ASSERT_TRUE(rig.Click(&TForm1::LoadParametersfromprojectfilel1Click));
    EXPECT_EQ(rig.Form->EditTaskName, c.Refused ? "newtask.qtsk" : "world.qtsk");
    EXPECT_EQ(rig.Platform.Messages(),
              c.Refused ? std::vector<std::string>{refusal} : std::vector<std::string>{});

    rig.Platform.ClearRecords();
    TypeSixteenTiles(rig);
    rig.Platform.QueueQuestionAnswer(true);  // replace the file a fresh run finds
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    if (c.Refused) {
      EXPECT_EQ(
          rig.Platform.Messages(),
          std::vector<std::string>{refusal + " Choose another task name or move that file away."});
      EXPECT_EQ(fs::file_size(taskFile), c.Size);
      EXPECT_FALSE(fs::exists(rig.SavePath("world_log.txt")));
      EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
    } else {
      ASSERT_TRUE(rig.Form->Timer1Enabled);
      ASSERT_TRUE(rig.RunToEnd());
      EXPECT_LT(fs::file_size(taskFile), 1024u);
    }
  }
}

// The longest name among a task's files is the base + "_failed.ftl"; a base whose files
// cannot be named is refused before anything is written.
TEST(MainWindowFiles, ATaskNameTooLongForItsFilesIsRefused) {
  const size_t longestBase = NAME_MAX - std::string("_failed.ftl").size();
  for (const size_t base : {longestBase, longestBase + 1, size_t{NAME_MAX}}) {
    SCOPED_TRACE(base);
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    const std::string name = std::string(base, 'n') + ".qtsk";
    rig.TypeRequest("-180", "-1", "80", "1", 1, rig.Box.Path("maps"), name);
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    if (base > longestBase) {
      EXPECT_EQ(rig.Platform.Messages(),
                std::vector<std::string>{"The task name is too long to store the task's files "
                                         "in this folder. Choose a shorter task name."});
      EXPECT_TRUE(fs::is_empty(rig.SaveFolder));
    } else {
      ASSERT_TRUE(rig.RunToEnd());
      EXPECT_TRUE(rig.Platform.Errors().empty());
      EXPECT_EQ(ReadLines(rig.SavePath(std::string(base, 'n') + "_failed.ftl")), Lines{});
    }
  }
}

// After a complete run every worker's position is its last tile; then worker 3's (its
// share is the serials 2 and 10: tiles 0,1 and 2,1) is replaced. A position that is not a
// tile of its share is dropped with one log line and the worker fetches its share again;
// a pair holding a 0 is no position and says nothing. (Workers 2 and 6 end on row 0, so
// they have no position either and fetch their 4 tiles again in every case.)
TEST(MainWindowFiles, SavedPositionsThatAreNoTilesOfTheirShareAreNotTrusted) {
  const struct {
    const char* Name;
    const char* X;
    const char* Y;
    bool Logged;
    std::size_t Fetched;
  } cases[] = {
      {"its own last tile", "2", "1", false, 4},
      {"a zero column", "0", "1", false, 6},
      {"a zero row", "2", "", false, 6},
      {"largest integers", "2147483647", "2147483647", true, 6},
      {"outside the range", "4", "1", true, 6},
      {"a tile of another share", "2", "2", true, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    TypeSixteenTiles(rig);
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    ASSERT_TRUE(rig.RunToEnd());
    const std::string taskFile = rig.SavePath("world.qtsk");
    TIniFile(taskFile).WriteStrings("THREADS", {{"T3X", c.X}, {"T3Y", c.Y}});
    const std::size_t requestsBefore = rig.Server.RequestCount();

    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    ASSERT_TRUE(rig.Form->CurrentParameters->ContinueTask);
    std::size_t logged = 0;
    for (const std::string& logLine : rig.Form->Memo1) {
      logged += logLine.find("saved position") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(logged, c.Logged ? 1u : 0u);
    if (c.Logged) {
      EXPECT_EQ(rig.Form->Memo1.back(),
                std::string("T3: the saved position ") + c.X + "," + c.Y +
                    " is not a tile of its share; it starts its share from the beginning.");
    }
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Server.RequestCount() - requestsBefore, c.Fetched);
    EXPECT_EQ(TIniFile(taskFile).ReadInteger("THREADS", "T3X", 0), 2);
  }
}

// Over a run with many fifth ticks: the panes are saved before every write of positions.
TEST(MainWindowFiles, TheMonitorSavesThePanesBeforeThePositions) {
  MainWindowRigOptions options = OneTileFails(0.01);
  options.TickEvery = std::chrono::milliseconds(5);
  MainWindowRig rig(std::move(options));
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  rig.TypeRequest("10", "20", "50", "45", 9, rig.Box.Path("maps"), "many.qtsk");
  const std::string taskFile = rig.SavePath("many.qtsk");
  const testing::WriteStepRecorder recorder;
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.RunToEnd());
  const DownloadTask& task = *rig.Form->CurrentTask;

  std::vector<std::string> saves;
  for (const std::string& file : recorder.WrittenFiles()) {
    if (file == taskFile || file == task.LogFileName || file == task.FailedFileName) {
      saves.push_back(file == taskFile ? "task" : file == task.LogFileName ? "log" : "failed");
    }
  }
  ASSERT_GE(saves.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(saves.begin(), saves.begin() + 3),
            (std::vector<std::string>{"log", "failed", "task"}));
  int positionWrites = 0;
  for (std::size_t i = 3; i < saves.size(); ++i) {
    if (saves[i] == "task") {
      ++positionWrites;
      EXPECT_EQ(saves[i - 1], "failed") << i;
      EXPECT_EQ(saves[i - 2], "log") << i;
    }
  }
  EXPECT_GE(positionWrites, 3);
}

// A pane that cannot be saved on a fifth tick, and again at the ending, keeps every
// position back: the task file never covers records that are not on disk.
TEST(MainWindowFiles, APaneThatCannotBeSavedKeepsThePositionsBack) {
  for (const char* pane : {"world_log.txt", "world_failed.ftl"}) {
    SCOPED_TRACE(pane);
    MainWindowRig rig(OneTileFails());
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    TypeSixteenTiles(rig);
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    ASSERT_TRUE(rig.ServeUntil([&] { return rig.Form->RunningWorkerCount == 0; }));
    fs::remove(rig.SavePath(pane));
    fs::create_directory(rig.SavePath(pane));
    rig.Form->MonitorTicks = 4;
    rig.Tick();  // a fifth tick: its pane save fails and the rest of the tick is skipped
    EXPECT_TRUE(rig.Form->Timer1Enabled);
    rig.Tick();  // the ending
    EXPECT_EQ(rig.Platform.Errors().size(), 2u);
    EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
    for (int n = 1; n <= 8; ++n) {
      EXPECT_EQ(TIniFile(rig.SavePath("world.qtsk"))
                    .ReadString("THREADS", "T" + std::to_string(n) + "Y", "-"),
                "")
          << n;
    }
  }
}

}  // namespace
}  // namespace kartovel
