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

// What the fake sampler has looked up: every tile the same size, none had, or nothing yet.
enum class Sampled { Bytes2000, NotHad, NotYet };

KnownTileSizes FakeSizes(Sampled sampled, std::vector<TileId>* wanted) {
  return {[sampled](const TileId&) -> std::optional<std::optional<uint64_t>> {
            switch (sampled) {
              case Sampled::Bytes2000:
                return std::optional<uint64_t>(2000);
              case Sampled::NotHad:
                return std::optional<uint64_t>();
              case Sampled::NotYet:
                break;
            }
            return std::nullopt;
          },
          [wanted](const std::vector<TileId>& tiles) { *wanted = tiles; }};
}

TEST(TfrmSelectAreaTest, TheCostLineNamesTheSizeFromTheStatedAverageOrTheSampledTilesAndTheFreeSpace) {
  const std::string demo = "[MapType 150]\r\nName=Demo\r\nUrl=http://127.0.0.1:9/{z}/{x}/{y}.png\r\n";
  struct Case {
    const char* name;
    std::string sourceKeys;  // of [MapType 150]; none: the built-in map type
    Sampled sampled;
    GeoArea area;
    bool withPath;
    std::function<std::string(int64_t tiles)> size;  // the line's start
    const char* freePart;                            // what follows the size
  };
  const GeoArea city{13.35, 13.45, 52.55, 52.48};
  const GeoArea world{-180, 180, 85, -85};
  const Case cases[] = {
      {"stated", "AverageTileKB=12.5\r\n", Sampled::NotYet, city, true,
       [](int64_t tiles) { return "About " + SizeText(uint64_t(tiles) * 12800); }, "; "},
      {"sampled", "", Sampled::Bytes2000, city, true,
       [](int64_t tiles) { return "About " + SizeText(uint64_t(tiles) * 2000); }, "; "},
      {"weighing", "", Sampled::NotYet, city, true,
       [](int64_t) { return std::string("Size being weighed from a few tiles ..."); }, "; "},
      {"not had", "", Sampled::NotHad, city, true,
       [](int64_t) { return std::string("Size unknown"); }, "; "},
      {"no folder", "", Sampled::Bytes2000, city, false,
       [](int64_t tiles) { return "About " + SizeText(uint64_t(tiles) * 2000); }, ""},
      {"too big", "AverageTileKB=1000000\r\n", Sampled::NotYet, world, true,
       [](int64_t tiles) { return "About " + SizeText(uint64_t(tiles) * 1024000000); },
       ": more than the "},
      {"bad average", "AverageTileKB=big\r\n", Sampled::Bytes2000, city, true,
       [](int64_t) {
         return std::string(
             "AverageTileKB \"big\" of [MapType 150] is not a number of kilobytes above 0.");
       },
       ""},
  };
  for (const Case& c : cases) {
    MainWindowRig rig;
    rig.WriteSources(demo + c.sourceKeys);
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    ASSERT_TRUE(rig.Form->SelectMapsType(150));
    rig.TypeRequest("", "", "", "", 12, c.withPath ? rig.SavePath() : "", "area");
    TfrmSelectArea picker(*rig.Form, EightWorkers(), rig.ProgramFolder);
    std::vector<TileId> wanted;
    picker.SetTileSizes(FakeSizes(c.sampled, &wanted));
    picker.FormShow();
    picker.SetArea(c.area);
    const std::string expected = c.size(*picker.TileCount()) + c.freePart;
    EXPECT_TRUE(picker.LabelCost.starts_with(expected)) << c.name << ": " << picker.LabelCost;
    const bool namesFolder = picker.LabelCost.ends_with(" free in " + rig.SavePath());
    EXPECT_EQ(namesFolder, std::string(c.freePart) != "") << c.name << ": " << picker.LabelCost;
    // Tiles are asked for only once the area rests, and only those not looked up.
    EXPECT_TRUE(wanted.empty()) << c.name;
    picker.WeighCost();
    EXPECT_EQ(wanted.size(), c.sampled == Sampled::NotYet && c.sourceKeys.empty() ? 3u : 0u)
        << c.name;
    for (const TileId& tile : wanted) {
      EXPECT_EQ(tile.Zoom, 12);
    }
  }
}

}  // namespace
}  // namespace kartovel
