// The task file's one reader and writer: what the writer puts down reads back as the same
// value, by it and by the INI service key by key; crafted files read by the INI rules and
// get the verdict their first missing key calls for.
#include "task/TaskFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/IniFile.h"
#include "support/Sandbox.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFileKeys.h"

namespace kartovel {
namespace {

using testing::Sandbox;

TaskFileValues FreshRun() {
  TaskFileValues values;
  values.MapsType = 3;
  values.LeftLongitude = "116";
  values.RightLongitude = "117";
  values.TopLatitude = "40.5";
  values.BottomLatitude = "39.5";
  values.LeftLongitudeDownload = "  115.97167968750000";
  values.RightLongitudeDownload = "  117.02636718750000";
  values.TopLatitudeDownload = "   40.51379915504415";
  values.BottomLatitudeDownload = "   39.47012512235816";
  values.Zoom = 13;
  values.MinX = 6735;
  values.MinY = 3086;
  values.MaxX = 6758;
  values.MaxY = 3116;
  values.ThreadCount = 8;
  values.Workers.resize(8);
  return values;
}

TEST(TaskFile, WhatTheWriterPutsDownReadsBackAsTheSameValueByBothReaders) {
  MapSource source;
  source.MapsType = 120;
  source.Name = "Own";
  source.Url = "http://127.0.0.1:1/{z}/{x}/{y}.png";
  source.Prefix = "own";
  source.Extension = "png";
  source.UserAgent = "Own/1";
  struct Case {
    const char* name;
    TaskFileValues values;
  };
  std::vector<Case> cases = {{"fresh", FreshRun()}};
  {
    TaskFileValues v = FreshRun();
    v.MapsType = 120;
    v.Source = source;
    v.MinX = -2147483647 - 1;
    v.Workers.resize(16);
    v.Workers[0] = {6735, 3090};
    v.Workers[15] = {7, 9};
    cases.push_back({"positions, a source and sixteen slots", v});
  }
  {
    // Integers that are none are written empty and read back as none; texts are
    // written as they are, so the writer is only ever given texts.
    TaskFileValues v;
    for (auto* text : {&v.LeftLongitude, &v.RightLongitude, &v.TopLatitude, &v.BottomLatitude,
                       &v.LeftLongitudeDownload, &v.RightLongitudeDownload, &v.TopLatitudeDownload,
                       &v.BottomLatitudeDownload}) {
      *text = "";
    }
    v.Workers.resize(3);
    cases.push_back({"integers none", v});
  }
  for (const Case& c : cases) {
    Sandbox box;
    const std::string file = box.Path("t.qtsk");
    WriteTaskFile(file, c.values);
    const TaskFileReading reading = ReadTaskFile(file);
    ASSERT_TRUE(reading.Exists) << c.name;
    TaskFileValues expected = c.values;
    expected.Source.reset();  // the copy is read with a source's defaults, by its own reader
    EXPECT_EQ(reading.Values, expected) << c.name;
    if (c.values.Source) {
      const SourceReading copy = ReadTaskMapSource(file, "");
      EXPECT_EQ(copy.Source, c.values.Source) << c.name << copy.Fault;
    }
    const TIniFile ini(file);
    const auto integer = [&ini](const char* section, const std::string& key) {
      const int32_t a = ini.ReadInteger(section, key, 11);
      const int32_t b = ini.ReadInteger(section, key, 12);
      return a == b ? std::optional<int32_t>(a) : std::nullopt;
    };
    namespace k = taskfile;
    EXPECT_EQ(integer(k::kZoomSection, k::kZoom), expected.Zoom) << c.name;
    EXPECT_EQ(integer(k::kRangeSection, k::kMinX), expected.MinX) << c.name;
    EXPECT_EQ(ini.ReadString(k::kAreaSection, k::kBottomLatitudeDownload, ""),
              expected.BottomLatitudeDownload.value_or(""))
        << c.name;
    for (int32_t n = 1; n <= std::ssize(expected.Workers); ++n) {
      EXPECT_EQ(integer(k::kThreadsSection, k::WorkerColumnKey(n)), expected.Worker(n).X) << n;
      EXPECT_EQ(integer(k::kThreadsSection, k::WorkerRowKey(n)), expected.Worker(n).Y) << n;
    }
  }
}

TEST(TaskFile, CraftedFilesReadByTheIniRulesAndTheirFirstMissingKeyIsNamed) {
  const std::string maps = "[MapsType]\r\nMapsType=3\r\n";
  const std::string zoom = "[Zoom]\r\nZoom=2\r\n";
  const std::string xy = "[XY]\r\nMinX=0\r\nMinY=1\r\nMaxX=3\r\nMaxY=2\r\n";
  const TileRange range{2, 0, 3, 1, 2};
  const std::string missing = " is missing or not a whole number";
  const struct {
    const char* name;
    std::string text;  // empty: no file at all
    std::string fault;
    std::optional<TileRange> range;
  } cases[] = {
      {"sound", maps + zoom + xy, "", range},
      {"missing file", "", "the file does not exist", {}},
      {"empty file", "\r\n", "key MapsType of section [MapsType]" + missing, {}},
      {"no map type", zoom + xy, "key MapsType of section [MapsType]" + missing, range},
      {"other case and line ends",
       "[mapstype]\nmapstype=3\n[ZOOM]\nzOOm=0x2\n[xy]\nminx=$0\nMINY=+1\nmaxx=3\rmaxy=2", "",
       range},
      {"first section wins", maps + zoom + xy + "[Zoom]\r\nZoom=5\r\n", "", range},
      {"no zoom", maps + xy, "key Zoom of section [Zoom]" + missing, {}},
      {"empty row",
       maps + zoom + "[XY]\r\nMinX=0\r\nMinY=\r\nMaxX=3\r\nMaxY=2\r\n",
       "key MinY of section [XY]" + missing,
       {}},
      {"range key in another section",
       maps + "[Zoom]\r\nZoom=2\r\nMaxY=2\r\n[XY]\r\nMinX=0\r\nMinY=1\r\nMaxX=3\r\n",
       "key MaxY of section [XY]" + missing,
       {}},
  };
  for (const auto& c : cases) {
    Sandbox box;
    const std::string file = box.Path("t.qtsk");
    if (!c.text.empty()) {
      Sandbox::WriteAll(file, c.text);
    }
    const TaskFileReading reading = ReadTaskFile(file);
    EXPECT_EQ(TaskFileFault(reading), c.fault) << c.name;
    EXPECT_EQ(reading.Values.Range(), c.range) << c.name;
  }
  EXPECT_EQ(TaskFileRefusal("/m/a.qtsk", "it is odd"),
            "The task file /m/a.qtsk is refused: it is odd.");
}

// The slots go up to the last worker key in the file, whichever of the pair it is.
TEST(TaskFile, WorkerSlotsGoUpToTheLastKeyOfTheFile) {
  Sandbox box;
  const std::string file = box.Path("t.qtsk");
  Sandbox::WriteAll(file, "[THREADS]\r\nT1X=4\r\nT1Y=x\r\nT3Y=9\r\nT17X=1\r\nT17Y=1\r\n");
  const TaskFileValues values = ReadTaskFile(file).Values;
  ASSERT_EQ(values.Workers.size(), 3u);
  EXPECT_EQ(values.Worker(1), (WorkerPosition{4, std::nullopt}));
  EXPECT_EQ(values.Worker(2), WorkerPosition{});
  EXPECT_EQ(values.Worker(3), (WorkerPosition{std::nullopt, 9}));
  EXPECT_EQ(values.Worker(17), WorkerPosition{});
}

}  // namespace
}  // namespace kartovel
