// A task's files as the export finds them: tile names, the tiles of the range on disk,
// and the failed-tile file's names.
#include "export/TaskTiles.h"

#include <gtest/gtest.h>

#include <set>

#include "common/Error.h"
#include "export/HandMadeTask.h"
#include "task/Unitclasstask.h"

namespace kartovel {
namespace {

using testing::HandMadeTask;
using testing::Sandbox;

TEST(TaskTiles, ReadsATileNameOnlyInTheTaskNamingAndZoom) {
  struct Case {
    std::string name;
    std::optional<std::pair<int32_t, int32_t>> position;
  };
  const Case cases[] = {
      {"qn_6744_3104_13.png", std::pair{6744, 3104}},
      {"qn_0_0_13.png", std::pair{0, 0}},
      {"qn_6744_3104_12.png", std::nullopt},  // another zoom
      {"qx_6744_3104_13.png", std::nullopt},  // another prefix
      {"qn_6744_3104_13.jpg", std::nullopt},  // another extension
      {"qn_6744_3104_13.png.tmp-ab12", std::nullopt},
      {"qn_06744_3104_13.png", std::nullopt},  // not as the task writes numbers
      {"qn_+6744_3104_13.png", std::nullopt},
      {"qn_6744_13.png", std::nullopt},
      {"qn_6744_3104_7_13.png", std::nullopt},
      {"qn__3104_13.png", std::nullopt},
      {"qn_6744_3104_13png", std::nullopt},
      {"qn_.png", std::nullopt},
      {"qn_99999999999_1_13.png", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseTileFileName(c.name, BuiltInTileNameKind(3), 13), c.position) << c.name;
  }
  EXPECT_EQ(ParseTileFileName("_1_2_13.", BuiltInTileNameKind(4), 13), std::nullopt);
}

TEST(TaskTiles, VisitsTheFilesOfTheRangeInsideTheGridOnly) {
  Sandbox box;
  // Zoom 2 has columns and rows 0..3; the range reaches one column past the east edge.
  const HandMadeTask task{.name = "area", .zoom = 2, .minX = 1, .minY = 1, .maxX = 4, .maxY = 2};
  const std::string taskFile = WriteHandMadeTask(box, task);
  for (const auto& [x, y] : {std::pair{1, 1}, {3, 2}, {4, 1}, {0, 1}, {1, 3}}) {
    Sandbox::WriteAll(testing::TilePathOf(box, task, x, y), "tile");
  }
  for (const char* foreign : {"qn_2_2_3.png", "notes.txt", "qn_2_2_2.png.tmp-x"}) {
    Sandbox::WriteAll(box.Path("area/") + foreign, "x");
  }
  const TaskTiles tiles = ReadTaskTiles(taskFile);
  std::set<std::pair<int32_t, int32_t>> visited;
  EXPECT_TRUE(ForEachTileFile(tiles, [&](const TileFile& tile) {
    EXPECT_EQ(tile.Path, testing::TilePathOf(box, task, tile.Tile.X, tile.Tile.Y));
    visited.emplace(tile.Tile.X, tile.Tile.Y);
    return true;
  }));
  EXPECT_EQ(visited, (std::set<std::pair<int32_t, int32_t>>{{1, 1}, {3, 2}}));
  EXPECT_EQ(tiles.TotalCount(), 8);
  EXPECT_FALSE(ForEachTileFile(tiles, [](const TileFile&) { return false; }));
}

TEST(TaskTiles, AMissingTaskFileIsRefusedAndMissingKeysGiveAnEmptyRange) {
  Sandbox box;
  try {
    ReadTaskTiles(box.Path("none.qtsk"));
    ADD_FAILURE() << "a missing task file was read";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), ("Cannot open file " + box.Path("none.qtsk")).c_str());
  }
  Sandbox::WriteAll(box.Path("bare.qtsk"), "[MapsType]\r\nMapsType=3\r\n");
  const TaskTiles bare = ReadTaskTiles(box.Path("bare.qtsk"));
  EXPECT_EQ(bare.TotalCount(), 0);
  EXPECT_FALSE(bare.Holds(0, 0));
  EXPECT_TRUE(ForEachTileFile(bare, [](const TileFile&) { return false; }));
}

TEST(TaskTiles, TheFailedTileFileGivesTheNamesOfItsRecordsWhereverTheyPointed) {
  Sandbox box;
  const HandMadeTask task{.name = "area"};
  const TaskTiles tiles = ReadTaskTiles(WriteHandMadeTask(box, task));
  EXPECT_FALSE(ReadFailedTiles(tiles).SavedAt);
  testing::WriteFailedFile(box, task,
                           {"/moved/away/area/qn_1_2_2.png", testing::TilePathOf(box, task, 3, 0)});
  const FailedTiles failed = ReadFailedTiles(tiles);
  EXPECT_TRUE(failed.SavedAt);
  EXPECT_EQ(failed.Names, (std::unordered_set<std::string>{"qn_1_2_2.png", "qn_3_0_2.png"}));
}

}  // namespace
}  // namespace kartovel
