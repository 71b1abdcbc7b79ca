// The viewer's placement math: a view is a centre on the Web Mercator plane, a scale
// in metres per screen pixel and a viewport size; tiles are placed by their edges.
#pragma once

#include "geometry/TileEdges.h"
#include "geometry/WebMercator.h"

namespace kartovel::tools {

struct ScreenPoint {
  double x = 0;  // pixels right of the viewport's left side
  double y = 0;  // pixels below the viewport's top
};

struct ScreenRect {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;

  double Width() const { return right - left; }
  double Height() const { return bottom - top; }
};

// A rectangle of the map plane in metres (south < north).
struct MapRect {
  double west = 0;
  double south = 0;
  double east = 0;
  double north = 0;

  bool Intersects(const MapRect& other) const {
    return west < other.east && other.west < east && south < other.north && other.south < north;
  }
};

// The map-plane rectangle of a tile, from its edges in degrees.
MapRect TileMapRect(const TileEdges& tile);

struct LonLat {
  double longitude = 0;
  double latitude = 0;
};

class MapView {
 public:
  // Scales beyond these are refused by ZoomAt: a pixel between a millimetre and
  // a tenth of the Earth.
  static constexpr double kMinMetresPerPixel = 0.001;
  static constexpr double kMaxMetresPerPixel = 4.0e6;

  MapView() = default;
  MapView(MapPoint centre, double metresPerPixel, int viewWidth, int viewHeight);

  MapPoint Centre() const { return centre_; }
  double MetresPerPixel() const { return metresPerPixel_; }
  int ViewWidth() const { return viewWidth_; }
  int ViewHeight() const { return viewHeight_; }

  ScreenPoint ToScreen(MapPoint point) const;
  MapPoint ToMap(ScreenPoint point) const;
  LonLat LonLatAt(ScreenPoint point) const;
  // Where a tile lands on screen; north is up, so top < bottom.
  ScreenRect TileRect(const TileEdges& tile) const;
  // The part of the map plane the viewport shows.
  MapRect VisibleArea() const;

  void Resize(int viewWidth, int viewHeight);
  // Moves the map with the mouse: a drag of (dx, dy) pixels moves what is under the
  // mouse by the same pixels.
  void PanBy(double dx, double dy);
  // Changes the scale by factor (above 1 zooms in) keeping the map point under the
  // anchor where it is on screen.
  void ZoomAt(ScreenPoint anchor, double factor);
  // Shows the whole rectangle, centred, with a margin of a few pixels.
  void FitTo(const MapRect& area);

 private:
  MapPoint centre_;
  double metresPerPixel_ = 1;
  int viewWidth_ = 1;
  int viewHeight_ = 1;
};

}  // namespace kartovel::tools
