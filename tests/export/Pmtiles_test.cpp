// The PMTiles archive read back by the tests' own reader: tile ids against the published
// examples and against the reader's inverse, leaves once the root would outgrow its
// 16 kB, runs of one content, and the metadata JSON.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>

#include "export/PmtilesTileId.h"
#include "export/PmtilesWriter.h"
#include "support/PmtilesReader.h"
#include "support/Sandbox.h"

namespace kartovel {
namespace {

TEST(Pmtiles, TileIdsRunAlongTheHilbertCurveOfEachZoomAfterTheZoomsAbove) {
  const struct {
    int32_t zoom;
    uint32_t x, y;
    uint64_t id;
  } examples[] = {{0, 0, 0, 0},  {1, 0, 0, 1},  {1, 0, 1, 2},  {1, 1, 1, 3},
                  {1, 1, 0, 4},  {2, 0, 0, 5},  {8, 40, 87, 36052}};
  for (const auto& e : examples) {
    EXPECT_EQ(PmtilesTileId(e.zoom, e.x, e.y), e.id) << e.zoom << "/" << e.x << "/" << e.y;
  }
  // The reader's inverse walk, written apart, gives every place back at every zoom.
  for (int32_t zoom = 0; zoom <= 26; ++zoom) {
    const uint64_t last = (uint64_t{1} << zoom) - 1;
    for (const auto& [x, y] : {std::pair<uint64_t, uint64_t>{0, 0}, {last, 0}, {0, last},
                                {last, last}, {last / 3, last / 7}, {std::min(last, last / 2 + 1), last / 5}}) {
      const uint64_t id = PmtilesTileId(zoom, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
      EXPECT_EQ(testing::PmtilesPlaceOf(id), std::make_tuple(static_cast<int>(zoom), x, y));
    }
  }
}

TEST(Pmtiles, ManyTilesGoIntoLeavesBehindARootThatFitsAndRunsOfOneContentAreOneEntry) {
  testing::Sandbox box;
  const std::string out = box.Path("big.pmtiles");
  TilesetInfo info;
  info.Name = "big";
  info.Format = "png";
  info.MinZoom = 8;
  info.MaxZoom = 9;
  info.Attribution = "Survey \"North\"";
  info.Bounds = GeoBounds{-10, -5, 10, 5};
  std::map<std::tuple<int, int, int>, std::string> written;
  {
    PmtilesWriter writer(out, info);
    std::mt19937 random(24);
    // Zoom 9 column by column: 60,000 distinct tiles of scattered sizes; zoom 8: one sea
    // of 20,000 tiles.
    for (int x = 0; x < 300; ++x) {
      for (int y = 0; y < 200; ++y) {
        const std::string tile = "land " + std::to_string(x) + "/" + std::to_string(y) +
                                 std::string(random() % 200, '+');
        writer.AddTile(9, x, y, tile);
        written[{9, x, y}] = tile;
      }
    }
    for (int x = 100; x < 200; ++x) {
      for (int y = 0; y < 200; ++y) {
        writer.AddTile(8, x, y, "sea");
        written[{8, x, y}] = "sea";
      }
    }
    writer.AddTile(9, 0, 0, "land again");  // the later tile at one place stays
    written[{9, 0, 0}] = "land again";
    writer.Commit();
    EXPECT_EQ(writer.Stats().Contents, 60002);
  }
  const testing::PmtilesContent content = testing::ReadPmtiles(out);
  ASSERT_EQ(content.Structure, "ok");
  EXPECT_EQ(content.Tiles, written);
  EXPECT_GT(content.LeafDirectories, 0u);
  EXPECT_LE(content.RootLength + 127, 16384u);
  EXPECT_EQ(content.TileContents, 60001u);  // the replaced tile's bytes are not kept
  EXPECT_GT(content.RunEntries, 0u);
  EXPECT_LT(content.TileEntries, 60000u + 20000u / 4);
  EXPECT_EQ(content.TileType, 2);
  EXPECT_EQ(std::make_pair(content.MinZoom, content.MaxZoom), std::make_pair(8, 9));
  const auto metadata = nlohmann::json::parse(content.Metadata);
  EXPECT_EQ(metadata.at("name"), "big");
  EXPECT_EQ(metadata.at("format"), "png");
  EXPECT_EQ(metadata.at("attribution"), "Survey \"North\"");
  EXPECT_EQ(metadata.at("bounds"), "-10,-5,10,5");
  EXPECT_EQ(metadata.at("minzoom"), "8");
  EXPECT_EQ(metadata.at("maxzoom"), "9");
}

}  // namespace
}  // namespace kartovel
