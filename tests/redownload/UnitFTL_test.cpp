// The re-download dialog driven through its handlers with a scripted HTTP client, its run
// served on the test's thread as an event loop would serve it: the reports, the record
// count, Close during a run, bodies that are no image, and the real client on the wire.
#include "redownload/UnitFTL.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/HandlerGuard.h"
#include "download/TileFailure.h"
#include "support/FolderSnapshot.h"
#include "support/LoopbackServer.h"
#include "support/Sandbox.h"
#include "support/ScriptedHttpClient.h"
#include "support/ScriptedPlatform.h"
#include "task/FailedRecord.h"

namespace kartovel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::Sandbox;
using testing::ScriptedHttpClient;
using testing::ScriptedPlatform;
using testing::ScriptedReply;

constexpr char kReset[] = "Socket Error # 10054\r\nConnection reset by peer";
constexpr char kBanned[] = "Error: may be your IP is banned.\nPlease try again later.";
constexpr char kNotPng[] = "Error: the server's answer is not a PNG image.";
// Tile bodies: images the content check lets through, told apart by their size.
const std::string kTileBytes = testing::PngStart(1, 1);
const std::string kSecondTile = testing::PngStart(2, 2);
const std::string kWholeTile = testing::PngStart(3, 3);

// Tile names of the task "task" at zoom 13, the kind its records may name.
constexpr char kTileA[] = "qn_1_0_13.png";
constexpr char kTileB[] = "qn_2_0_13.png";
constexpr char kTileC[] = "qn_3_0_13.png";

std::string NumberedTile(int column) {
  return "qn_" + std::to_string(column) + "_0_13.png";
}

class UnitFTLTest : public ::testing::Test {
 protected:
  UnitFTLTest() { std::filesystem::create_directory(sandbox.Path("task")); }

  // Writes the failed-tile file of the task "task" into the sandbox and returns its name.
  std::string WriteFtl(const std::string& content) {
    const std::string name = sandbox.Path("task_failed.ftl");
    Sandbox::WriteAll(name, content);
    return name;
  }
  // A tile's path in the task's tile folder.
  std::string Tile(const std::string& tileName) { return sandbox.Path("task/" + tileName); }
  std::string Record(const std::string& tileName, const std::string& url) {
    return Tile(tileName) + "|" + url;
  }
  std::string OkLine(const std::string& tileName, const std::string& url) {
    return Tile(tileName) + ":" + url + " ->OK";
  }
  // Picks the file in the open-file dialog, runs the command as the window would and
  // serves the run's hand-offs until it has ended; true when nothing reached the general
  // error display.
  bool RunOn(const std::string& ftlName) {
    platform.QueueOpenFileAnswer(ftlName);
    const bool handled = RunHandler(platform, [this] { dialog.Button1Click(); });
    EXPECT_TRUE(platform.PumpUntil([this] { return !dialog.Running(); }, std::chrono::seconds(20)));
    return handled && platform.Errors().empty();
  }

  Sandbox sandbox;
  ScriptedPlatform platform{sandbox.Folder()};
  ScriptedHttpClient http{ScriptedReply::Success(kTileBytes)};
  TfrmFlt dialog{platform, http.Factory()};
};

TEST_F(UnitFTLTest, AsksForAnFtlFileWithItsTitleAndFilter) {
  dialog.Button1Click();
  ASSERT_EQ(platform.OpenFileRequests().size(), 1u);
  EXPECT_EQ(platform.OpenFileRequests()[0].Title, "Open ftl file:");
  EXPECT_EQ(platform.OpenFileRequests()[0].Filter, "Projects(*.ftl)|*.ftl");
}

TEST_F(UnitFTLTest, CancelInTheFileDialogChangesNothing) {
  dialog.Memo1 = {"earlier report"};
  dialog.Button1Click();
  EXPECT_THAT(dialog.Memo1, ElementsAre("earlier report"));
  EXPECT_THAT(http.OptionsSeen(), IsEmpty());
  EXPECT_THAT(http.Urls(), IsEmpty());
}

