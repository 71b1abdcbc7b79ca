// A tile cut anywhere short of its end is told from a whole one, for every image type.
#include "export/TileEnding.h"

#include <gtest/gtest.h>

#include "export/HandMadeTask.h"

namespace kartovel {
namespace {

TEST(TileEnding, AWholeTileEndsAsItsTypeEndsAndNoCutOfItDoes) {
  for (const std::string extension : {"png", "jpg", "webp"}) {
    const std::string whole = testing::TileImage("a tile of some length", extension);
    EXPECT_TRUE(EndsAsAWholeImage(extension, whole)) << extension;
    for (size_t cut = 0; cut < whole.size(); ++cut) {
      EXPECT_FALSE(EndsAsAWholeImage(extension, whole.substr(0, cut))) << extension << " " << cut;
    }
  }
  // JPEG encoders may pad after the end marker; a WebP chunk of odd length is padded.
  EXPECT_TRUE(EndsAsAWholeImage("jpg", testing::TileImage("t", "jpg") + std::string(8, '\0')));
  EXPECT_TRUE(EndsAsAWholeImage("webp", testing::TileImage("odd", "webp") + '\0'));
  EXPECT_TRUE(EndsAsAWholeImage("tif", "anything"));
}

}  // namespace
}  // namespace kartovel
