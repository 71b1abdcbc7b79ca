// A shape as one GEOS area on the tile plane of a zoom (x = columns from longitude -180,
// y = rows from the north limit, both fractional), where tile (x, y) is the unit square
// at (x, y). Zoom 0 gives the unit plane of the whole world.
#pragma once

#include <cstdint>

#include "shape/Geos.h"
#include "shape/Shape.h"

namespace kartovel {

struct PlanePoint {
  double X = 0;
  double Y = 0;
};

PlanePoint ToTilePlane(const GeoPoint& point, int32_t zoom);
GeoPoint FromTilePlane(const PlanePoint& point, int32_t zoom);

// The polygons only, as they are (perhaps invalid); an empty collection when none.
GeosGeometry PolygonsOnPlane(const GeosContext& geos, const Shape& shape, int32_t zoom);
// The whole area: the polygons and every line's corridor, united.
GeosGeometry AreaOnPlane(const GeosContext& geos, const Shape& shape, int32_t zoom);

// The rectangle around the shape's area (its corridors included).
GeoBounds BoundsOf(const Shape& shape);

}  // namespace kartovel