TEST_F(UnitFTLTest, AnEmptyFileReportsOnlyThatThereAreNoRecords) {
  dialog.Memo1 = {"earlier report"};
  EXPECT_TRUE(RunOn(WriteFtl("")));
  EXPECT_THAT(dialog.Memo1, ElementsAre("No failed files records."));
  EXPECT_THAT(http.Urls(), IsEmpty());
}

TEST_F(UnitFTLTest, SavesEveryTileThatArrivesAndReportsIt) {
  const std::string ftl =
      WriteFtl(Record(kTileA, "http://h/a") + "\r\n" + Record(kTileB, "http://h/b") + "\r\n");
  http.QueueFor("http://h/b", {ScriptedReply::Success(kSecondTile)});
  EXPECT_TRUE(RunOn(ftl));
  EXPECT_THAT(dialog.Memo1, ElementsAre("Start...", OkLine(kTileA, "http://h/a"),
                                        OkLine(kTileB, "http://h/b"), "Download End."));
  EXPECT_EQ(Sandbox::ReadAll(Tile(kTileA)), kTileBytes);
  EXPECT_EQ(Sandbox::ReadAll(Tile(kTileB)), kSecondTile);
  EXPECT_THAT(http.Urls(), ElementsAre("http://h/a", "http://h/b"));
  EXPECT_EQ(dialog.RecordCount, 2);
  EXPECT_EQ(dialog.FetchedCount, 2);
}

TEST_F(UnitFTLTest, OneClientWithTheRedownloadProfileServesTheWholeRun) {
  EXPECT_TRUE(RunOn(WriteFtl(Record(kTileA, "http://h/a") + "\n" + Record(kTileB, "http://h/b"))));
  const auto options = http.OptionsSeen();
  ASSERT_EQ(options.size(), 1u);
  EXPECT_EQ(options[0].Headers, RedownloadRequestProfile().Headers);
  EXPECT_EQ(options[0].UserAgent, RedownloadRequestProfile().UserAgent);
  EXPECT_FALSE(options[0].Proxy.has_value());
}

TEST_F(UnitFTLTest, ShowsStartThroughOnePassOfEventsBeforeTheFirstRequest) {
  std::vector<std::pair<int, Lines>> seenAtRequests;
  http.SetGetHook([&](const std::string&) {
    seenAtRequests.emplace_back(platform.ProcessEventsCount(), dialog.Memo1);
  });
  EXPECT_TRUE(RunOn(
      WriteFtl(Record(kTileA, "http://h/a") + "\r\n" + Record(kTileB, "http://h/b") + "\r\n")));
  ASSERT_EQ(seenAtRequests.size(), 2u);
  EXPECT_EQ(seenAtRequests[0].first, 1);
  EXPECT_THAT(seenAtRequests[0].second, ElementsAre("Start..."));
  EXPECT_EQ(platform.ProcessEventsCount(), 1);
}

TEST_F(UnitFTLTest, OverwritesAnExistingTileFile) {
  Sandbox::WriteAll(Tile(kTileA), "an old and longer blank image");
  EXPECT_TRUE(RunOn(WriteFtl(Record(kTileA, "http://h/a"))));
  EXPECT_EQ(Sandbox::ReadAll(Tile(kTileA)), kTileBytes);
}

TEST_F(UnitFTLTest, EverythingAfterTheFirstBarIsTheUrl) {
  EXPECT_TRUE(RunOn(WriteFtl(Record(kTileA, "http://h/a?x=1|y=2") + "\r\n")));
  EXPECT_THAT(http.Urls(), ElementsAre("http://h/a?x=1|y=2"));
  EXPECT_EQ(Sandbox::ReadAll(Tile(kTileA)), kTileBytes);
  EXPECT_THAT(dialog.Memo1,
              ElementsAre("Start...", OkLine(kTileA, "http://h/a?x=1|y=2"), "Download End."));
}

TEST_F(UnitFTLTest, ATileThatCannotBeWrittenEndsTheRunThroughTheErrorDisplay) {
  std::filesystem::remove(sandbox.Path("task"));
  EXPECT_FALSE(
      RunOn(WriteFtl(Record(kTileA, "http://h/a") + "\r\n" + Record(kTileB, "http://h/b"))));
  EXPECT_THAT(platform.Errors(), ElementsAre("Cannot create file " + Tile(kTileA) + "."));
  EXPECT_THAT(dialog.Memo1, ElementsAre("Start..."));
  EXPECT_THAT(http.Urls(), ElementsAre("http://h/a"));
}

