// GDAL reads the GeoPackage and the MBTiles export as rasters in Web Mercator of the
// tiles' size, with the tiles' area.
#include <gtest/gtest.h>

#include <vector>

#include "common/Text.h"
#include "export/HandMadeTask.h"
#include "export/TileExport.h"
#include "imaging/PngEncoder.h"
#include "support/Gdalinfo.h"

namespace kartovel {
namespace {

using testing::HandMadeTask;
using testing::Sandbox;

std::string SolidTile(uint8_t shade) {
  const std::vector<uint8_t> pixels(256 * 256 * 3, shade);
  return tools::EncodePng(256, 256, false, pixels);
}

TEST(Gdalinfo, ReadsTheGeopackageAndTheMbtilesExportAsWebMercatorRastersOfTheirTiles) {
  if (!testing::Gdalinfo("/dev/null")) {
    GTEST_SKIP() << "gdalinfo is not installed";
  }
  Sandbox box;
  const HandMadeTask task{.name = "gis", .zoom = 3, .minX = 2, .minY = 2, .maxX = 5, .maxY = 4};
  const std::string taskFile = WriteHandMadeTask(box, task);
  for (int x = 2; x <= 5; ++x) {
    for (int y = 2; y <= 4; ++y) {
      Sandbox::WriteAll(testing::TilePathOf(box, task, x, y),
                        SolidTile(static_cast<uint8_t>(40 * x + y)));
    }
  }
  const struct {
    std::string file;
    std::string driver;
  } cases[] = {{"gis.gpkg", "Driver: GPKG/GeoPackage"}, {"gis.mbtiles", "Driver: MBTiles/MBTiles"}};
  for (const auto& c : cases) {
    const std::string out = box.Path(c.file);
    ASSERT_TRUE(TileExport({taskFile}, testing::WriteProgramFolder(box, "BLANK")).WriteTo(out, nullptr));
    const auto info = testing::Gdalinfo(out);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Status, 0) << info->Output;
    EXPECT_TRUE(Contains(info->Output, c.driver)) << info->Output;
    EXPECT_TRUE(Contains(info->Output, "Size is 1024, 768")) << info->Output;
    EXPECT_TRUE(Contains(info->Output, "Pseudo-Mercator")) << info->Output;
    EXPECT_FALSE(Contains(info->Output, "ERROR")) << info->Output;
  }
}

}  // namespace
}  // namespace kartovel
