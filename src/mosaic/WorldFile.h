// The georeference of a mosaic in Web Mercator (EPSG:3857): the six numbers of its
// world file (.pgw), the projection text of its .prj file (kWebMercatorWkt) and
// the auxiliary file GDAL reads beside a PNG.
#pragma once

#include <string>

#include "geometry/WebMercatorWkt.h"
#include "mosaic/MosaicLayout.h"

namespace kartovel::tools {

struct WorldFile {
  double pixelWidth = 0;   // metres per pixel eastward
  double rotationY = 0;    // always 0: the mosaic is north-up
  double rotationX = 0;    // always 0
  double pixelHeight = 0;  // metres per pixel, negative: image rows run southward
  double upperLeftX = 0;   // centre of the upper-left pixel, metres
  double upperLeftY = 0;
};

// The world file of a mosaic, from its edges in degrees and its size in pixels.
WorldFile WorldFileOf(const MosaicLayout& layout);

// The six lines of a world file, shortest exact decimal form, CR LF after each.
std::string FormatWorldFile(const WorldFile& worldFile);

// GDAL's auxiliary file for the mosaic: its coordinate system, EPSG:3857 as the .prj
// holds it, with the axes in the order of the world file (east, north).
std::string AuxiliaryXml();

}  // namespace kartovel::tools