TEST_F(UnitFTLTest, AnUnreadableFileIsReportedBeforeStartWithAnEmptyPane) {
  dialog.Memo1 = {"earlier report"};
  const std::string missing = sandbox.Path("missing.ftl");
  EXPECT_FALSE(RunOn(missing));
  EXPECT_THAT(platform.Errors(), ElementsAre("Cannot open file " + missing + "."));
  EXPECT_THAT(dialog.Memo1, IsEmpty());
  EXPECT_THAT(http.Urls(), IsEmpty());
}

struct FailureCase {
  const char* message;
  std::vector<std::string> extraEntries;  // after the message line; "{url}" is the URL
};

class FailureReportTest : public UnitFTLTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureReportTest, ReportsTheMessageLineThenGoesOnWithTheNextRecord) {
  const FailureCase& failure = GetParam();
  const std::string url = "http://h/missing";
  http.QueueFor(url, {ScriptedReply::Fail(failure.message)});
  EXPECT_TRUE(RunOn(WriteFtl(Record(kTileA, url) + "\r\n" + Record(kTileB, "http://h/b"))));

  Lines expected{"Start...", failure.message + std::string("->") + url};
  for (std::string entry : failure.extraEntries) {
    expected.push_back(entry.replace(entry.find("{url}"), 5, url));
  }
  expected.push_back(OkLine(kTileB, "http://h/b"));
  expected.push_back("Download End.");
  EXPECT_EQ(dialog.Memo1, expected);
  EXPECT_FALSE(std::filesystem::exists(Tile(kTileA)));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, FailureReportTest,
    ::testing::Values(FailureCase{"HTTP/1.1 404 Not Found",
                                  {"{url}:Error: the image is not found on server."}},
                      FailureCase{"Connection Closed Gracefully.", {}},
                      FailureCase{"Socket Error # 10060\r\nConnection timed out", {}},
                      FailureCase{"Socket Error # 10061\r\nConnection refused", {}},
                      FailureCase{"Socket Error # 10048\r\nAddress already in use", {}},
                      FailureCase{"HTTP/1.1 500 Internal Server Error", {}},
                      FailureCase{"HTTP/1.1 301 Moved Permanently", {}}, FailureCase{"", {}}));

class BanTest : public UnitFTLTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(BanTest, EndsTheRunAtTheBannedRecord) {
  const std::string message = GetParam();
  std::string ftl;
  for (int i = 1; i <= 5; ++i) {
    ftl += Record(NumberedTile(i), "http://h/" + std::to_string(i)) + "\r\n";
  }
  http.QueueFor("http://h/2", {ScriptedReply::Fail(message)});
  EXPECT_TRUE(RunOn(WriteFtl(ftl)));
  EXPECT_THAT(dialog.Memo1, ElementsAre("Start...", OkLine(NumberedTile(1), "http://h/1"),
                                        message + "->http://h/2", kBanned, "Download End."));
  EXPECT_THAT(http.Urls(), ElementsAre("http://h/1", "http://h/2"));
}

// A ban is looked for before a missing image, so a text holding both is a ban.
INSTANTIATE_TEST_SUITE_P(Messages, BanTest,
                         ::testing::Values("HTTP/1.1 302 Found", "HTTP/1.1 403 Forbidden",
                                           "HTTP/1.1 404 Not Found (302)"));

TEST_F(UnitFTLTest, AResetIsRequestedAgainSilentlyAndOnlyTheAnsweredBytesAreSaved) {
  http.QueueFor("http://h/a",
                {ScriptedReply::Fail(kReset, "half a tile"),
                 ScriptedReply::Fail(kReset, "another half"), ScriptedReply::Success(kWholeTile)});
  EXPECT_TRUE(RunOn(WriteFtl(Record(kTileA, "http://h/a"))));
  EXPECT_THAT(http.Urls(), ElementsAre("http://h/a", "http://h/a", "http://h/a"));
  EXPECT_THAT(dialog.Memo1, ElementsAre("Start...", OkLine(kTileA, "http://h/a"), "Download End."));
  EXPECT_EQ(Sandbox::ReadAll(Tile(kTileA)), kWholeTile);
}

