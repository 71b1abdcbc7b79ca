// The tiles of the web grid in a view.
#include "geometry/WebTileGrid.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace kartovel::tools {

double WorldHalfSide() {
  return std::numbers::pi * kEarthRadiusMetres;
}

MapRect WorldRect() {
  const double half = WorldHalfSide();
  return MapRect{-half, -half, half, half};
}

int32_t GridZoomFor(double metresPerPixel, int32_t maxZoom) {
  const double tilesAcross = 2 * WorldHalfSide() / (kGridTilePixels * metresPerPixel);
  const double zoom = std::round(std::log2(std::max(tilesAcross, 1.0)));
  return static_cast<int32_t>(std::clamp(zoom, 0.0, static_cast<double>(std::max(maxZoom, 0))));
}

MapRect GridTileRect(const TileId& tile) {
  const double side = 2 * WorldHalfSide() / std::ldexp(1.0, tile.Zoom);
  const double west = -WorldHalfSide() + tile.X * side;
  const double north = WorldHalfSide() - tile.Y * side;
  return MapRect{west, north - side, west + side, north};
}

std::vector<TileId> GridTilesInView(const MapView& view, int32_t zoom) {
  const double count = std::ldexp(1.0, zoom);
  const double side = 2 * WorldHalfSide() / count;
  const MapRect area = view.VisibleArea();
  const auto column = [&](double x) {
    return std::clamp(std::floor((x + WorldHalfSide()) / side), 0.0, count - 1);
  };
  const auto row = [&](double y) {
    return std::clamp(std::floor((WorldHalfSide() - y) / side), 0.0, count - 1);
  };
  std::vector<std::pair<double, TileId>> byDistance;
  if (!area.Intersects(WorldRect())) {
    return {};
  }
  const MapPoint middle = view.Centre();
  for (double x = column(area.west); x <= column(area.east); ++x) {
    for (double y = row(area.north); y <= row(area.south); ++y) {
      const TileId tile{zoom, static_cast<int32_t>(x), static_cast<int32_t>(y)};
      const MapRect rect = GridTileRect(tile);
      const double distance = std::hypot((rect.west + rect.east) / 2 - middle.x,
                                         (rect.south + rect.north) / 2 - middle.y);
      byDistance.emplace_back(distance, tile);
    }
  }
  std::stable_sort(byDistance.begin(), byDistance.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<TileId> tiles;
  tiles.reserve(byDistance.size());
  for (const auto& [distance, tile] : byDistance) {
    tiles.push_back(tile);
  }
  return tiles;
}

}  // namespace kartovel::tools
