// The content check of tile bodies: which bodies pass as a PNG tile, and that the check
// is chosen by the tile's extension.
#include "download/TileContent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/LoopbackReplies.h"

namespace kartovel {
namespace {

using testing::PngStart;

struct ContentCase {
  std::string Extension;
  std::string Body;
  bool Saved;
};

TEST(CheckTileContent, SavesOnlyAnImageOfTheTilesType) {
  const std::string htmlPage = "<html><body>Too many requests</body></html>";
  std::string wrongChunkLength = PngStart(1, 1);
  wrongChunkLength[11] = 14;
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
      // No check is known for these types: the body is saved as it came.
      {"dat", htmlPage, true},
      {"", "", true},
  };
  for (const ContentCase& c : cases) {
    SCOPED_TRACE(c.Extension + " " + std::to_string(c.Body.size()) + " bytes");
    const auto failure = CheckTileContent(c.Extension, c.Body);
    EXPECT_EQ(!failure.has_value(), c.Saved);
    if (failure) {
      EXPECT_EQ(failure->Message, "Error: the server's answer is not a PNG image.");
      EXPECT_EQ(failure->Status, 0);
    }
  }
}

}  // namespace
}  // namespace kartovel
