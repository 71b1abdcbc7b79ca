// The content check of tile bodies: which bodies pass as a PNG, JPEG or WebP tile, and
// that the check is chosen by the tile's extension.
#include "download/TileContent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "support/LoopbackReplies.h"
#include "support/Sandbox.h"

namespace kartovel {
namespace {

using testing::PngStart;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) {
    bytes.push_back(static_cast<char>(value));
  }
  return bytes;
}

std::string BigEndian16(uint32_t value) {
  return Bytes({int(value >> 8 & 0xFF), int(value & 0xFF)});
}

std::string LittleEndian(uint32_t value, int length) {
  std::string bytes;
  for (int i = 0; i < length; ++i) {
    bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
  }
  return bytes;
}

const std::string kJpegStart = Bytes({0xFF, 0xD8});
// A JFIF APP0 segment, as most encoders write it before the tables.
const std::string kJfif =
    Bytes({0xFF, 0xE0, 0, 16}) + std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14);

// A frame header segment of the given marker, three components.
std::string JpegFrame(uint32_t width, uint32_t height, int marker = 0xC0) {
  return Bytes({0xFF, marker, 0, 17, 8}) + BigEndian16(height) + BigEndian16(width) +
         Bytes({3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
}

std::string Jpeg(uint32_t width, uint32_t height) {
  return kJpegStart + kJfif + JpegFrame(width, height);
}

std::string Riff(const std::string& chunk, const std::string& data) {
  return "RIFF" + LittleEndian(uint32_t(12 + data.size()), 4) + "WEBP" + chunk +
         LittleEndian(uint32_t(data.size()), 4) + data;
}

std::string LossyWebp(uint32_t width, uint32_t height, int frameTag = 0x30) {
  return Riff("VP8 ", Bytes({frameTag, 0x01, 0x00, 0x9d, 0x01, 0x2a}) + LittleEndian(width, 2) +
                          LittleEndian(height, 2));
}

std::string LosslessWebp(uint32_t width, uint32_t height, int signature = 0x2F) {
  return Riff("VP8L", Bytes({signature}) + LittleEndian((width - 1) | (height - 1) << 14, 4));
}

std::string ExtendedWebp(uint32_t width, uint32_t height) {
  return Riff("VP8X",
              Bytes({0x10, 0, 0, 0}) + LittleEndian(width - 1, 3) + LittleEndian(height - 1, 3));
}

struct ContentCase {
  std::string Extension;
  std::string Body;
  bool Saved;
};

TEST(CheckTileContent, SavesOnlyAnImageOfTheTilesType) {
  const std::string htmlPage = "<html><body>Too many requests</body></html>";
  std::string wrongChunkLength = PngStart(1, 1);
  wrongChunkLength[11] = 14;
  const std::string blankJpeg = testing::Sandbox::ReadAll("blankimg/blank.jpg");
  const std::string blankWebp = testing::Sandbox::ReadAll("blankimg/blank.webp");
  const std::vector<ContentCase> cases = {
      {"png", testing::SmallPng(), true},
      {"png", PngStart(1, 1), true},
      {"png", PngStart(4096, 4096), true},
      {"PNG", PngStart(256, 256), true},
      {"png", PngStart(256, 256).substr(0, 24), true},  // width and height are all it reads
      {"png", PngStart(256, 256).substr(0, 23), false},
      {"png", PngStart(0, 256), false},
      {"png", PngStart(256, 0), false},
      {"png", PngStart(4097, 256), false},
      {"png", PngStart(256, 4097), false},
      {"png", PngStart(100000, 100000), false},
      {"png", PngStart(0xFFFFFFFF, 1), false},
      {"png", wrongChunkLength, false},
      {"png", std::string(PngStart(1, 1)).replace(12, 4, "IDAT"), false},
      {"png", std::string(PngStart(1, 1)).replace(1, 3, "GIF"), false},
      {"png", htmlPage, false},
      {"png", "", false},
      {"png", blankJpeg, false},
      // JPEG: the start of image, then segments up to the frame header.
      {"jpg", blankJpeg, true},
      {"JPG", Jpeg(1, 1), true},
      {"jpg", Jpeg(4096, 4096), true},
      {"jpg", kJpegStart + JpegFrame(256, 256), true},
      {"jpg", kJpegStart + kJfif + JpegFrame(256, 256, 0xC2), true},  // progressive
      {"jpg", kJpegStart + Bytes({0xFF, 0xFF}) + kJfif.substr(1) + JpegFrame(8, 8), true},
      {"jpg", kJpegStart + Bytes({0xFF, 0xC4, 0, 2}) + JpegFrame(8, 8), true},  // tables first
      {"jpg", Jpeg(0, 256), false},
      {"jpg", Jpeg(256, 0), false},  // a height given later (DNL) is no tile
      {"jpg", Jpeg(4097, 256), false},
      {"jpg", Jpeg(256, 4097), false},
      {"jpg", Jpeg(65535, 65535), false},
      {"jpg", Jpeg(256, 256).substr(0, Jpeg(256, 256).size() - 13), false},
      {"jpg", kJpegStart + kJfif + Bytes({0xFF, 0xDA, 0, 2}) + JpegFrame(8, 8), false},
      {"jpg", kJpegStart + Bytes({0xFF, 0xD9}) + JpegFrame(8, 8), false},
      {"jpg", kJpegStart + Bytes({0xFF, 0xE0, 0xFF, 0xF0}) + JpegFrame(8, 8), false},
      {"jpg", kJpegStart + Bytes({0xFF, 0xE0, 0, 1}) + JpegFrame(8, 8), false},
      {"jpg", kJpegStart + "x" + kJfif + JpegFrame(8, 8), false},
      {"jpg", kJpegStart, false},
      {"jpg", testing::SmallPng(), false},
      {"jpg", htmlPage, false},
      {"jpg", "", false},
      // WebP: the RIFF head, then a lossy, lossless or extended header with the sides.
      {"webp", blankWebp, true},
      {"WEBP", LossyWebp(1, 1), true},
      {"webp", LossyWebp(4096, 4096), true},
      {"webp", LosslessWebp(1, 1), true},
      {"webp", LosslessWebp(4096, 4096), true},
      {"webp", ExtendedWebp(1, 1), true},
      {"webp", ExtendedWebp(4096, 4096), true},
      {"webp", LossyWebp(0, 256), false},
      {"webp", LossyWebp(256, 4097), false},
      {"webp", LossyWebp(256, 256, 0x31), false},  // an inter frame cannot begin a file
      {"webp", std::string(LossyWebp(256, 256)).replace(23, 1, "\x9e"), false},
      {"webp", LossyWebp(256, 256).substr(0, 29), false},
      {"webp", LosslessWebp(4097, 256), false},
      {"webp", LosslessWebp(256, 4097), false},
      {"webp", LosslessWebp(256, 256, 0x2E), false},
      {"webp", ExtendedWebp(4097, 256), false},
      {"webp", ExtendedWebp(256, 100000), false},
      {"webp", std::string(LosslessWebp(8, 8)).replace(8, 4, "WAVE"), false},
      {"webp", std::string(LosslessWebp(8, 8)).replace(12, 4, "ALPH"), false},
      {"webp", blankWebp.substr(0, 20), false},
      {"webp", blankJpeg, false},
      {"webp", htmlPage, false},
      {"webp", "", false},
      // No check is known for these types: the body is saved as it came.
      {"dat", htmlPage, true},
      {"", "", true},
  };
  const std::map<std::string, std::string> refusal = {
      {"png", "Error: the server's answer is not a PNG image."},
      {"jpg", "Error: the server's answer is not a JPEG image."},
      {"webp", "Error: the server's answer is not a WebP image."}};
  ASSERT_FALSE(blankJpeg.empty());
  ASSERT_FALSE(blankWebp.empty());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const ContentCase& c = cases[i];
    SCOPED_TRACE("case " + std::to_string(i) + ": " + c.Extension);
    const auto failure = CheckTileContent(c.Extension, c.Body);
    EXPECT_EQ(!failure.has_value(), c.Saved);
    if (failure) {
      std::string extension = c.Extension;
      std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
      EXPECT_EQ(failure->Message, refusal.at(extension));
      EXPECT_EQ(failure->Status, 0);
    }
  }
}

}  // namespace
}  // namespace kartovel
