// World file numbers: pixel size from the mosaic's Mercator extent, origin at the
// centre of the upper-left pixel, as GIS programs expect.
#include "mosaic/WorldFile.h"

#include <charconv>

#include "geometry/WebMercator.h"

namespace kartovel::tools {
namespace {

std::string ShortestDecimal(double value) {
  char text[64];
  auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  if (error != std::errc()) {
    end = std::to_chars(text, text + sizeof text, value).ptr;
  }
  return std::string(text, end);
}

}  // namespace

const char kWebMercatorWkt[] =
    "PROJCS[\"WGS 84 / Pseudo-Mercator\","
    "GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563,"
    "AUTHORITY[\"EPSG\",\"7030\"]],AUTHORITY[\"EPSG\",\"6326\"]],"
    "PRIMEM[\"Greenwich\",0,AUTHORITY[\"EPSG\",\"8901\"]],"
    "UNIT[\"degree\",0.0174532925199433,AUTHORITY[\"EPSG\",\"9122\"]],"
    "AUTHORITY[\"EPSG\",\"4326\"]],"
    "PROJECTION[\"Mercator_1SP\"],"
    "PARAMETER[\"central_meridian\",0],PARAMETER[\"scale_factor\",1],"
    "PARAMETER[\"false_easting\",0],PARAMETER[\"false_northing\",0],"
    "UNIT[\"metre\",1,AUTHORITY[\"EPSG\",\"9001\"]],"
    "AXIS[\"Easting\",EAST],AXIS[\"Northing\",NORTH],"
    "EXTENSION[\"PROJ4\",\"+proj=merc +a=6378137 +b=6378137 +lat_ts=0 +lon_0=0 +x_0=0 +y_0=0 "
    "+k=1 +units=m +nadgrids=@null +wktext +no_defs\"],"
    "AUTHORITY[\"EPSG\",\"3857\"]]";

WorldFile WorldFileOf(const MosaicLayout& layout) {
  double left = LongitudeToMercatorX(layout.west);
  double right = LongitudeToMercatorX(layout.east);
  double top = LatitudeToMercatorY(layout.north);
  double bottom = LatitudeToMercatorY(layout.south);
  WorldFile worldFile;
  worldFile.pixelWidth = (right - left) / static_cast<double>(layout.Width());
  double pixelHeight = (top - bottom) / static_cast<double>(layout.Height());
  worldFile.pixelHeight = -pixelHeight;
  worldFile.upperLeftX = left + worldFile.pixelWidth / 2;
  worldFile.upperLeftY = top - pixelHeight / 2;
  return worldFile;
}

std::string FormatWorldFile(const WorldFile& worldFile) {
  std::string text;
  for (double value : {worldFile.pixelWidth, worldFile.rotationY, worldFile.rotationX,
                       worldFile.pixelHeight, worldFile.upperLeftX, worldFile.upperLeftY}) {
    text += ShortestDecimal(value);
    text += "\r\n";
  }
  return text;
}

}  // namespace kartovel::tools