TEST_F(UnitFTLTest, APeerThatAlwaysResetsIsGivenUpAfterTheBoundLikeAnyFailure) {
  http.QueueFor("http://h/a",
                std::vector<ScriptedReply>(kMaxResetRepeats + 5, ScriptedReply::Fail(kReset)));
  EXPECT_TRUE(RunOn(
      WriteFtl(Record(kTileA, "http://h/a") + "\r\n" + Record(kTileB, "http://h/b") + "\r\n")));
  const auto urls = http.Urls();
  EXPECT_EQ(std::count(urls.begin(), urls.end(), "http://h/a"), 1 + kMaxResetRepeats);
  EXPECT_THAT(dialog.Memo1, ElementsAre("Start...", std::string(kReset) + "->http://h/a",
                                        OkLine(kTileB, "http://h/b"), "Download End."));
}

TEST_F(UnitFTLTest, TheFailedTileFileIsLeftByteForByte) {
  const std::string content = Record(kTileA, "http://h/a") + "\r\n" + Record(kTileB, "http://h/b") +
                              "\n\r" + "no bar here" + "\r\n\r\n" + Record(kTileC, "http://h/c");
  const std::string ftl = WriteFtl(content);
  http.QueueFor("http://h/b", {ScriptedReply::Fail("HTTP/1.1 404 Not Found")});
  EXPECT_TRUE(RunOn(ftl));
  EXPECT_EQ(dialog.Memo1.back(), "Download End.");
  EXPECT_EQ(Sandbox::ReadAll(ftl), content);

  // Skipped records stay too, and a second run asks for the same tiles again.
  EXPECT_TRUE(RunOn(ftl));
  EXPECT_EQ(Sandbox::ReadAll(ftl), content);
  EXPECT_THAT(http.Urls(), ElementsAre("http://h/a", "http://h/b", "http://h/c", "http://h/a",
                                       "http://h/b", "http://h/c"));
}

// A record crafted to reach a file elsewhere. In its texts "{box}" stands for the sandbox
// folder; the task "task" at zoom 13 owns the tile folder {box}task/.
struct HostileRecord {
  const char* line;
  const char* why;  // the part of the skipped line that says why
  bool tileFolderIsLink = false;
};

