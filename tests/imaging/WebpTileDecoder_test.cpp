// WebP bytes held in memory, as a map source delivers them: with or without alpha they
// decode to the picture they were made of; bytes that are no WebP, or are cut short, fail.
#include "imaging/WebpTileDecoder.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TileSamples.h"

namespace kartovel::tools {
namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(WebpImageTest, BytesInMemoryDecodeToTheirPictureOrFail) {
  RgbaImage picture(7, 5);
  for (size_t byte = 0; byte < picture.pixels.size(); ++byte) {
    picture.pixels[byte] = static_cast<uint8_t>(byte * 11);
  }
  RgbaImage opaque = picture;
  for (size_t alpha = 3; alpha < opaque.pixels.size(); alpha += 4) {
    opaque.pixels[alpha] = 255;
  }
  for (const bool keepAlpha : {false, true}) {
    RgbaImage decoded;
    ASSERT_TRUE(DecodeWebpImage(Bytes(testing::EncodeWebp(picture, keepAlpha)), decoded));
    EXPECT_EQ(decoded.width, 7);
    EXPECT_EQ(decoded.height, 5);
    EXPECT_EQ(decoded.pixels, keepAlpha ? picture.pixels : opaque.pixels) << keepAlpha;
  }
  const std::string whole = testing::EncodeWebp(picture, true);
  RgbaImage decoded;
  EXPECT_FALSE(DecodeWebpImage(Bytes("<html>busy</html>"), decoded));
  EXPECT_FALSE(DecodeWebpImage(Bytes(whole.substr(0, whole.size() / 2)), decoded));
}

}  // namespace
}  // namespace kartovel::tools
