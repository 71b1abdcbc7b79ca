// The demo tiles decode as 256 x 256 PNG images whose label differs from tile to tile.
#include "tileserver/TileImage.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/PngFileCheck.h"

namespace kartovel::tileserver {
namespace {

struct DecodedImage {
  bool Ok = false;
  uint32_t Width = 0;
  uint32_t Height = 0;
  std::vector<uint8_t> Rgb;
};

DecodedImage DecodeRgb(const std::string& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  DecodedImage decoded;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
    return decoded;
  }
  image.format = PNG_FORMAT_RGB;
  decoded.Rgb.resize(PNG_IMAGE_SIZE(image));
  decoded.Ok = png_image_finish_read(&image, nullptr, decoded.Rgb.data(), 0, nullptr) != 0;
  decoded.Width = image.width;
  decoded.Height = image.height;
  return decoded;
}

TEST(TileImageTest, EncodedTileDecodesAs256By256WithTheSamePixels) {
  const TileId tile{13, 6744, 3104};
  const auto decoded = DecodeRgb(RenderTilePng(tile));
  ASSERT_TRUE(decoded.Ok);
  EXPECT_EQ(decoded.Width, 256u);
  EXPECT_EQ(decoded.Height, 256u);
  EXPECT_EQ(decoded.Rgb, RenderTile(tile).Pixels);
  EXPECT_EQ(testing::PngFileFault(RenderTilePng(tile)), "");
}

TEST(TileImageTest, TilesWithDifferentNumbersLookDifferent) {
  const auto a = RenderTile(TileId{3, 1, 2});
  EXPECT_NE(a.Pixels, RenderTile(TileId{3, 1, 3}).Pixels);
  EXPECT_NE(a.Pixels, RenderTile(TileId{3, 2, 2}).Pixels);
  EXPECT_NE(a.Pixels, RenderTile(TileId{4, 1, 2}).Pixels);
}

TEST(TileImageTest, WidestLabelAtZoom19StaysInsideTheTileBorder) {
  const auto image = RenderTile(TileId{19, 524287, 524287});
  const auto pixel = [&](int x, int y) {
    const auto* p = &image.Pixels[(static_cast<std::size_t>(y) * 256 + x) * 3];
    return std::vector<uint8_t>(p, p + 3);
  };
  // The frame is unbroken along the middle of each edge: no label runs over it.
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(pixel(i, 0), pixel(0, 0));
    EXPECT_EQ(pixel(0, i), pixel(0, 0));
    EXPECT_EQ(pixel(255, i), pixel(0, 0));
  }
}

// The blank image shipped beside the program stands in for a tile of the same size.
TEST(BlankImageTest, ShippedBlankImageIsA256By256Png) {
  std::ifstream file("blankimg/blank.png", std::ios::binary);
  ASSERT_TRUE(file) << "run from the program folder";
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const auto decoded = DecodeRgb(bytes);
  ASSERT_TRUE(decoded.Ok);
  EXPECT_EQ(decoded.Width, 256u);
  EXPECT_EQ(decoded.Height, 256u);
}

}  // namespace
}  // namespace kartovel::tileserver