TEST_F(UnitFTLTest, HostileRecordsAreSkippedAndLeaveEveryOtherFileAsItWas) {
  constexpr char kOutside[] = "it lies outside the tile folder ";
  constexpr char kNoTile[] = "is not a tile name of its task (qn_<x>_<y>_13.png)";
  constexpr char kNoHttp[] = "is not http or https";
  const HostileRecord records[] = {
      {"{box}outside/secret|http://h/a", kOutside},
      {"{box}outside/qn_1_0_13.png|http://h/a", kOutside},
      {"{box}task/../outside/qn_1_0_13.png|http://h/a", kOutside},
      {"{box}task/../qn_1_0_13.png|http://h/a", kOutside},
      {"{box}task/into-outside/qn_1_0_13.png|http://h/a", kOutside},
      {"{box}task/qn_7_0_13.png|http://h/a", kOutside},  // a link to the secret
      {"{box}task/qn_8_0_13.png|http://h/a", kOutside},  // a dangling link
      {"{box}task/qn_1_0_13.png|http://h/a", kOutside, true},
      {"{box}task|http://h/a", kOutside},
      {"{box}task/|http://h/a", kOutside},
      {"qn_1_0_13.png|http://h/a", kOutside},
      {"|http://h/a", kOutside},
      {"http://h/a", kOutside},
      {"", kOutside},
      {"{box}task/script.sh|http://h/a", kNoTile},
      {"{box}task/qn_1_0_12.png|http://h/a", kNoTile},
      {"{box}task/qn_01_0_13.png|http://h/a", kNoTile},
      {"{box}task/qn_+1_0_13.png|http://h/a", kNoTile},
      {"{box}task/qn_1_0_13.png.sh|http://h/a", kNoTile},
      {"{box}task/mt_1_0_13.png|http://h/a", kNoTile},
      {"{box}task/qn_1_0_13.jpg|http://h/a", kNoTile},
      {"{box}task/qn_4294967297_0_13.png|http://h/a", kNoTile},
      {"{box}task/qn_1_0_13.png|file:///etc/passwd", kNoHttp},
      {"{box}task/qn_1_0_13.png|ftp://h/a", kNoHttp},
      {"{box}task/qn_1_0_13.png|//h/a", kNoHttp},
      {"{box}task/qn_1_0_13.png|", kNoHttp},
  };
  namespace fs = std::filesystem;
  for (const HostileRecord& hostile : records) {
    SCOPED_TRACE(hostile.line);
    Sandbox box;
    fs::create_directories(box.Path("outside"));
    Sandbox::WriteAll(box.Path("outside/secret"), "the user's secret");
    fs::permissions(box.Path("outside/secret"), fs::perms::owner_read | fs::perms::owner_write);
    Sandbox::WriteAll(box.Path("outside/qn_1_0_13.png"), "#!/bin/sh\n");
    fs::permissions(box.Path("outside/qn_1_0_13.png"), fs::perms(0755));
    Sandbox::WriteAll(box.Path("qn_1_0_13.png"), "beside the tile folder");
    Sandbox::WriteAll(box.Path("task.qtsk"), "[MapsType]\r\nMapsType=3\r\n[Zoom]\r\nZoom=13\r\n");
    if (hostile.tileFolderIsLink) {
      fs::create_directory_symlink(box.Path("outside"), box.Path("task"));
    } else {
      fs::create_directory(box.Path("task"));
      Sandbox::WriteAll(box.Path("task/script.sh"), "echo inside\n");
      fs::create_directory_symlink(box.Path("outside"), box.Path("task/into-outside"));
      fs::create_symlink(box.Path("outside/secret"), box.Path("task/qn_7_0_13.png"));
      fs::create_symlink(box.Path("outside/made-by-link"), box.Path("task/qn_8_0_13.png"));
    }
    std::string line = hostile.line;
    if (const auto at = line.find("{box}"); at != std::string::npos) {
      line.replace(at, 5, box.Folder());
    }
    const std::string ftl = box.Path("task_failed.ftl");
    Sandbox::WriteAll(ftl, line + "\r\n");
    const testing::FolderSnapshot before = testing::SnapshotFolder(box.Folder());

    ASSERT_TRUE(RunOn(ftl));
    ASSERT_EQ(dialog.Memo1.size(), 3u);
    EXPECT_EQ(dialog.Memo1[2], "Download End.");
    EXPECT_EQ(dialog.Memo1[1].rfind("Skipped \"" + SplitFailedRecord(line).TilePath + "\": ", 0),
              0u)
        << dialog.Memo1[1];
    EXPECT_THAT(dialog.Memo1[1], ::testing::HasSubstr(hostile.why));
    EXPECT_THAT(http.Urls(), IsEmpty());
    EXPECT_EQ(testing::SnapshotFolder(box.Folder()), before);
  }
}

struct RefusedFtlName {
  const char* name;     // below the sandbox
  const char* message;  // after "The records of " + the file's name + " are not used. "
};

TEST_F(UnitFTLTest, AFileThatBelongsToNoUsableTaskIsRefusedBeforeStart) {
  const RefusedFtlName refused[] = {
      {"_failed.ftl",
       "The task name \".qtsk\" cannot be used: the task's files would be hidden or "
       "lie outside the chosen folder."},
      {"._failed.ftl",
       "The task name \"..qtsk\" cannot be used: the task's files would be hidden "
       "or lie outside the chosen folder."},
      {".._failed.ftl",
       "The task name \"...qtsk\" cannot be used: the task's files would be "
       "hidden or lie outside the chosen folder."},
      {"a|b_failed.ftl", "A task name cannot hold \"|\"."},
      {"a\tb_failed.ftl", "A task name cannot hold control characters."},
      {"x|y/task_failed.ftl", "The path to save cannot hold \"|\"."},
  };
  for (const RefusedFtlName& file : refused) {
    SCOPED_TRACE(file.name);
    const std::string ftl = sandbox.Path(file.name);
    std::filesystem::create_directories(std::filesystem::path(ftl).parent_path());
    Sandbox::WriteAll(ftl, Record(kTileA, "http://h/a") + "\r\n");
    platform.ClearRecords();
    EXPECT_FALSE(RunOn(ftl));
    EXPECT_THAT(platform.Errors(),
                ElementsAre("The records of " + ftl + " are not used. " + file.message));
    EXPECT_THAT(dialog.Memo1, IsEmpty());
  }
  const std::string misnamed = sandbox.Path("task.ftl");
  Sandbox::WriteAll(misnamed, Record(kTileA, "http://h/a") + "\r\n");
  EXPECT_FALSE(RunOn(misnamed));
  EXPECT_THAT(platform.Errors().back(), ::testing::HasSubstr("does not end in _failed.ftl"));
  EXPECT_THAT(http.Urls(), IsEmpty());
}

