// Entries in a tile's place that are no tile file of the folder (a link out of it, a link
// loop, a pipe, a folder, a device, a name leading out of the folder), and tiles of a
// stray size: combine and the viewer skip each, say why, and never block on it.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "mosaic/MosaicCombiner.h"
#include "support/FakeTask.h"
#include "support/PngFileCheck.h"
#include "tiles/ViewerTask.h"

namespace kartovel::tools {
namespace {

using testing::Sandbox;

constexpr int32_t kColumn = 6745;
constexpr int32_t kRow = 3104;
constexpr int32_t kZoom = 13;
constexpr uint8_t kOutsideShade = 7;  // the colour of the file outside, found nowhere else

// The RGBA pixels of the cell at (column, row) of the grid of 8-pixel tiles.
std::vector<uint8_t> CellPixels(const RgbaImage& mosaic, int64_t column, int64_t row) {
  std::vector<uint8_t> cell;
  for (int64_t y = row * 8; y < row * 8 + 8; ++y) {
    auto start = mosaic.pixels.begin() + (y * mosaic.width + column * 8) * 4;
    cell.insert(cell.end(), start, start + 8 * 4);
  }
  return cell;
}

struct Hostile {
  const char* what;
  const char* reason;  // in the mosaic's report; empty: the row cannot be made here
  std::function<bool(const std::string& place, const std::string& outside)> make;
};

TEST(HostileTilesTest, EveryEntryIsSkippedWithItsReason) {
  const Hostile cases[] = {
      {"link out of the folder", "a symbolic link, not a regular file",
       [](const std::string& place, const std::string& outside) {
         return symlink(outside.c_str(), place.c_str()) == 0;
       }},
      {"link loop", "a symbolic link, not a regular file",
       [](const std::string& place, const std::string&) {
         return symlink(place.c_str(), place.c_str()) == 0;
       }},
      {"named pipe", "a named pipe, not a regular file",
       [](const std::string& place, const std::string&) { return mkfifo(place.c_str(), 0600) == 0; }},
      {"folder", "a folder, not a regular file",
       [](const std::string& place, const std::string&) {
         return std::filesystem::create_directory(place);
       }},
      {"device like /dev/zero", "a device, not a regular file",
       [](const std::string& place, const std::string&) {
         return mknod(place.c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0;
       }},
  };
  for (const Hostile& hostile : cases) {
    SCOPED_TRACE(hostile.what);
    Sandbox sandbox;
    testing::FakeTask task = WriteFakeTask(sandbox, testing::FakeTaskPlan{});
    const std::string name = testing::FakeTileName(kColumn, kRow, kZoom, "png");
    const std::string outside = sandbox.Path("outside.png");
    RgbaImage shaded(8, 8);
    std::fill(shaded.pixels.begin(), shaded.pixels.end(), kOutsideShade);
    testing::WriteFakeTile(outside, shaded, "png");
    std::filesystem::remove(task.tileFolder + name);
    if (!hostile.make(task.tileFolder + name, outside)) {
      std::cout << "not made here (no permission): " << hostile.what << "\n";
      continue;
    }
    CombineResult result = CombineTask(task.taskFile, sandbox.Path("out.png"), {});
    ASSERT_EQ(result.mosaic.missing.size(), 1u);
    EXPECT_EQ(result.mosaic.missing[0].reason, hostile.reason);
    EXPECT_NE(Sandbox::ReadAll(sandbox.Path("out.txt")).find(name + " (unreadable: " +
                                                             hostile.reason + ")"),
              std::string::npos);
    const std::string png = Sandbox::ReadAll(sandbox.Path("out.png"));
    EXPECT_EQ(testing::PngFileFault(png), "");
    RgbaImage mosaic;
    std::string error;
    ASSERT_TRUE(DecodePng(sandbox.Path("out.png"), mosaic, error)) << error;
    EXPECT_EQ(CellPixels(mosaic, 1, 0), std::vector<uint8_t>(8 * 8 * 4, 0));
    EXPECT_EQ(std::count(mosaic.pixels.begin(), mosaic.pixels.end(), kOutsideShade), 0);

    ViewerTask viewer = LoadViewerTask(task.taskFile, sandbox.Folder());
    EXPECT_EQ(viewer.counts.missing, 1);
    EXPECT_EQ(viewer.counts.present, 5);
  }
}

TEST(HostileTilesTest, ANameLeadingOutOfTheFolderIsNotRead) {
  Sandbox sandbox;
  testing::FakeTask task = WriteFakeTask(sandbox, testing::FakeTaskPlan{});
  const std::string name = testing::FakeTileName(kColumn, kRow, kZoom, "png");
  const std::string stray = "../" + name;
  RgbaImage shaded(8, 8);
  std::fill(shaded.pixels.begin(), shaded.pixels.end(), kOutsideShade);
  testing::WriteFakeTile(sandbox.Path(name), shaded, "png");  // where the stray name leads
  std::string list = Sandbox::ReadAll(task.listFile);
  list.replace(list.find(name), name.size(), stray);
  Sandbox::WriteAll(task.listFile, list);

  CombineResult result = CombineTask(task.taskFile, sandbox.Path("out.png"), {});
  ASSERT_EQ(result.mosaic.missing.size(), 1u);
  EXPECT_EQ(result.mosaic.missing[0].reason, "a name outside the tile folder");
  RgbaImage mosaic;
  std::string error;
  ASSERT_TRUE(DecodePng(sandbox.Path("out.png"), mosaic, error)) << error;
  EXPECT_EQ(std::count(mosaic.pixels.begin(), mosaic.pixels.end(), kOutsideShade), 0);
  EXPECT_EQ(LoadViewerTask(task.taskFile, sandbox.Folder()).counts.missing, 1);
}

// One tile of a stray size, first in the list: the mosaic keeps the size most tiles
// have and leaves that one out with a sentence on its size.
TEST(HostileTilesTest, ATileOfAnotherSizeDoesNotSetTheMosaicsSize) {
  for (int32_t side : {4, 16, 100}) {
    SCOPED_TRACE(side);
    Sandbox sandbox;
    testing::FakeTask task = WriteFakeTask(sandbox, testing::FakeTaskPlan{});
    const std::string first = testing::FakeTileName(6744, 3104, kZoom, "png");
    testing::WriteFakeTile(task.tileFolder + first, testing::FakeTileImage(0, 0, side), "png");
    CombineResult result = CombineTask(task.taskFile, sandbox.Path("out.png"), {});
    EXPECT_EQ(result.layout.Width(), 24);
    EXPECT_EQ(result.layout.Height(), 16);
    ASSERT_EQ(result.mosaic.missing.size(), 1u);
    const std::string sideText = std::to_string(side);
    EXPECT_NE(Sandbox::ReadAll(sandbox.Path("out.txt"))
                  .find(first + " is " + sideText + " x " + sideText +
                        " pixels, not 8 x 8; left out"),
              std::string::npos);
    const std::string png = Sandbox::ReadAll(sandbox.Path("out.png"));
    EXPECT_EQ(testing::PngFileFault(png), "");
    RgbaImage mosaic;
    std::string error;
    ASSERT_TRUE(DecodePng(sandbox.Path("out.png"), mosaic, error)) << error;
    EXPECT_EQ(CellPixels(mosaic, 0, 0), std::vector<uint8_t>(8 * 8 * 4, 0));
    EXPECT_NE(CellPixels(mosaic, 1, 0), std::vector<uint8_t>(8 * 8 * 4, 0));
  }
}

}  // namespace
}  // namespace kartovel::tools
