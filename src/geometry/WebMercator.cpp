// Web Mercator forward and inverse formulas on the EPSG:3857 sphere.
#include "geometry/WebMercator.h"

#include <cmath>
#include <numbers>

namespace kartovel::tools {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kE = 2.718281828459045;
constexpr long double kOneOver180 = 1.0L / 180.0L;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

}  // namespace

// The ordinate as 0.5 ln((1 + sin) / (1 - sin)) and the latitude as asin(tanh): the steps
// mix double and long double as the tile grid's edges have always been computed, so that
// edge values agree to the last printed digit with the files the program writes.
double MercatorOrdinate(double latitude) {
  const double radians = static_cast<double>(kPi * latitude * kOneOver180);
  const double sine = std::sin(radians);
  const double ratio = static_cast<double>((1.0L + sine) / (1.0L - static_cast<long double>(sine)));
  return static_cast<double>(0.5L * std::log(ratio));
}

double OrdinateLatitude(double ordinate) {
  const double m = std::pow(kE, 2 * ordinate);
  const double u = static_cast<double>((static_cast<long double>(m) - 1.0L) /
                                       (static_cast<long double>(m) + 1.0L));
  return static_cast<double>(std::asin(static_cast<long double>(u)) * 180.0L / kPi);
}

double LongitudeToMercatorX(double longitude) {
  return kEarthRadiusMetres * longitude * kRadiansPerDegree;
}

double LatitudeToMercatorY(double latitude) {
  return kEarthRadiusMetres * MercatorOrdinate(latitude);
}

double MercatorXToLongitude(double x) {
  return x / kEarthRadiusMetres / kRadiansPerDegree;
}

double MercatorYToLatitude(double y) {
  return OrdinateLatitude(y / kEarthRadiusMetres);
}

}  // namespace kartovel::tools