TEST_F(UnitFTLTest, ShowingTheDialogAgainEmptiesThePane) {
  EXPECT_TRUE(RunOn(WriteFtl(Record(kTileA, "http://h/a"))));
  ASSERT_THAT(dialog.Memo1, ::testing::Not(IsEmpty()));
  dialog.Show();
  EXPECT_TRUE(dialog.Visible);
  EXPECT_THAT(dialog.Memo1, IsEmpty());
}

TEST_F(UnitFTLTest, TellsWhichRecordItIsOnAndNothingOnceTheRunHasEnded) {
  std::vector<std::string> seen;
  http.SetGetHook([&](const std::string&) { seen.push_back(dialog.ProgressText); });
  EXPECT_TRUE(RunOn(WriteFtl(Record(kTileA, "http://h/a") + "\r\n" + Record(kTileB, "http://h/b") +
                             "\r\n" + Record(kTileC, "http://h/c"))));
  EXPECT_THAT(seen, ElementsAre("1 of 3", "2 of 3", "3 of 3"));
  EXPECT_EQ(dialog.ProgressText, "");
  EXPECT_FALSE(dialog.Running());
}

TEST_F(UnitFTLTest, CloseStopsTheRunAfterTheRecordInProgress) {
  std::string ftl;
  for (int i = 1; i <= 5; ++i) {
    ftl += Record(NumberedTile(i), "http://h/" + std::to_string(i)) + "\r\n";
  }
  dialog.Show();
  http.SetGetHook([this](const std::string& url) {
    if (url == "http://h/2") {
      platform.RunBlocking([this] { dialog.Close(); });  // the user closes the dialog
    }
  });
  EXPECT_TRUE(RunOn(WriteFtl(ftl)));
  EXPECT_FALSE(dialog.Visible);
  EXPECT_THAT(http.Urls(), ElementsAre("http://h/1", "http://h/2"));
  EXPECT_THAT(dialog.Memo1, ElementsAre("Start...", OkLine(NumberedTile(1), "http://h/1"),
                                        OkLine(NumberedTile(2), "http://h/2"), "Download End."));
}

TEST_F(UnitFTLTest, ButtonOneDoesNothingWhileARunIsGoing) {
  std::atomic<bool> clickedAgain{false};
  http.SetGetHook([&](const std::string&) {
    if (!clickedAgain.exchange(true)) {
      platform.RunBlocking([this] { dialog.Button1Click(); });
    }
  });
  EXPECT_TRUE(RunOn(WriteFtl(Record(kTileA, "http://h/a"))));
  EXPECT_EQ(platform.OpenFileRequests().size(), 1u);
  EXPECT_THAT(dialog.Memo1, ElementsAre("Start...", OkLine(kTileA, "http://h/a"), "Download End."));
}

TEST_F(UnitFTLTest, ShowingTheDialogDuringARunKeepsTheOldRunsLinesOutOfTheNewPane) {
  http.SetGetHook([this](const std::string& url) {
    if (url == "http://h/a") {
      platform.RunBlocking([this] { dialog.Show(); });
    }
  });
  EXPECT_TRUE(RunOn(
      WriteFtl(Record(kTileA, "http://h/a") + "\r\n" + Record(kTileB, "http://h/b") + "\r\n")));
  EXPECT_THAT(dialog.Memo1, IsEmpty());
  EXPECT_EQ(Sandbox::ReadAll(Tile(kTileB)), kTileBytes);
}

