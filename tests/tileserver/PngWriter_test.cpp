// The PNG encoder of the demo tiles: a raster that does not match its size is refused.
#include "tileserver/PngWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace kartovel::tileserver {
namespace {

TEST(PngWriterTest, RasterOfTheWrongSizeIsRefused) {
  RgbImage wrong{4, 4, std::vector<uint8_t>(10)};
  EXPECT_THROW(EncodePng(wrong), std::runtime_error);
}

}  // namespace
}  // namespace kartovel::tileserver
