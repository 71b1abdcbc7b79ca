// The combine run end to end: the PNG decodes with the mosaic's size, every tile is at
// its offset, missing tiles stay transparent and are listed, and the side files agree
// with the tile list.
#include "mosaic/MosaicCombiner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/Error.h"
#include "common/FileSystem.h"
#include "tiles/TileList.h"
#include "geometry/WebMercator.h"
#include "support/FakeTask.h"
#include "support/Gdalinfo.h"

namespace kartovel::tools {
namespace {

using testing::FakeTaskPlan;
using testing::Sandbox;

// The RGBA pixel at (column, row) of a decoded image.
std::vector<uint8_t> PixelAt(const RgbaImage& image, int64_t column, int64_t row) {
  auto start = image.pixels.begin() + (row * image.width + column) * 4;
  return std::vector<uint8_t>(start, start + 4);
}

std::vector<double> WorldFileNumbers(const std::string& fileName) {
  std::istringstream text(Sandbox::ReadAll(fileName));
  std::vector<double> numbers;
  for (double number; text >> number;) {
    numbers.push_back(number);
  }
  return numbers;
}

class MosaicCombinerTest : public ::testing::Test {
 protected:
  Sandbox sandbox_;
};

// Tiles of every kind a source may deliver land in the PNG mosaic; with a tile missing
// the mosaic has alpha, without one it is RGB when the tiles' headers say they are
// opaque (JPEG always, WebP without alpha; the PNGs written here are RGBA).
TEST_F(MosaicCombinerTest, CombinedPngDecodesWithEveryTileInPlace) {
  const struct {
    const char* extension;
    bool oneMissing;
    int tolerance;  // JPEG is lossy
  } cases[] = {{"png", true, 0},  {"jpg", true, 2},  {"webp", true, 0},
               {"png", false, 0}, {"jpg", false, 2}, {"webp", false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.extension) + (c.oneMissing ? " with a tile missing" : ""));
    Sandbox sandbox;
    FakeTaskPlan plan;  // 3 columns x 2 rows of 8-pixel tiles
    plan.extension = c.extension;
    if (c.oneMissing) {
      plan.missing = {{6745, 3105}};
    }
    testing::FakeTask task = WriteFakeTask(sandbox, plan);
    CombineResult result = CombineTask(task.taskFile, sandbox.Path("out.png"), {});

    RgbaImage mosaic;
    std::string error;
    ASSERT_TRUE(DecodePng(sandbox.Path("out.png"), mosaic, error)) << error;
    EXPECT_EQ(mosaic.width, 24);
    EXPECT_EQ(mosaic.height, 16);
    EXPECT_EQ(result.mosaic.withAlpha, c.oneMissing || std::string(c.extension) == "png");
    for (int32_t x = plan.minX; x <= plan.maxX; ++x) {
      for (int32_t y = plan.minY; y <= plan.maxY; ++y) {
        int64_t left = (x - plan.minX) * 8;
        int64_t top = (y - plan.minY) * 8;
        std::vector<uint8_t> expected = plan.missing.contains({x, y})
                                            ? std::vector<uint8_t>{0, 0, 0, 0}
                                            : PixelAt(testing::FakeTileImage(x, y, 8), 0, 0);
        for (const auto& pixel : {PixelAt(mosaic, left, top), PixelAt(mosaic, left + 7, top + 7)}) {
          for (size_t channel = 0; channel < 4; ++channel) {
            EXPECT_NEAR(pixel[channel], expected[channel], c.tolerance) << x << "," << y;
          }
        }
      }
    }
    ASSERT_EQ(result.mosaic.missing.size(), c.oneMissing ? 1u : 0u);
    if (c.oneMissing) {
      EXPECT_EQ(result.mosaic.missing[0].name, "qn_6745_3105_13." + std::string(c.extension));
      EXPECT_EQ(result.mosaic.missing[0].reason, "");
    }
    EXPECT_EQ(result.mosaic.tileCount, 6);
  }
}

TEST_F(MosaicCombinerTest, SouthOriginRowsPutTheHighestRowOnTop) {
  FakeTaskPlan plan;
  plan.southOrigin = true;
  testing::FakeTask task = WriteFakeTask(sandbox_, plan);
  CombineTask(task.taskFile, sandbox_.Path("out.png"), {});
  RgbaImage mosaic;
  std::string error;
  ASSERT_TRUE(DecodePng(sandbox_.Path("out.png"), mosaic, error)) << error;
  EXPECT_EQ(PixelAt(mosaic, 0, 0), PixelAt(testing::FakeTileImage(6744, 3105, 8), 0, 0));
  EXPECT_EQ(PixelAt(mosaic, 0, 8), PixelAt(testing::FakeTileImage(6744, 3104, 8), 0, 0));
}

TEST_F(MosaicCombinerTest, WorldFileAgreesWithTheListEdges) {
  testing::FakeTask task = WriteFakeTask(sandbox_, FakeTaskPlan{});
  CombineTask(task.taskFile, sandbox_.Path("out.png"), {});
  std::vector<TileEntry> tiles = ReadTileList(task.listFile);
  // The first tile of the list is the north-west one; the last the south-east one.
  const TileEntry& northWest = tiles.front();
  const TileEntry& southEast = tiles.back();
  std::vector<double> world = WorldFileNumbers(sandbox_.Path("out.pgw"));
  ASSERT_EQ(world.size(), 6u);
  double pixelWidth = world[0];
  double pixelHeight = -world[3];
  EXPECT_EQ(world[1], 0);
  EXPECT_EQ(world[2], 0);
  EXPECT_NEAR(world[4] - pixelWidth / 2, LongitudeToMercatorX(northWest.west), 1e-6);
  EXPECT_NEAR(world[5] + pixelHeight / 2, LatitudeToMercatorY(northWest.north), 1e-6);
  EXPECT_NEAR(world[4] - pixelWidth / 2 + 24 * pixelWidth, LongitudeToMercatorX(southEast.east),
              1e-6);
  EXPECT_NEAR(world[5] + pixelHeight / 2 - 16 * pixelHeight, LatitudeToMercatorY(southEast.south),
              1e-6);
  EXPECT_NE(Sandbox::ReadAll(sandbox_.Path("out.prj")).find("3857"), std::string::npos);
}

TEST_F(MosaicCombinerTest, ReportGivesEdgesAndListsMissingAndUnreadableTiles) {
  FakeTaskPlan plan;
  plan.missing = {{6744, 3104}};
  testing::FakeTask task = WriteFakeTask(sandbox_, plan);
  Sandbox::WriteAll(task.tileFolder + "qn_6746_3105_13.png", "not a png");
  CombineTask(task.taskFile, sandbox_.Path("out.png"), {});
  std::string report = Sandbox::ReadAll(sandbox_.Path("out.txt"));
  for (const char* expected :
       {"Image size: 24 x 16 pixels\r\n", "Left_Edge_Longitude: 116.3671875\r\n",
        "Right_Edge_Longitude: 116.4990234375\r\n", "Missing tiles (left transparent): 2\r\n",
        "qn_6744_3104_13.png\r\n", "qn_6746_3105_13.png (unreadable: "}) {
    EXPECT_NE(report.find(expected), std::string::npos) << expected << "\n" << report;
  }
}

TEST_F(MosaicCombinerTest, TilesOfAnotherSizeAreLeftOutAndListed) {
  testing::FakeTask task = WriteFakeTask(sandbox_, FakeTaskPlan{});
  WritePng(task.tileFolder + "qn_6745_3104_13.png", testing::FakeTileImage(0, 0, 16));
  CombineResult result = CombineTask(task.taskFile, sandbox_.Path("out.png"), {});
  ASSERT_EQ(result.mosaic.missing.size(), 1u);
  EXPECT_EQ(result.mosaic.missing[0].reason, "size 16 x 16 pixels");
}

TEST_F(MosaicCombinerTest, ReportsProgressForEveryTile) {
  testing::FakeTask task = WriteFakeTask(sandbox_, FakeTaskPlan{});
  std::vector<std::pair<int64_t, int64_t>> calls;
  CombineHooks hooks;
  hooks.progress = [&calls](int64_t done, int64_t total) { calls.emplace_back(done, total); };
  CombineTask(task.taskFile, sandbox_.Path("out.png"), hooks);
  ASSERT_EQ(calls.size(), 6u);
  for (size_t call = 0; call < calls.size(); ++call) {
    EXPECT_EQ(calls[call], std::make_pair(static_cast<int64_t>(call + 1), int64_t{6}));
  }
}

TEST_F(MosaicCombinerTest, CancelledRunLeavesNoFiles) {
  testing::FakeTask task = WriteFakeTask(sandbox_, FakeTaskPlan{});
  int polls = 0;
  CombineHooks hooks;
  hooks.cancelRequested = [&polls] { return ++polls > 2; };
  CombineResult result = CombineTask(task.taskFile, sandbox_.Path("out.png"), hooks);
  EXPECT_TRUE(result.mosaic.cancelled);
  EXPECT_EQ(polls, 3);
  for (const char* name : {"out.png", "out.pgw", "out.prj", "out.txt"}) {
    EXPECT_FALSE(FileExists(sandbox_.Path(name))) << name;
  }
  for (const auto& entry : std::filesystem::directory_iterator(sandbox_.Folder())) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(MosaicCombinerTest, RefusesOutputsThatWouldReplaceTheTaskFiles) {
  testing::FakeTask task = WriteFakeTask(sandbox_, FakeTaskPlan{});
  std::string listBefore = Sandbox::ReadAll(task.listFile);
  // "area_list.png" would put its report at "area_list.txt", the tile list.
  EXPECT_THROW(CombineTask(task.taskFile, sandbox_.Path("area_list.png"), {}), AppError);
  EXPECT_THROW(CombineTask(task.taskFile, sandbox_.Path("area.qtsk"), {}), AppError);
  EXPECT_EQ(Sandbox::ReadAll(task.listFile), listBefore);
}

TEST_F(MosaicCombinerTest, AListWithoutReadableTilesMakesATransparentMosaicOfDefaultTiles) {
  FakeTaskPlan plan;
  plan.minX = plan.maxX = 5;
  plan.minY = plan.maxY = 6;
  plan.missing = {{5, 6}};
  testing::FakeTask task = WriteFakeTask(sandbox_, plan);
  CombineResult result = CombineTask(task.taskFile, sandbox_.Path("out.png"), {});
  EXPECT_EQ(result.layout.Width(), kDefaultTileSide);
  RgbaImage mosaic;
  std::string error;
  ASSERT_TRUE(DecodePng(sandbox_.Path("out.png"), mosaic, error)) << error;
  EXPECT_EQ(mosaic.height, kDefaultTileSide);
  EXPECT_EQ(PixelAt(mosaic, 100, 100), (std::vector<uint8_t>{0, 0, 0, 0}));
}

// GIS tools find the mosaic's place and coordinate system: GDAL reads the world file and
// the auxiliary file beside the PNG (it does not read the .prj).
TEST_F(MosaicCombinerTest, GdalReadsTheMosaicInWebMercatorAtItsPlace) {
  testing::FakeTask task = WriteFakeTask(sandbox_, FakeTaskPlan{});
  CombineTask(task.taskFile, sandbox_.Path("out.png"), {});
  const std::string aux = Sandbox::ReadAll(sandbox_.Path("out.png.aux.xml"));
  EXPECT_TRUE(aux.starts_with("<PAMDataset>")) << aux;
  const auto info = testing::Gdalinfo(sandbox_.Path("out.png"));
  if (!info) {
    GTEST_SKIP() << "gdalinfo is not installed";
  }
  EXPECT_EQ(info->Status, 0) << info->Output;
  EXPECT_NE(info->Output.find("Pseudo-Mercator"), std::string::npos) << info->Output;
  EXPECT_NE(info->Output.find("ID[\"EPSG\",3857]"), std::string::npos) << info->Output;
  const std::vector<double> world = WorldFileNumbers(sandbox_.Path("out.pgw"));
  ASSERT_EQ(world.size(), 6u);
  char origin[128];
  std::snprintf(origin, sizeof origin, "Origin = (%.15f,%.15f)", world[4] - world[0] / 2,
                world[5] - world[3] / 2);
  EXPECT_NE(info->Output.find(origin), std::string::npos) << origin << "\n" << info->Output;
  EXPECT_EQ(info->Output.find("ERROR"), std::string::npos) << info->Output;
}

}  // namespace
}  // namespace kartovel::tools
