// The area window's model: the rectangle it opens on, the texts and count of a drawn
// area (the count is that of the task Start builds from the boxes OK fills), and OK.
#include "app/UnitSelectArea.h"

#include <gtest/gtest.h>

#include "engine/DecimalText.h"
#include "map/JobEstimate.h"
#include "support/MainWindowRig.h"

namespace kartovel {
namespace {

using testing::MainWindowRig;

TileSource EightWorkers() {
  TileSource source;
  source.Name = "Orvex Maps";
  source.Workers = 8;
  source.Pause = std::chrono::milliseconds(1000);
  return source;
}

TEST(TfrmSelectAreaTest, OpensOnTheRectangleTheBoxesHoldWhenStartWouldAcceptIt) {
  struct Case {
    const char* left;
    const char* right;
    const char* top;
    const char* bottom;
    std::optional<GeoArea> expected;
  };
  const Case cases[] = {
      {"116.1", "116.5", "40.2", "39.8", GeoArea{116.1, 116.5, 40.2, 39.8}},
      {" 116,1", "116,5 ", "40,2", "39,8", GeoArea{116.1, 116.5, 40.2, 39.8}},
      {"", "116.5", "40.2", "39.8", std::nullopt},
      {"116.5", "116.1", "40.2", "39.8", std::nullopt},
      {"116.1", "116.5", "86", "39.8", std::nullopt},
      {"116.1", "116.5", "40.2", "east", std::nullopt},
  };
  for (const Case& c : cases) {
    MainWindowRig rig;
    rig.TypeRequest(c.left, c.right, c.top, c.bottom, 13, "/data/maps", "beijing");
    TfrmSelectArea picker(*rig.Form, EightWorkers());
    picker.FormShow();
    EXPECT_EQ(picker.Area, c.expected) << c.left << " " << c.bottom;
    EXPECT_EQ(picker.ButtonOKEnabled, c.expected.has_value());
    EXPECT_EQ(picker.DownloadedTaskFile, "/data/maps/beijing.qtsk");
  }
}

TEST(TfrmSelectAreaTest, TheCountIsTheCountOfTheTaskStartBuildsFromTheBoxesOkFills) {
  struct Case {
    GeoArea drawn;
    int zoom;
  };
  const Case cases[] = {
      {{116.1, 116.5, 40.2, 39.8}, 13},
      {{116.3671875, 116.4111328125, 39.9097362345, 39.8}, 13},  // west edge on a column edge
      {{-180, 180, 85, -85}, 1},
      {{-180, 180, 85, -85}, 13},
      {{179.9999999, 185, 84.9999999, 84.9}, 19},
      {{13.35, 13.45, 52.55, 52.48}, 16},
      {{-0.0000001, 0.0000001, 0.0000001, -0.0000001}, 19},
  };
  for (const Case& c : cases) {
    MainWindowRig rig;
    rig.TypeRequest("", "", "", "", c.zoom, rig.SavePath(), "area");
    TfrmSelectArea picker(*rig.Form, EightWorkers());
    picker.FormShow();
    picker.SetArea(c.drawn);
    picker.ButtonOKClick();
    TaskParameters request;
    request.LeftLongitude = *ParseDecimalText(rig.Form->Edit1);
    request.RightLongitude = *ParseDecimalText(rig.Form->Edit3);
    request.TopLatitude = *ParseDecimalText(rig.Form->Edit2);
    request.BottomLatitude = *ParseDecimalText(rig.Form->Edit4);
    request.Zoom = c.zoom;
    request.SavePath = rig.Box.Folder();
    request.TaskFileName = "area.qtsk";
    const DownloadTask task(request);
    EXPECT_EQ(picker.TileCount(), task.TotalCount) << c.drawn.West << " zoom " << c.zoom;
  }
}

TEST(TfrmSelectAreaTest, StartDownloadsTheTilesTheWindowCounted) {
  MainWindowRig rig;
  rig.TypeRequest("1", "2", "3", "4", 15, rig.SavePath(), "counted");
  TfrmSelectArea picker(*rig.Form, EightWorkers());
  picker.FormShow();
  picker.SetArea(GeoArea{116.39, 116.4, 39.91, 39.9});
  picker.ButtonOKClick();
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  ASSERT_TRUE(rig.RunToEnd());
  ASSERT_NE(rig.Form->CurrentTask, nullptr);
  EXPECT_EQ(picker.TileCount(), rig.Form->CurrentTask->TotalCount);
}

TEST(TfrmSelectAreaTest, ShowsTheAreaAsOkWritesItWithItsCountAndTime) {
  MainWindowRig rig;
  rig.TypeRequest("1", "2", "3", "4", 13, rig.SavePath(), "area");
  TfrmSelectArea picker(*rig.Form, EightWorkers());
  picker.FormShow();
  picker.SetArea(GeoArea{116, 117, 39.5, 40.5});  // drawn from the south-west corner
  EXPECT_EQ(picker.LabelEstimate, "744 tiles, about 1 min 33 s with 8 workers");
  picker.ButtonOKClick();
  EXPECT_EQ(rig.Form->Edit1, "116.000000");
  EXPECT_EQ(rig.Form->Edit3, "117.000000");
  EXPECT_EQ(rig.Form->Edit2, "40.500000");
  EXPECT_EQ(rig.Form->Edit4, "39.500000");
  picker.SetArea(GeoArea{-180, 180, 85, -85});
  rig.Form->Edit5 = "19";
  picker.FormShow();  // the boxes OK filled come back; the zoom is read again
  EXPECT_EQ(picker.Area, (GeoArea{116, 117, 40.5, 39.5}));
  picker.SetArea(GeoArea{-180, 180, 85, -85});
  EXPECT_TRUE(picker.LabelEstimate.ends_with("with 8 workers (too many for one task)"));
}

TEST(TfrmSelectAreaTest, CoordinatesAreWrittenWithSixDecimalsAndNoNegativeZero) {
  const std::pair<double, const char*> cases[] = {
      {116.39, "116.390000"}, {-0.0000004, "0.000000"},  {-180, "-180.000000"},
      {85, "85.000000"},      {39.9999996, "40.000000"}, {-12.3456789, "-12.345679"}};
  for (const auto& [degrees, expected] : cases) {
    EXPECT_EQ(CoordinateText(degrees), expected);
  }
}

// A sampler that has looked up every tile (2000 bytes each, or none had) or none yet.
KnownTileSizes FakeSizes(std::optional<std::optional<uint64_t>> looked, std::vector<TileId>* wanted) {
  return {[looked](const TileId&) { return looked; },
          [wanted](const std::vector<TileId>& tiles) { *wanted = tiles; }};
}

TEST(TfrmSelectAreaTest, TheCostLineNamesTheSizeFromTheStatedAverageOrTheSampledTilesAndTheFreeSpace) {
  const std::optional<std::optional<uint64_t>> bytes2000(2000), notHad(std::in_place), notYet;
  const GeoArea city{13.35, 13.45, 52.55, 52.48};
  const struct Case {
    const char* sourceKeys;  // of the chosen [MapType 150]
    std::optional<std::optional<uint64_t>> looked;
    GeoArea area;
    bool withPath;
    uint64_t bytesPerTile;  // 0: the line starts with `start` instead of a size
    const char* start;      // "+": zooms 12 and 13, each with its size
    const char* freePart;   // what follows the size
  } cases[] = {
      {"AverageTileKB=12.5\r\n", notYet, city, true, 12800, "", "; "},
      {"", bytes2000, city, true, 2000, "", "; "},
      {"", notYet, city, true, 0, "Size being weighed from a few tiles ...", "; "},
      {"", notHad, city, true, 0, "Size unknown", "; "},
      {"", bytes2000, city, false, 2000, "", ""},
      {"", bytes2000, city, true, 2000, "+", "; "},
      {"AverageTileKB=1000000\r\n", notYet, {-180, 180, 85, -85}, true, 1024000000, "",
       ": more than the "},
      {"AverageTileKB=big\r\n", bytes2000, city, true, 0,
       "AverageTileKB \"big\" of [MapType 150] is not a number of kilobytes above 0.", ""},
  };
  for (const Case& c : cases) {
    MainWindowRig rig;
    rig.WriteSources(std::string("[MapType 150]\r\nName=Demo\r\nUrl=http://127.0.0.1:9/{z}/{x}/{y}.png\r\n") +
                     c.sourceKeys);
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    ASSERT_TRUE(rig.Form->SelectMapsType(150));
    rig.TypeRequest("", "", "", "", 12, c.withPath ? rig.SavePath() : "", "area");
    TfrmSelectArea picker(*rig.Form, EightWorkers(), rig.ProgramFolder);
    const bool range = std::string(c.start) == "+";
    picker.LastZoom = range ? std::optional<int32_t>(13) : std::nullopt;
    std::vector<TileId> wanted;
    picker.SetTileSizes(FakeSizes(c.looked, &wanted));
    picker.FormShow();
    picker.SetArea(c.area);
    const uint64_t at12 = uint64_t(*picker.TileCount()) * c.bytesPerTile;
    std::string size = c.bytesPerTile == 0 ? c.start : "About " + SizeText(at12);
    if (range) {
      rig.Form->Edit5 = "13";
      picker.FormShow();
      picker.SetArea(c.area);
      const uint64_t at13 = uint64_t(*picker.TileCount()) * c.bytesPerTile;
      rig.Form->Edit5 = "12";
      picker.FormShow();
      picker.SetArea(c.area);
      size = "Zoom 12 about " + SizeText(at12) + ", zoom 13 about " + SizeText(at13) +
             "; about " + SizeText(at12 + at13) + " in all";
    }
    const std::string& line = picker.LabelCost;
    EXPECT_TRUE(line.starts_with(size + c.freePart)) << line;
    EXPECT_EQ(line.ends_with(" free in " + rig.SavePath()), *c.freePart != 0) << line;
    // Tiles are asked for only once the area rests, and only those not looked up.
    EXPECT_TRUE(wanted.empty()) << line;
    picker.WeighCost();
    const bool sampled = !c.looked && *c.sourceKeys == 0;
    EXPECT_EQ(wanted.size(), sampled ? 3u : 0u) << line;
  }
}

}  // namespace
}  // namespace kartovel
