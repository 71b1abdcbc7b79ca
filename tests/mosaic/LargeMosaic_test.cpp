// The mosaics asked for before they are written: beyond a gigapixel, or covered at most
// 1 % by the list's tiles.
#include "mosaic/LargeMosaic.h"

#include <gtest/gtest.h>

namespace kartovel::tools {
namespace {

MosaicLayout Grid(int32_t columns, int32_t rows, int32_t tileSide) {
  MosaicLayout layout;
  layout.Range = TileRange{.MinX = 0, .MaxX = columns - 1, .MinY = 0, .MaxY = rows - 1};
  layout.tileWidth = tileSide;
  layout.tileHeight = tileSide;
  return layout;
}

TEST(LargeMosaicTest, AsksBeyondAGigapixelOrAtMostOnePercentCovered) {
  struct Case {
    int32_t columns, rows, tileSide;
    int64_t tiles;
    const char* figures;  // empty: written without asking
  };
  const Case cases[] = {
      {3, 2, 256, 6, ""},
      {1, 1, 256, 1, ""},
      {125, 125, 256, 15625,
       "The mosaic would be 32000 x 32000 pixels (1024 megapixels), of which 15625 tiles cover 100 %."},
      {122, 125, 256, 15250, ""},  // 999,424,000 pixels, all covered
      {10, 10, 256, 1, "The mosaic would be 2560 x 2560 pixels (6 megapixels), of which 1 tile covers 1 %."},
      {101, 1, 8, 2, ""},  // 1.98 % covered
      {301, 1, 8, 3, "The mosaic would be 2408 x 8 pixels (0 megapixels), of which 3 tiles cover 0.997 %."},
      {3906, 3906, 256, 2,
       "The mosaic would be 999936 x 999936 pixels (999872 megapixels), of which 2 tiles cover "
       "1.31e-05 %."},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::to_string(test.columns) + " x " + std::to_string(test.rows));
    EXPECT_EQ(LargeMosaicFigures(Grid(test.columns, test.rows, test.tileSide), test.tiles),
              test.figures);
  }
}

}  // namespace
}  // namespace kartovel::tools
