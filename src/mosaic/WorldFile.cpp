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

std::string AuxiliaryXml() {
  std::string wkt;
  for (const char* c = kWebMercatorWkt; *c != '\0'; ++c) {
    wkt += *c == '"' ? std::string("&quot;") : std::string(1, *c);
  }
  return "<PAMDataset>\n  <SRS dataAxisToSRSAxisMapping=\"1,2\">" + wkt + "</SRS>\n</PAMDataset>\n";
}

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