TEST_F(UnitFTLTest, EndingTheDialogDuringARunStopsItAndServesItsLastHandOffs) {
  std::atomic<bool> requested{false};
  auto doomed = std::make_unique<TfrmFlt>(platform, http.Factory());
  http.SetGetHook([&](const std::string&) { requested.store(true); });
  platform.QueueOpenFileAnswer(
      WriteFtl(Record(kTileA, "http://h/a") + "\r\n" + Record(kTileB, "http://h/b") + "\r\n"));
  ASSERT_TRUE(RunHandler(platform, [&] { doomed->Button1Click(); }));
  ASSERT_TRUE(platform.PumpUntil([&] { return requested.load(); }, std::chrono::seconds(20)));
  doomed.reset();
  EXPECT_THAT(http.Urls(), ElementsAre("http://h/a"));
}

// Answers with status 200 that are no PNG image: one report line each, no file, and the
// run goes on; the failed-tile file is left as it was.
class NotAnImageTest : public UnitFTLTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(NotAnImageTest, IsReportedOnOneLineAndNotSaved) {
  const std::string content =
      Record(kTileA, "http://h/a") + "\r\n" + Record(kTileB, "http://h/b") + "\r\n";
  const std::string ftl = WriteFtl(content);
  http.QueueFor("http://h/a", {ScriptedReply::Success(GetParam())});
  EXPECT_TRUE(RunOn(ftl));
  EXPECT_THAT(dialog.Memo1, ElementsAre("Start...", std::string(kNotPng) + "->http://h/a",
                                        OkLine(kTileB, "http://h/b"), "Download End."));
  EXPECT_FALSE(std::filesystem::exists(Tile(kTileA)));
  EXPECT_EQ(Sandbox::ReadAll(ftl), content);
}

INSTANTIATE_TEST_SUITE_P(Bodies, NotAnImageTest,
                         ::testing::Values("<html><body>Not here</body></html>",
                                           testing::PngStart(100000, 256)));

class RecordingView final : public TfrmFltView {
 public:
  explicit RecordingView(const TfrmFlt& dialog) : dialog_(dialog) {}
  void Memo1LinesAppended(std::size_t first) override { shown.push_back(dialog_.Memo1.at(first)); }
  void Memo1Cleared() override { shown.clear(); }
  Lines shown;

 private:
  const TfrmFlt& dialog_;
};

TEST_F(UnitFTLTest, AnAttachedViewMirrorsThePaneAsItGrows) {
  RecordingView view(dialog);
  dialog.Memo1 = {"earlier report"};
  view.shown = dialog.Memo1;
  dialog.SetView(&view);
  http.QueueFor("http://h/b", {ScriptedReply::Fail("HTTP/1.1 404 Not Found")});
  EXPECT_TRUE(RunOn(
      WriteFtl(Record(kTileA, "http://h/a") + "\r\n" + Record(kTileB, "http://h/b") + "\r\n")));
  EXPECT_EQ(view.shown, dialog.Memo1);
  dialog.SetView(nullptr);
}

// Against a real HTTP exchange on the loopback interface, with the program's own client.
class UnitFTLWireTest : public ::testing::Test {
 protected:
  UnitFTLWireTest() { std::filesystem::create_directory(sandbox.Path("wire")); }
  std::string Tile(const std::string& tileName) { return sandbox.Path("wire/" + tileName); }
  bool RunOn(const std::string& ftlContent) {
    const std::string ftl = sandbox.Path("wire_failed.ftl");
    Sandbox::WriteAll(ftl, ftlContent);
    platform.QueueOpenFileAnswer(ftl);
    const bool handled = RunHandler(platform, [this] { dialog.Button1Click(); });
    EXPECT_TRUE(platform.PumpUntil([this] { return !dialog.Running(); }, std::chrono::seconds(20)));
    return handled && platform.Errors().empty();
  }

  Sandbox sandbox;
  ScriptedPlatform platform{sandbox.Folder()};
  testing::LoopbackServer server;
  TfrmFlt dialog{platform};
};

