// Web Mercator (EPSG:3857) plane coordinates in metres for longitudes and latitudes,
// the plane the combiner georeferences its mosaic in and the viewer draws on.
#pragma once

namespace kartovel::tools {

// The sphere radius of EPSG:3857 (the WGS 84 semi-major axis).
inline constexpr double kEarthRadiusMetres = 6378137.0;

struct MapPoint {
  double x = 0;  // metres east of the prime meridian
  double y = 0;  // metres north of the equator
};

// The Mercator ordinate of a latitude on the unit sphere, ln(tan(pi/4 + latitude/2)), and
// the latitude of an ordinate: the one pair of formulas behind both the map plane's metres
// and the tile grid's rows (geometry/Commonfunc), so the two never disagree.
double MercatorOrdinate(double latitude);
double OrdinateLatitude(double ordinate);

double LongitudeToMercatorX(double longitude);
double LatitudeToMercatorY(double latitude);
double MercatorXToLongitude(double x);
double MercatorYToLatitude(double y);

}  // namespace kartovel::tools
