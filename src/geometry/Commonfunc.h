// Conversions between longitude/latitude and the tiles of the spherical Mercator grid
// at a zoom level (2^zoom tiles per side).
#pragma once

#include <cstdint>

namespace kartovel {

// Column of a longitude; a longitude on a column edge maps to the column east of it.
int32_t LongitudeToTileX(double longitude, int32_t zoom);
// Row of a latitude, counted from the north limit, or from the south when SouthOrigin.
int32_t LatitudeToTileY(double latitude, int32_t zoom, bool SouthOrigin);
// Longitude of the west edge of column x.
double TileXToLongitude(double x, int32_t zoom);
// Latitude of edge y: the north edge of row y, or its south edge when SouthOrigin.
double TileYToLatitude(double y, int32_t zoom, bool SouthOrigin);

}  // namespace kartovel