TEST_F(UnitFTLWireTest, EveryRequestCarriesTheDialogsHeadersOnOneKeptConnection) {
  server.Enqueue({testing::PngReply(), testing::StatusReply(404)});
  const std::string first = server.Url("/13/1/2.png");
  const std::string second = server.Url("/13/1/3.png");
  EXPECT_TRUE(RunOn(Tile(kTileA) + "|" + first + "\r\n" + Tile(kTileB) + "|" + second + "\r\n"));

  EXPECT_THAT(dialog.Memo1,
              ElementsAre("Start...", Tile(kTileA) + ":" + first + " ->OK",
                          "HTTP/1.1 404 Not Found->" + second,
                          second + ":Error: the image is not found on server.", "Download End."));
  EXPECT_EQ(Sandbox::ReadAll(Tile(kTileA)), testing::SmallPng());
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_EQ(request.Method(), "GET");
    const auto referer = request.Header("Referer");
    ASSERT_TRUE(referer.has_value());
    EXPECT_EQ(referer->rfind("http", 0), 0u) << *referer;
    EXPECT_EQ(request.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)");
    EXPECT_EQ(request.Header("Connection"), "Keep_Alive");
    EXPECT_EQ(request.Header("Accept"), "text/html, */*");
    EXPECT_FALSE(request.Header("Proxy-Authorization").has_value());
  }
  EXPECT_EQ(requests[0].Target(), "/13/1/2.png");
  EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST_F(UnitFTLWireTest, AResetConnectionIsRequestedAgainAndOnlyTheAnswerIsSaved) {
  server.Enqueue({testing::ResetMidBodyReply("half", 40), testing::PngReply()});
  const std::string url = server.Url("/tile.png");
  EXPECT_TRUE(RunOn(Tile(kTileA) + "|" + url));
  EXPECT_THAT(dialog.Memo1,
              ElementsAre("Start...", Tile(kTileA) + ":" + url + " ->OK", "Download End."));
  EXPECT_EQ(Sandbox::ReadAll(Tile(kTileA)), testing::SmallPng());
  EXPECT_EQ(server.RequestCount(), 2u);
}

TEST_F(UnitFTLWireTest, ARedirectIsNotFollowedAndEndsTheRun) {
  server.Enqueue(testing::StatusReply(302));
  const std::string url = server.Url("/moved.png");
  EXPECT_TRUE(RunOn(Tile(kTileA) + "|" + url + "\r\n" + Tile(kTileB) + "|" +
                    server.Url("/next.png") + "\r\n"));
  EXPECT_THAT(dialog.Memo1,
              ElementsAre("Start...", "HTTP/1.1 302 Found->" + url, kBanned, "Download End."));
  EXPECT_EQ(server.RequestCount(), 1u);
  EXPECT_FALSE(std::filesystem::exists(Tile(kTileA)));
}

TEST_F(UnitFTLWireTest, CloseEndsATrickleWithinASecondAndAsksForNoFurtherRecord) {
  server.Enqueue({testing::TrickleReply(std::chrono::milliseconds(500)), testing::PngReply()});
  const std::string ftl = sandbox.Path("wire_failed.ftl");
  Sandbox::WriteAll(ftl, Tile(kTileA) + "|" + server.Url("/a.png") + "\r\n" + Tile(kTileB) + "|" +
                             server.Url("/b.png") + "\r\n");
  platform.QueueOpenFileAnswer(ftl);
  dialog.Show();
  ASSERT_TRUE(RunHandler(platform, [this] { dialog.Button1Click(); }));
  ASSERT_TRUE(
      platform.PumpUntil([this] { return server.RequestCount() == 1; }, std::chrono::seconds(5)));

  const auto closedAt = std::chrono::steady_clock::now();
  dialog.Close();
  ASSERT_TRUE(platform.PumpUntil([this] { return !dialog.Running(); }, std::chrono::seconds(5)));
  EXPECT_LT(std::chrono::steady_clock::now() - closedAt, std::chrono::seconds(1));

  EXPECT_THAT(dialog.Memo1, ElementsAre("Start...", "Download End."));
  EXPECT_FALSE(std::filesystem::exists(Tile(kTileA)));
  EXPECT_EQ(server.RequestCount(), 1u);
}

}  // namespace
}  // namespace kartovel
