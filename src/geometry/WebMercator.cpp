// Web Mercator forward and inverse formulas on the EPSG:3857 sphere.
#include "geometry/WebMercator.h"

#include <cmath>
#include <numbers>

namespace kartovel::tools {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

}  // namespace

double LongitudeToMercatorX(double longitude) {
  return kEarthRadiusMetres * longitude * kRadiansPerDegree;
}

double LatitudeToMercatorY(double latitude) {
  return kEarthRadiusMetres *
         std::log(std::tan(std::numbers::pi / 4 + latitude * kRadiansPerDegree / 2));
}

double MercatorXToLongitude(double x) {
  return x / kEarthRadiusMetres / kRadiansPerDegree;
}

double MercatorYToLatitude(double y) {
  return (2 * std::atan(std::exp(y / kEarthRadiusMetres)) - std::numbers::pi / 2) /
         kRadiansPerDegree;
}

}  // namespace kartovel::tools
