// The one PNG writer for whole images: RGB and RGBA bytes and files decode to the pixels
// they were made of, every chunk sound to the end; pixels that do not fill the image are
// refused.
#include "imaging/PngEncoder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "imaging/PngImage.h"
#include "support/PngFileCheck.h"
#include "support/Sandbox.h"

namespace kartovel::tools {
namespace {

using testing::Sandbox;

std::vector<uint8_t> Pattern(size_t bytes) {
  std::vector<uint8_t> pixels(bytes);
  for (size_t byte = 0; byte < bytes; ++byte) {
    pixels[byte] = static_cast<uint8_t>(byte * 7 + byte / 13);
  }
  return pixels;
}

TEST(PngEncoderTest, EncodedImagesDecodeToTheirPixelsAndAreSoundToTheEnd) {
  for (const bool withAlpha : {false, true}) {
    const size_t channels = withAlpha ? 4 : 3;
    const std::vector<uint8_t> pixels = Pattern(size_t{29} * 17 * channels);
    const std::string png = EncodePng(29, 17, withAlpha, pixels);
    EXPECT_EQ(testing::PngFileFault(png), "") << withAlpha;
    Sandbox sandbox;
    Sandbox::WriteAll(sandbox.Path("e.png"), png);
    RgbaImage decoded;
    std::string error;
    ASSERT_TRUE(DecodePng(sandbox.Path("e.png"), decoded, error)) << error;
    for (size_t pixel = 0; pixel < size_t{29} * 17; ++pixel) {
      for (size_t channel = 0; channel < 4; ++channel) {
        const uint8_t expected = channel < channels ? pixels[pixel * channels + channel] : 255;
        ASSERT_EQ(decoded.pixels[pixel * 4 + channel], expected) << withAlpha << " " << pixel;
      }
    }
  }
}

TEST(PngEncoderTest, AWrittenFileDecodesToTheImageAndIsSoundToTheEnd) {
  Sandbox sandbox;
  RgbaImage image(37, 23);
  image.pixels = Pattern(image.pixels.size());
  WritePng(sandbox.Path("w.png"), image);
  EXPECT_EQ(testing::PngFileFault(Sandbox::ReadAll(sandbox.Path("w.png"))), "");
  RgbaImage decoded;
  std::string error;
  ASSERT_TRUE(DecodePng(sandbox.Path("w.png"), decoded, error)) << error;
  EXPECT_EQ(decoded.pixels, image.pixels);
}

TEST(PngEncoderTest, PixelsThatDoNotFillTheImageAreRefused) {
  EXPECT_THROW(EncodePng(4, 4, false, std::vector<uint8_t>(47)), std::invalid_argument);
  EXPECT_THROW(EncodePng(4, 4, true, std::vector<uint8_t>(48)), std::invalid_argument);
}

}  // namespace
}  // namespace kartovel::tools
