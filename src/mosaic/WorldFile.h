// The georeference of a mosaic in Web Mercator (EPSG:3857): the six numbers of its
// world file (.pgw) and the projection text of its .prj file.
#pragma once

#include <string>

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

// WKT of EPSG:3857, WGS 84 / Pseudo-Mercator, for the .prj file.
extern const char kWebMercatorWkt[];

}  // namespace kartovel::tools
