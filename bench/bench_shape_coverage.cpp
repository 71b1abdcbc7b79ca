// The covered tiles of a 10,000-vertex polygon over about a million tiles of its bounds at
// zoom 16, with the time and the process's peak memory, and the count of a 500 km GPX
// track's corridor at zoom 15 (the track read from its GPX text as a user's file is).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "BenchSupport.h"
#include "shape/ShapeCoverage.h"
#include "shape/ShapeFile.h"
#include "shape/ShapeGeometry.h"

namespace {

using kartovel::GeoPoint;

// A star-like outline: radius 500 tiles with a wobble of a fifth of it, so nearly every
// column band cuts many edges.
kartovel::Shape WobblyPolygon(int vertices) {
  kartovel::GeoRing ring;
  for (int i = 0; i < vertices; ++i) {
    const double angle = 2 * std::numbers::pi * i / vertices;
    const double radius = 500 * (0.8 + 0.2 * std::sin(37 * angle) * std::cos(5 * angle));
    ring.push_back(kartovel::FromTilePlane(
        {34800 + radius * std::cos(angle), 23500 + radius * std::sin(angle)}, 16));
  }
  return kartovel::Shape{"wobbly", {{ring, {}}}, {}, 0};
}

// A meandering track of about 500 km, one point every 100 m, as GPX text.
std::string MeanderingGpx(double& lengthKm) {
  std::string gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\"><trk><name>River</name><trkseg>\n";
  GeoPoint at{8.0, 46.0};
  lengthKm = 0;
  for (int i = 0; i < 5000; ++i) {
    const double heading = 0.6 * std::sin(i / 300.0) + 0.3;  // radians from east
    const double stepKm = 0.1;
    at.Longitude += stepKm * std::cos(heading) / (111.32 * std::cos(at.Latitude * std::numbers::pi / 180));
    at.Latitude += stepKm * std::sin(heading) / 110.57;
    lengthKm += stepKm;
    gpx += "<trkpt lat=\"" + std::to_string(at.Latitude) + "\" lon=\"" + std::to_string(at.Longitude) +
           "\"/>\n";
  }
  return gpx + "</trkseg></trk></gpx>\n";
}

}  // namespace

int main() {
  const kartovel::Shape polygon = WobblyPolygon(10000);
  const double cpu0 = kartovel::bench::ProcessorSeconds();
  const auto wall0 = std::chrono::steady_clock::now();
  const kartovel::ShapeCoverage coverage(polygon, 16);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  const double cpu = kartovel::bench::ProcessorSeconds() - cpu0;
  std::printf("polygon of 10000 vertices, zoom 16: bounds %lld x %lld = %lld tiles, covered %lld\n",
              static_cast<long long>(coverage.Bounds().Columns()),
              static_cast<long long>(coverage.Bounds().Rows()),
              static_cast<long long>(coverage.Bounds().Count()),
              static_cast<long long>(coverage.CoveredCount()));
  std::printf("  computed in %.3f s (processor %.3f s), peak resident memory %.1f MB\n", wall, cpu,
              kartovel::bench::PeakResidentMegabytes());

  double lengthKm = 0;
  const std::string gpx = MeanderingGpx(lengthKm);
  const auto corridor0 = std::chrono::steady_clock::now();
  const kartovel::ShapeReading track = kartovel::ReadShapeText(gpx, "river.gpx", 1000.0);
  const kartovel::ShapeCoverage corridor(track.Value, 15);
  const double corridorWall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - corridor0).count();
  std::printf("GPX track of %.0f km, corridor 1000 m on each side, zoom 15: bounds %lld tiles, "
              "covered %lld (%.1f %%) in %.3f s\n",
              lengthKm, static_cast<long long>(corridor.Bounds().Count()),
              static_cast<long long>(corridor.CoveredCount()),
              100.0 * double(corridor.CoveredCount()) / double(corridor.Bounds().Count()), corridorWall);
  std::printf("peak resident memory at the end %.1f MB\n", kartovel::bench::PeakResidentMegabytes());
  return 0;
}
