// kartovel-cli as scripts run it, against the loopback tile service with a fast clock:
// zoom ranges to their end, a stop by signal and its continuation, the exit statuses
// with the refusals' messages, export read back with SQLite, info and re-download.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "cli/CliRig.h"
#include "export/TaskTiles.h"
#include "support/MbtilesReader.h"

namespace kartovel {
namespace {

using testing::CliRig;
using testing::CliRun;
using testing::LoopbackServer;
using testing::Sandbox;

// 63 tiles at zoom 10: long enough to stop in its middle, short enough to run to its end.
const std::vector<std::string> kLargeRectangle = {"10", "12", "50", "48"};

LoopbackServer::Options Replying(std::function<int(const std::string& target)> status) {
  LoopbackServer::Options options;
  options.DefaultReply = [status](const testing::Request& request) {
    const int code = status(request.Target());
    return code == 200 ? testing::PngReply() : testing::StatusReply(code);
  };
  return options;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(KartovelCli, AZoomRangeRunsOneTaskPerZoomToItsEndAndARerunFetchesNothingMore) {
  CliRig rig;
  // Quiet: only the summaries, whatever the speed of the machine.
  std::vector<std::string> command = rig.Download("9-10", "survey");
  command.push_back("--quiet");
  const CliRun first = rig.Run(command);
  ASSERT_EQ(first.Status, 0) << first.Err;
  EXPECT_EQ(first.Out,
            rig.MapsFile("survey_9.qtsk") + ": 2 of 2 tiles, 0 blank, 0 failed records\n" +
                rig.MapsFile("survey_10.qtsk") + ": 6 of 6 tiles, 0 blank, 0 failed records\n");
  EXPECT_EQ(first.Err, "");
  EXPECT_EQ(rig.Server.RequestCount(), 8u);

  const CliRun again = rig.Run(command);
  EXPECT_EQ(again.Status, 0) << again.Err;
  EXPECT_EQ(again.Out, first.Out);
  EXPECT_EQ(rig.Server.RequestCount(), 8u);
  EXPECT_TRUE(Contains(Sandbox::ReadAll(rig.MapsFile("survey_10_log.txt")), "Log continue..."));

  // Another area under a task's name would replace the task: the question is answered No.
  const CliRun other = rig.Run(rig.Download("10", "survey_10.qtsk", {"10", "10.6", "50", "49.6"}));
  EXPECT_EQ(other.Status, 3);
  EXPECT_EQ(other.Err,
            "A task named survey_10.qtsk with another area already exists in this folder. Replace "
            "it and its log, tile list and failed-tile list? No\n");
  EXPECT_EQ(rig.Server.RequestCount(), 8u);

  // A single zoom names the task as the window does.
  EXPECT_EQ(rig.Run(rig.Download("10", "single")).Status, 0);
  EXPECT_TRUE(std::filesystem::exists(rig.MapsFile("single.qtsk")));
}

TEST(KartovelCli, AnInterruptOrTerminationStopsTheRunWithItsPositionsSavedAndItContinues) {
  for (const int signal : {SIGINT, SIGTERM}) {
    CliRig rig;
    const auto command = rig.Download("10", "large", kLargeRectangle);
    auto child = rig.Start(command);
    ASSERT_TRUE(rig.Server.WaitForRequests(16, std::chrono::seconds(30)));
    child->Signal(signal);
    const CliRun stopped = rig.Finish(*child);
    ASSERT_EQ(stopped.Status, 130) << signal << ": " << stopped.Err;
    EXPECT_TRUE(Contains(stopped.Out, ", stopped\n")) << stopped.Out;
    const std::string log = Sandbox::ReadAll(rig.MapsFile("large_log.txt"));
    EXPECT_TRUE(Contains(log, "Thread8will be terminated by user. please wait..."));
    EXPECT_TRUE(Contains(log, "Task Stoped!"));
    const size_t beforeContinue = rig.Server.RequestCount();
    const int64_t total = ReadTaskTiles(rig.MapsFile("large.qtsk")).TotalCount();
    ASSERT_LT(beforeContinue, static_cast<size_t>(total));

    const CliRun continued = rig.Run(command);
    EXPECT_EQ(continued.Status, 0) << continued.Err;
    // The stopped run's tiles were not fetched again; only a request that the stop cut
    // short (at most one per worker) is asked once more, as its tile was never settled.
    EXPECT_GE(rig.Server.RequestCount(), static_cast<size_t>(total));
    EXPECT_LE(rig.Server.RequestCount(), static_cast<size_t>(total) + 8);
  }
}

TEST(KartovelCli, ASecondInterruptEndsTheProgramAtOnce) {
  CliRig rig;
  // Program time runs at its real pace: a stopped run ends at the monitor's next one-second
  // tick, well after the second interrupt (a request or pause in progress ends at once).
  rig.TimeScale = "KARTOVEL_TIME_SCALE=1";
  // The second interrupt leaves its workers unjoined on purpose; the thread sanitizer would
  // report a worker that had ended but was not joined yet as a leak.
  const char* sanitizerOptions = std::getenv("TSAN_OPTIONS");
  rig.MoreEnvironment = {std::string("TSAN_OPTIONS=") + (sanitizerOptions ? sanitizerOptions : "") +
                         " report_thread_leaks=0"};
  auto child = rig.Start(rig.Download("10", "large", kLargeRectangle));
  ASSERT_TRUE(rig.Server.WaitForRequests(8, std::chrono::seconds(30)));
  child->Signal(SIGINT);
  // Two signals sent together arrive as one; the second follows the first's handling.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  child->Signal(SIGINT);
  const CliRun run = rig.Finish(*child, std::chrono::seconds(5));
  EXPECT_EQ(run.Status, 130) << run.Err;
  EXPECT_EQ(run.Out, "");  // no summary: nothing more was done
}

TEST(KartovelCli, ExitStatusesAndTheRefusedInputsWithTheirMessages) {
  struct Case {
    std::vector<std::string> replace;  // option, value pairs replaced in the download
    int serverStatus;
    int exitStatus;
    std::string error;     // standard error; a part of it for usage errors (status 2)
    std::string out = "";  // a part of standard output
  };
  const Case cases[] = {
      {{}, 200, 0, "", ": 6 of 6 tiles, 0 blank, 0 failed records\n"},
      {{}, 404, 1, "", ": 6 of 6 tiles, 6 blank, 0 failed records\n"},
      {{}, 500, 1, "", ": 6 of 6 tiles, 6 blank, 6 failed records\n"},
      {{},
       403,
       1,
       "",
       ": 0 of 6 tiles, 0 blank, 6 failed records, ended early: Error: may be your IP is banned."},
      {{"--left", "abc"}, 200, 3, "Longitude or latitude input error!\n"},
      {{"--left", "200"}, 200, 3, "Left Longitude should be between -180 and 180.\n"},
      {{"--left", "11"}, 200, 3, "Left Longitude should less than Right Longitude!\n"},
      {{"--top", "49"}, 200, 3, "Bottom Latitude should less than Top Latitude!\n"},
      {{"--path", ""}, 200, 3, "Please select a path to save the images.\n"},
      {{"--path", "@missing/deeper"},
       200,
       3,
       "Create directory @missing/deeper Failed: No such file or directory.\n"},
      {{"--zoom", "0"}, 200, 2, "--zoom: "},
      {{"--zoom", "12-11"}, 200, 2, "--zoom: "},
      {{"--source", "5"},
       200,
       3,
       "Map type 5 is not one of the map sources. The map sources are: 3 (Orvex Maps).\n"},
      {{"--source", "demo"}, 200, 2, "--source"},
      {{"--name"}, 200, 2, "--name"},
  };
  for (const Case& c : cases) {
    CliRig rig(Replying([&c](const std::string&) { return c.serverStatus; }));
    // "@" stands for the sandbox folder.
    const auto inBox = [&rig](std::string text) {
      if (const size_t at = text.find('@'); at != std::string::npos) {
        text.replace(at, 1, rig.Box.Folder());
      }
      return text;
    };
    std::vector<std::string> arguments = rig.Download("10", "t");
    if (!c.replace.empty()) {
      const auto option = std::find(arguments.begin(), arguments.end(), c.replace[0]);
      if (c.replace.size() == 1) {
        arguments.erase(option, option + 2);  // the option left out
      } else if (option == arguments.end()) {
        arguments.insert(arguments.end(), {c.replace[0], c.replace[1]});
      } else {
        *(option + 1) = inBox(c.replace[1]);
      }
    }
    const CliRun run = rig.Run(arguments);
    const std::string what = c.replace.empty() ? std::to_string(c.serverStatus) : c.replace[0];
    EXPECT_EQ(run.Status, c.exitStatus) << what << ": " << run.Err;
    if (c.exitStatus == 2) {
      EXPECT_TRUE(Contains(run.Err, c.error)) << what << ": " << run.Err;
    } else {
      EXPECT_EQ(run.Err, inBox(c.error)) << what;
    }
    EXPECT_TRUE(Contains(run.Out, c.out)) << what << ": " << run.Out;
  }
}

TEST(KartovelCli, ExportWritesTheTasksTilesWithoutBlanksAndReplacesAnEarlierExport) {
  // Column 540 is missing on the server: its tiles become blank substitutes.
  CliRig rig(
      Replying([](const std::string& target) { return Contains(target, "x=540&") ? 404 : 200; }));
  ASSERT_EQ(rig.Run(rig.Download("9-10", "survey")).Status, 1);
  const std::string out = rig.Box.Path("survey.mbtiles");
  const std::vector<std::string> exportCommand = {"export", out, rig.MapsFile("survey_9.qtsk"),
                                                  rig.MapsFile("survey_10.qtsk")};
  for (int run = 0; run < 2; ++run) {
    const CliRun exported = rig.Run(exportCommand);
    ASSERT_EQ(exported.Status, 0) << exported.Err;
    EXPECT_TRUE(Contains(exported.Out, "Exported 5 tiles to " + out +
                                           "; left out 3 blank substitutes and 0 unreadable "
                                           "files.\n"))
        << exported.Out;
  }
  const auto content = testing::ReadMbtiles(out);
  ASSERT_EQ(content.Tiles.size(), 5u);
  // Zoom 10, column 541, row 347 lies 676 rows north of the grid's south edge.
  EXPECT_EQ(content.Tiles.count({10, 541, 1023 - 347}), 1u);
  EXPECT_EQ(content.Tiles.count({10, 540, 1023 - 347}), 0u);
  EXPECT_EQ(content.Metadata.at("minzoom"), "9");
  EXPECT_EQ(content.Metadata.at("maxzoom"), "10");
  EXPECT_EQ(content.Metadata.at("bounds"), "9.84375,49.3823727870096,10.546875,50.0641917366591");
  for (const auto& entry : std::filesystem::directory_iterator(rig.Box.Folder())) {
    EXPECT_FALSE(Contains(entry.path().filename().string(), ".tmp-")) << entry.path();
  }
  const CliRun missing = rig.Run({"export", out, rig.MapsFile("none.qtsk")});
  EXPECT_EQ(missing.Status, 3);
  EXPECT_EQ(missing.Err, "Cannot open file " + rig.MapsFile("none.qtsk") + ".\n");
  EXPECT_EQ(testing::ReadMbtiles(out).Tiles.size(), 5u);
}

TEST(KartovelCli, ASourceOfTheSourcesFileServesItsTilesAndItsExportCarriesItsFormat) {
  CliRig rig;
  Sandbox::WriteAll(rig.ProgramFolder + "ini/sources.ini",
                    "[MapType 100]\r\nName=Local XYZ\r\nUrl=http://" + rig.Server.HostPort() +
                        "/{z}/{x}/{y}.png\r\nPrefix=xyz\r\nMinZoom=9\r\nMaxZoom=10\r\n"
                        "PauseMs=100\r\n[MapType 101]\r\nName=No URL\r\n");
  std::vector<std::string> command = rig.Download("9-10", "local");
  command.insert(command.end(), {"--source", "100", "--quiet"});
  const CliRun run = rig.Run(command);
  ASSERT_EQ(run.Status, 0) << run.Err;
  // The section left out is named as the window's log pane names it.
  EXPECT_TRUE(Contains(run.Err, "[MapType 101]")) << run.Err;
  EXPECT_TRUE(std::filesystem::exists(rig.MapsFile("local_10/xyz_541_347_10.png")));
  EXPECT_EQ(rig.Server.RequestCount(), 8u);

  const std::string out = rig.Box.Path("local.mbtiles");
  const CliRun exported =
      rig.Run({"export", out, rig.MapsFile("local_9.qtsk"), rig.MapsFile("local_10.qtsk")});
  ASSERT_EQ(exported.Status, 0) << exported.Err;
  const auto content = testing::ReadMbtiles(out);
  EXPECT_EQ(content.Tiles.size(), 8u);
  EXPECT_EQ(content.Metadata.at("format"), "png");
  const CliRun info = rig.Run({"info", rig.MapsFile("local_10.qtsk")});
  EXPECT_TRUE(Contains(info.Out, "Map type: 100\nMap source: Local XYZ\n")) << info.Out;

  // The window's check of the source's zoom levels refuses a zoom it does not serve.
  command = rig.Download("11", "far");
  command.insert(command.end(), {"--source", "100"});
  const CliRun refused = rig.Run(command);
  EXPECT_EQ(refused.Status, 3);
  EXPECT_TRUE(Contains(refused.Err, "The map source Local XYZ serves zoom levels 9 to 10.\n"))
      << refused.Err;
}

TEST(KartovelCli, InfoShowsTheRequestTheTilesOnDiskAndTheFailedRecords) {
  CliRig rig(
      Replying([](const std::string& target) { return Contains(target, "x=540&") ? 500 : 200; }));
  ASSERT_EQ(rig.Run(rig.Download("10", "survey")).Status, 1);
  const CliRun info = rig.Run({"info", rig.MapsFile("survey.qtsk")});
  ASSERT_EQ(info.Status, 0) << info.Err;
  for (const char* line : {"Left Longitude: 10\n", "Right Longitude: 10.5\n", "Top Latitude: 50\n",
                           "Bottom Latitude: 49.6\n", "Zoom level: 10\n", "Tiles on disk: 6 / 6\n",
                           "Failed records: 3\n"}) {
    EXPECT_TRUE(Contains(info.Out, line)) << line << " in " << info.Out;
  }
  const CliRun missing = rig.Run({"info", rig.MapsFile("none.qtsk")});
  EXPECT_EQ(missing.Status, 3);
  EXPECT_EQ(missing.Err, "Cannot open file " + rig.MapsFile("none.qtsk") + ".\n");
}

TEST(KartovelCli, RedownloadFetchesTheFailedTilesAgainAndPrintsEveryLine) {
  auto serverBroken = std::make_shared<std::atomic<bool>>(true);
  CliRig rig(Replying([serverBroken](const std::string& target) {
    return serverBroken->load() && Contains(target, "x=540&") ? 500 : 200;
  }));
  ASSERT_EQ(rig.Run(rig.Download("10", "survey")).Status, 1);
  const std::string ftl = rig.MapsFile("survey_failed.ftl");
  const CliRun failing = rig.Run({"redownload", ftl});
  EXPECT_EQ(failing.Status, 1);
  EXPECT_TRUE(Contains(failing.Out, ftl + ": 0 of 3 tiles fetched again\n")) << failing.Out;

  serverBroken->store(false);
  const CliRun fetched = rig.Run({"redownload", ftl});
  EXPECT_EQ(fetched.Status, 0) << fetched.Err;
  EXPECT_TRUE(Contains(fetched.Out, "Start...\n"));
  EXPECT_TRUE(
      Contains(fetched.Out, " ->OK\nDownload End.\n" + ftl + ": 3 of 3 tiles fetched again\n"))
      << fetched.Out;
  const CliRun quiet = rig.Run({"redownload", "--quiet", ftl});
  EXPECT_EQ(quiet.Out, ftl + ": 3 of 3 tiles fetched again\n");
  const CliRun missing = rig.Run({"redownload", rig.MapsFile("none.ftl")});
  EXPECT_EQ(missing.Status, 3);
  EXPECT_EQ(missing.Err, "Cannot open file " + rig.MapsFile("none.ftl") + ".\n");
}

}  // namespace
}  // namespace kartovel
