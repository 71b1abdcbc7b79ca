// The well-known text of EPSG:3857 (WGS 84 / Pseudo-Mercator), the coordinate system of
// the tile grid, as GIS tools read it: the mosaic's .prj and auxiliary files and the
// GeoPackage's coordinate system table carry it.
#pragma once

namespace kartovel {

extern const char kWebMercatorWkt[];

}  // namespace kartovel
