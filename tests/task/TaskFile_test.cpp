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
    v.Workers[0] = {6735, 3090};
    v.Workers[7] = {6758, 3116};
    cases.push_back({"positions", v});
  }
  {
    TaskFileValues v = FreshRun();
    v.LeftLongitude = "-180";
    v.BottomLatitude = "-85,0511287798066";
    v.BottomLatitudeDownload = "  -85.05112877980663";
    v.MinX = -2147483647 - 1;
    v.MaxY = 2147483647;
    v.ThreadCount = 1;
    cases.push_back({"extremes", v});
  }
  {
    TaskFileValues v = FreshRun();
    v.MapsType = 120;
    v.Source = source;
    v.Workers.resize(16);
    v.Workers[15] = {7, 9};
    cases.push_back({"source and sixteen slots", v});
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
  const std::string sound =
      "[MapsType]\r\nMapsType=3\r\n[Zoom]\r\nZoom=2\r\n[XY]\r\nMinX=0\r\nMinY=1\r\nMaxX=3\r\n"
      "MaxY=2\r\n";
  const std::string noMaps = "[Zoom]\r\nZoom=2\r\n[XY]\r\nMinX=0\r\nMinY=1\r\nMaxX=3\r\nMaxY=2\r\n";
  const struct {
    const char* name;
    std::string text;  // empty: no file at all
    std::string fault;
    std::optional<int32_t> zoom;
    std::optional<TileRange> range;
  } cases[] = {
      {"sound", sound, "", 2, TileRange{2, 0, 3, 1, 2}},
      {"missing file", "", "the file does not exist", {}, {}},
      {"empty file",
       "\r\n",
       "key MapsType of section [MapsType] is missing or not a whole number",
       {},
       {}},
      {"no map type", noMaps, "key MapsType of section [MapsType] is missing or not a whole number",
       2, TileRange{2, 0, 3, 1, 2}},
      {"other case",
       "[mapstype]\nmapstype=3\n[ZOOM]\nzOOm=0x2\n[xy]\nminx=$0\nMINY=+1\nmaxx=3\rmaxy=2", "", 2,
       TileRange{2, 0, 3, 1, 2}},
      {"first section wins", sound + "[Zoom]\r\nZoom=5\r\n", "", 2, TileRange{2, 0, 3, 1, 2}},
      {"zoom with a trailing blank",
       "[MapsType]\r\nMapsType=3\r\n[Zoom]\r\nZoom=2 "
       "\r\n[XY]\r\nMinX=0\r\nMinY=1\r\nMaxX=3\r\nMaxY=2\r\n",
       "key Zoom of section [Zoom] is missing or not a whole number",
       {},
       {}},
      {"empty row",
       "[MapsType]\r\nMapsType=3\r\n[Zoom]\r\nZoom=2\r\n[XY]\r\nMinX=0\r\nMinY=\r\nMaxX=3\r\nMaxY="
       "2\r\n",
       "key MinY of section [XY] is missing or not a whole number",
       2,
       {}},
      {"column past 32 bits",
       "[MapsType]\r\nMapsType=3\r\n[Zoom]\r\nZoom=2\r\n[XY]\r\nMinX=0\r\nMinY=1\r\nMaxX="
       "2147483648\r\n"
       "MaxY=2\r\n",
       "key MaxX of section [XY] is missing or not a whole number",
       2,
       {}},
      {"range key in another section",
       "[MapsType]\r\nMapsType=3\r\n[Zoom]\r\nZoom=2\r\nMaxY=2\r\n[XY]\r\nMinX=0\r\nMinY=1\r\nMaxX="
       "3\r\n",
       "key MaxY of section [XY] is missing or not a whole number",
       2,
       {}},
      {"hex after a sign",
       "[MapsType]\r\nMapsType=-0x3\r\n[Zoom]\r\nZoom=2\r\n[XY]\r\nMinX=0\r\nMinY=1\r\nMaxX="
       "3\r\nMaxY=2\r\n",
       "key MapsType of section [MapsType] is missing or not a whole number", 2,
       TileRange{2, 0, 3, 1, 2}},
  };
  for (const auto& c : cases) {
    Sandbox box;
    const std::string file = box.Path("t.qtsk");
    if (!c.text.empty()) {
      Sandbox::WriteAll(file, c.text);
    }
    const TaskFileReading reading = ReadTaskFile(file);
    EXPECT_EQ(TaskFileFault(reading), c.fault) << c.name;
    EXPECT_EQ(reading.Values.Zoom, c.zoom) << c.name;
    EXPECT_EQ(reading.Values.Range(), c.range) << c.name;
  }
  EXPECT_EQ(TaskFileRefusal("/m/a.qtsk", "it is odd"),
            "The task file /m/a.qtsk is refused: it is odd.");
}

TEST(TaskFile, WorkerSlotsGoUpToTheLastKeyAndTextsAreCutAsTheIniServiceCutsThem) {
  Sandbox box;
  const std::string file = box.Path("t.qtsk");
  const std::string longText(3000, '7');
  Sandbox::WriteAll(file, "[AREA]\r\nLeftLongitude=" + longText +
                              "\r\nRightLongitude=\r\n[THREADS]\r\nT1X=4\r\nT1Y=x\r\nT3Y=9\r\n"
                              "T17X=1\r\nT17Y=1\r\n");
  const TaskFileValues values = ReadTaskFile(file).Values;
  EXPECT_EQ(values.LeftLongitude, longText.substr(0, 2047));
  EXPECT_EQ(values.RightLongitude, "");  // present and empty is not missing for a text
  EXPECT_EQ(values.TopLatitude, std::nullopt);
  ASSERT_EQ(values.Workers.size(), 3u);
  EXPECT_EQ(values.Worker(1), (WorkerPosition{4, std::nullopt}));
  EXPECT_EQ(values.Worker(2), WorkerPosition{});
  EXPECT_EQ(values.Worker(3), (WorkerPosition{std::nullopt, 9}));
  EXPECT_EQ(values.Worker(17), WorkerPosition{});
}

}  // namespace
}  // namespace kartovel
