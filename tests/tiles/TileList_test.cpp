// Reading the tile list file: tile lines, tile names, and the whole file.
#include "tiles/TileList.h"

#include <gtest/gtest.h>

#include "common/Error.h"
#include "support/Sandbox.h"

namespace kartovel::tools {
namespace {

using testing::Sandbox;

TEST(TileListTest, ParsesTheDownloadersTileLine) {
  std::optional<TileEntry> entry = ParseTileListLine(
      "qn_6744_3104_13.png:   116.36718750000000   116.41113281250000    39.90973623453718    "
      "39.87601941962115");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->name, "qn_6744_3104_13.png");
  EXPECT_EQ(entry->Tile.X, 6744);
  EXPECT_EQ(entry->Tile.Y, 3104);
  EXPECT_EQ(entry->Tile.Zoom, 13);
  EXPECT_DOUBLE_EQ(entry->west, 116.3671875);
  EXPECT_DOUBLE_EQ(entry->east, 116.4111328125);
  EXPECT_DOUBLE_EQ(entry->north, 39.90973623453718);
  EXPECT_DOUBLE_EQ(entry->south, 39.87601941962115);
}

TEST(TileListTest, RefusesLinesOfAnotherForm) {
  const char* lines[] = {
      "ImageFileName    Left_Edge_Longitude    Right_Edge_Longitude   Top_Edge_Latitude",
      "qn_1_2_3.png: 1 2 3",      // an edge short
      "qn_1_2_3.png: 1 2 3 4 5",  // one number too many
      "qn_1_2_3.png: 1 2 x 4",    // not a number
      "qn_1_2.png: 1 2 3 4",      // name without zoom
      "qn_a_2_3.png: 1 2 3 4",    // column not a number
      "qn_1_2_3.png 1 2 3 4",     // no colon
      "qn_1_2_3.png: 1,5 2 3 4",  // comma decimal separator
  };
  for (const char* line : lines) {
    EXPECT_FALSE(ParseTileListLine(line)) << line;
  }
}

TEST(TileListTest, TileNamesGiveColumnRowAndZoom) {
  struct Case {
    const char* name;
    int32_t x, y, zoom;
  };
  const Case cases[] = {
      {"qn_6744_3104_13.png", 6744, 3104, 13},
      {"qn_0_0_1.png", 0, 0, 1},
      {"qn_8192_5_13.png", 8192, 5, 13},  // the column one past the grid (longitude 180)
      {"my_prefix_3_4_5.jpg", 3, 4, 5},
  };
  for (const Case& c : cases) {
    std::optional<TileId> name = ParseTileName(c.name);
    ASSERT_TRUE(name) << c.name;
    EXPECT_EQ(name->X, c.x) << c.name;
    EXPECT_EQ(name->Y, c.y) << c.name;
    EXPECT_EQ(name->Zoom, c.zoom) << c.name;
  }
}

TEST(TileListTest, ReadsEveryTileLineAndSkipsTheHeading) {
  Sandbox sandbox;
  Sandbox::WriteAll(sandbox.Path("t_list.txt"),
                    "ImageFileName    Left_Edge_Longitude    Right_Edge_Longitude   "
                    "Top_Edge_Latitude      Bottom_Edge_Latitude\r\n"
                    "qn_1_2_3.png: 1 2 4 3\r\n"
                    "qn_1_3_3.png: 1 2 3 2\r\n"
                    "\r\n");
  std::vector<TileEntry> tiles = ReadTileList(sandbox.Path("t_list.txt"));
  ASSERT_EQ(tiles.size(), 2u);
  EXPECT_EQ(tiles[1].name, "qn_1_3_3.png");
  EXPECT_DOUBLE_EQ(tiles[1].south, 2);
}

TEST(TileListTest, ABrokenLineIsAnErrorNamingTheLine) {
  Sandbox sandbox;
  Sandbox::WriteAll(sandbox.Path("t_list.txt"), "qn_1_2_3.png: 1 2 4 3\nqn_1_3_3.png: 1 2\n");
  try {
    ReadTileList(sandbox.Path("t_list.txt"));
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_NE(std::string(error.what()).find("Line 2 of"), std::string::npos) << error.what();
  }
}

TEST(TileListTest, AMissingListIsCannotOpenFile) {
  Sandbox sandbox;
  EXPECT_THROW(
      {
        try {
          ReadTileList(sandbox.Path("none_list.txt"));
        } catch (const AppError& error) {
          EXPECT_EQ(std::string(error.what()), "Cannot open file " + sandbox.Path("none_list.txt"));
          throw;
        }
      },
      AppError);
}

}  // namespace
}  // namespace kartovel::tools
