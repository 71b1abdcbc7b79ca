// Screen and map-plane conversions of the viewer.
#include "geometry/MapView.h"

#include <algorithm>

namespace kartovel::tools {
namespace {

constexpr double kFitMarginPixels = 8;

}  // namespace

MapRect TileMapRect(const TileEdges& tile) {
  return MapRect{LongitudeToMercatorX(tile.west), LatitudeToMercatorY(tile.south),
                 LongitudeToMercatorX(tile.east), LatitudeToMercatorY(tile.north)};
}

MapView::MapView(MapPoint centre, double metresPerPixel, int viewWidth, int viewHeight)
    : centre_(centre), metresPerPixel_(metresPerPixel) {
  Resize(viewWidth, viewHeight);
}

ScreenPoint MapView::ToScreen(MapPoint point) const {
  return ScreenPoint{viewWidth_ / 2.0 + (point.x - centre_.x) / metresPerPixel_,
                     viewHeight_ / 2.0 - (point.y - centre_.y) / metresPerPixel_};
}

MapPoint MapView::ToMap(ScreenPoint point) const {
  return MapPoint{centre_.x + (point.x - viewWidth_ / 2.0) * metresPerPixel_,
                  centre_.y - (point.y - viewHeight_ / 2.0) * metresPerPixel_};
}

LonLat MapView::LonLatAt(ScreenPoint point) const {
  MapPoint mapPoint = ToMap(point);
  return LonLat{MercatorXToLongitude(mapPoint.x), MercatorYToLatitude(mapPoint.y)};
}

ScreenRect MapView::TileRect(const TileEdges& tile) const {
  MapRect area = TileMapRect(tile);
  ScreenPoint northWest = ToScreen(MapPoint{area.west, area.north});
  ScreenPoint southEast = ToScreen(MapPoint{area.east, area.south});
  return ScreenRect{northWest.x, northWest.y, southEast.x, southEast.y};
}

MapRect MapView::VisibleArea() const {
  MapPoint topLeft = ToMap(ScreenPoint{0, 0});
  MapPoint bottomRight =
      ToMap(ScreenPoint{static_cast<double>(viewWidth_), static_cast<double>(viewHeight_)});
  return MapRect{topLeft.x, bottomRight.y, bottomRight.x, topLeft.y};
}

void MapView::Resize(int viewWidth, int viewHeight) {
  viewWidth_ = std::max(viewWidth, 1);
  viewHeight_ = std::max(viewHeight, 1);
}

void MapView::PanBy(double dx, double dy) {
  centre_.x -= dx * metresPerPixel_;
  centre_.y += dy * metresPerPixel_;
}

void MapView::ZoomAt(ScreenPoint anchor, double factor) {
  double scale = std::clamp(metresPerPixel_ / factor, kMinMetresPerPixel, kMaxMetresPerPixel);
  MapPoint fixed = ToMap(anchor);
  metresPerPixel_ = scale;
  ScreenPoint moved = ToScreen(fixed);
  PanBy(anchor.x - moved.x, anchor.y - moved.y);
}

void MapView::FitTo(const MapRect& area) {
  centre_ = MapPoint{(area.west + area.east) / 2, (area.south + area.north) / 2};
  double usableWidth = std::max(viewWidth_ - 2 * kFitMarginPixels, 1.0);
  double usableHeight = std::max(viewHeight_ - 2 * kFitMarginPixels, 1.0);
  double scale =
      std::max((area.east - area.west) / usableWidth, (area.north - area.south) / usableHeight);
  metresPerPixel_ = std::clamp(scale, kMinMetresPerPixel, kMaxMetresPerPixel);
}

}  // namespace kartovel::tools
