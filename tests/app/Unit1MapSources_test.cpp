// The main window with map sources: the drop-down filled from ini/sources.ini and its
// refusal lines, the remembered choice, a source's run end to end against the loopback
// service, and continuing a source's task from the task file alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "common/IniFile.h"
#include "support/MainWindowRig.h"

namespace kartovel {
namespace {

using testing::MainWindowRig;
using testing::MainWindowRigOptions;
using testing::Sandbox;

// A source of the loopback service with its own manners.
std::string DemoSource(const MainWindowRig& rig, const std::string& extra = "") {
  return "[MapType 150]\r\nName=Loopback XYZ\r\nUrl=" + rig.Server.Url("/{z}/{x}/{y}.png") +
         "\r\nPrefix=demo\r\nUserAgent=Survey/2\r\nReferer=https://maps.test/\r\n"
         "Workers=2\r\nPauseMs=250\r\n" +
         extra;
}

// The world at zoom 2: 16 tiles.
void TypeWorld(MainWindowRig& rig, const std::string& taskName = "world.qtsk") {
  rig.TypeRequest("-180", "179", "85", "-85", 2, rig.Box.Path("maps"), taskName);
}

TEST(MainWindowSources, OffersMapTypeThreeThenTheSourcesAndLogsEachOneLeftOut) {
  MainWindowRig rig;
  rig.WriteSources(DemoSource(rig) + "[MapType 151]\r\nName=Broken\r\nUrl=http://h/{z}\r\n" +
                   "[MapType 152]\r\nName=Second\r\nUrl=http://h/{q}\r\n");
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  EXPECT_EQ(rig.Form->ComboBoxMapsTypeItems,
            (std::vector<std::string>{"Orvex Maps", "Loopback XYZ", "Second"}));
  EXPECT_EQ(rig.Form->ComboBoxMapsTypeItemIndex, 0);
  EXPECT_EQ(rig.Form->Memo1, (Lines{"[log window]",
                                    "Map source [MapType 151] left out: the Url needs {x} and {y} "
                                    "(or {-y}), or {q}."}));
}

TEST(MainWindowSources, RemembersTheChosenMapTypeInTheConfiguration) {
  const struct {
    const char* remembered;  // [IniParas] MapsType before the start; nullptr: none
    int32_t shownIndex;
  } cases[] = {{nullptr, 0}, {"3", 0}, {"152", 2}, {"150", 1}, {"999", 0}, {"x", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.remembered ? c.remembered : "none");
    MainWindowRig rig;
    rig.WriteSources(DemoSource(rig) + "[MapType 152]\r\nName=Second\r\nUrl=http://h/{q}\r\n");
    TIniFile config(rig.ProgramFolder + "ini/config.ini");
    if (c.remembered) {
      config.WriteString("IniParas", "MapsType", c.remembered);
    }
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    EXPECT_EQ(rig.Form->ComboBoxMapsTypeItemIndex, c.shownIndex);

    rig.Form->ComboBoxMapsTypeItemIndex = 2;
    ASSERT_TRUE(rig.Click(&TForm1::ComboBoxMapsTypeChange));
    EXPECT_EQ(config.ReadInteger("IniParas", "MapsType", 0), 152);
  }
}

TEST(MainWindowSources, RefusesAZoomTheSourceDoesNotServe) {
  MainWindowRig rig;
  rig.WriteSources(DemoSource(rig, "MinZoom=3\r\nMaxZoom=5\r\n"));
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  ASSERT_TRUE(rig.Form->SelectMapsType(150));
  for (const int zoom : {2, 6}) {
    rig.Platform.ClearRecords();
    TypeWorld(rig);
    rig.Form->Edit5 = std::to_string(zoom);
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    EXPECT_EQ(rig.Platform.Messages(),
              std::vector<std::string>{"The map source Loopback XYZ serves zoom levels 3 to 5."});
    EXPECT_FALSE(rig.Form->CurrentTask);
  }
}

// The run of an XYZ source: its workers, its headers, its file names and its pause.
TEST(MainWindowSources, RunsAnXyzSourceEndToEndWithItsOwnManners) {
  MainWindowRigOptions options;
  options.RecordPauses = true;
  MainWindowRig rig(options);
  rig.WriteSources(DemoSource(rig));
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  ASSERT_TRUE(rig.Form->SelectMapsType(150));
  TypeWorld(rig);
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_EQ(rig.Form->CurrentParameters->ThreadCount, 2);
  ASSERT_TRUE(rig.RunToEnd());

  std::vector<std::string> targets;
  for (const auto& request : rig.Server.Requests()) {
    targets.push_back(request.Target());
    EXPECT_EQ(request.Header("Accept"), "image/*");
    EXPECT_EQ(request.Header("User-Agent"), "Survey/2");
    EXPECT_EQ(request.Header("Referer"), "https://maps.test/");
  }
  std::sort(targets.begin(), targets.end());
  std::vector<std::string> expected;
  for (int x = 0; x < 4; ++x) {
    for (int y = 0; y < 4; ++y) {
      expected.push_back("/2/" + std::to_string(x) + "/" + std::to_string(y) + ".png");
      EXPECT_EQ(Sandbox::ReadAll(rig.SavePath("world/demo_" + std::to_string(x) + "_" +
                                              std::to_string(y) + "_2.png")),
                testing::SmallPng());
    }
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(targets, expected);
  const auto pauses = rig.Pauses.Sleeps();
  EXPECT_EQ(std::count(pauses.begin(), pauses.end(), std::chrono::milliseconds(250)), 16);
  EXPECT_EQ(std::count(pauses.begin(), pauses.end(), std::chrono::milliseconds(1000)), 0);
  EXPECT_NE(Sandbox::ReadAll(rig.SavePath("world.qtsk"))
                .find("[MapsType]\r\nMapsType=150\r\n\r\n[Source]\r\nName=Loopback XYZ\r\n"),
            std::string::npos);
}

// Whether Start continues a source's task: the stored source must be the chosen one.
TEST(MainWindowSources, ContinuesOnlyWithTheSourceTheTaskWasRunWith) {
  const struct {
    const char* laterExtra;  // added to the source's section before the second Start
    int32_t laterChoice;
    bool continues;
  } cases[] = {{"", 150, true},
               {"MaxZoom=18\r\n", 150, false},
               {"Workers=2\r\n", 150, true},  // the same value, written out
               {"", 3, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.laterExtra) + std::to_string(c.laterChoice));
    MainWindowRig rig;
    rig.WriteSources(DemoSource(rig));
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    ASSERT_TRUE(rig.Form->SelectMapsType(150));
    rig.TypeRequest("-180", "-1", "80", "1", 1, rig.Box.Path("maps"), "west.qtsk");
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    ASSERT_TRUE(rig.RunToEnd());

    rig.WriteSources(DemoSource(rig, c.laterExtra));
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    ASSERT_TRUE(rig.Form->SelectMapsType(c.laterChoice));
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    EXPECT_EQ(rig.Form->CurrentParameters->ContinueTask, c.continues);
    ASSERT_TRUE(rig.RunToEnd());
  }
}

TEST(MainWindowSources, ContinuesASourcesTaskAfterTheSourcesFileWasDeleted) {
  MainWindowRig rig;
  rig.WriteSources(DemoSource(rig));
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  ASSERT_TRUE(rig.Form->SelectMapsType(150));
  rig.TypeRequest("10", "20", "50", "45", 9, rig.Box.Path("maps"), "many.qtsk");
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.ServeUntil([&] { return rig.Form->Progress.SettledCount > 20; }));
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));  // Stop
  ASSERT_TRUE(rig.RunToEnd());
  const std::size_t firstRequests = rig.Server.RequestCount();

  // A new program start without the sources file: the task brings its own source.
  std::filesystem::remove(rig.ProgramFolder + "ini/sources.ini");
  rig.Form = std::make_unique<TForm1>(rig.Platform, rig.Time, CreateCurlHttpClient);
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  ASSERT_EQ(rig.Form->ComboBoxMapsTypeItems, std::vector<std::string>{"Orvex Maps"});
  rig.Platform.QueueOpenFileAnswer(rig.SavePath("many.qtsk"));
  ASSERT_TRUE(rig.Click(&TForm1::LoadParametersfromprojectfilel1Click));
  EXPECT_EQ(rig.Form->ComboBoxMapsTypeItems,
            (std::vector<std::string>{"Orvex Maps", "Loopback XYZ (from the task)"}));
  EXPECT_EQ(rig.Form->ComboBoxMapsTypeItemIndex, 1);

  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.Form->CurrentParameters->ContinueTask);
  const int32_t resumed = rig.Form->Progress.SettledCount;
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_EQ(rig.Form->Progress.SettledCount, 180);
  EXPECT_EQ(rig.Server.RequestCount() - firstRequests, static_cast<std::size_t>(180 - resumed));
  const auto requests = rig.Server.Requests();
  for (auto request = requests.begin() + static_cast<std::ptrdiff_t>(firstRequests);
       request != requests.end(); ++request) {
    EXPECT_EQ(request->Header("User-Agent"), "Survey/2");
    EXPECT_EQ(request->Target().substr(0, 3), "/9/");
  }
  const DownloadTask& task = *rig.Form->CurrentTask;
  for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
    for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
      EXPECT_TRUE(std::filesystem::exists(
          rig.SavePath("many/demo_" + std::to_string(x) + "_" + std::to_string(y) + "_9.png")));
    }
  }
}

}  // namespace
}  // namespace kartovel
