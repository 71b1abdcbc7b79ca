// The polygon on the area window's map: click its corners, click the first corner (or
// press Enter) to close it, Backspace removes the last corner, and a corner of a closed
// polygon is dragged to move it. Painted over the map with a handle on every corner.
#pragma once

#include <functional>
#include <vector>

#include "mapcanvas/MapLayer.h"
#include "shape/Shape.h"

namespace kartovel::gui {

class PolygonTool : public mapcanvas::MapTool, public mapcanvas::MapLayer {
 public:
  // How near a corner, in pixels, a press takes the corner.
  static constexpr double kCornerReach = 7;

  const std::vector<GeoPoint>& Corners() const { return corners_; }
  bool Closed() const { return closed_; }
  void Clear();

  // Told the corners and whether the polygon is closed, after every change.
  std::function<void(const std::vector<GeoPoint>&, bool)> onChanged;

  // Backspace and Enter (Return); true when the key was the tool's.
  bool Key(int key);

  // MapTool
  bool Press(const mapcanvas::MapView& view, QPointF position,
             Qt::KeyboardModifiers modifiers) override;
  void Drag(const mapcanvas::MapView& view, QPointF position) override;
  void Release(const mapcanvas::MapView& view, QPointF position) override;
  std::optional<Qt::CursorShape> CursorAt(const mapcanvas::MapView& view, QPointF position,
                                          Qt::KeyboardModifiers modifiers) const override;

  // MapLayer
  mapcanvas::LayerPass Paint(QPainter& painter, const mapcanvas::MapView& view,
                             QSize size) override;

 private:
  // The corner within reach of a screen position, or -1.
  int CornerAt(const mapcanvas::MapView& view, QPointF position) const;
  void Changed();

  std::vector<GeoPoint> corners_;
  bool closed_ = false;
  int dragged_ = -1;
};

}  // namespace kartovel::gui
