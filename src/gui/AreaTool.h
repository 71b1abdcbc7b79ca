// The rectangle on the area window's map: drawn by a drag with Shift held (or with Draw
// on), changed afterwards by dragging its edges or corners, and painted over the map
// with handles on its edges.
#pragma once

#include <functional>
#include <optional>

#include "map/AreaRectangle.h"
#include "mapcanvas/MapLayer.h"

namespace kartovel::gui {

class AreaTool : public mapcanvas::MapTool, public mapcanvas::MapLayer {
 public:
  // How near an edge, in pixels, a press takes the edge.
  static constexpr double kEdgeReach = 6;

  void SetArea(std::optional<GeoArea> area) { area_ = area; }
  const std::optional<GeoArea>& Area() const { return area_; }
  // Draw on: a plain drag draws too, not only one with Shift held.
  void SetDrawing(bool drawing) { drawing_ = drawing; }
  bool Drawing() const { return drawing_; }

  // Told the area as it changes during a drag.
  std::function<void(const GeoArea&)> onAreaChanged;
  // Told when a drag that drew an area has ended (Draw then goes off).
  std::function<void()> onDrawn;

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

  // Where the area lies on the map plane, and on screen in a view.
  static mapcanvas::MapRect MapRectOf(const GeoArea& area);
  static ScreenBox BoxOf(const GeoArea& area, const mapcanvas::MapView& view);

 private:
  enum class Gesture { None, Drawing, MovingEdges };

  bool Draws(Qt::KeyboardModifiers modifiers) const;

  std::optional<GeoArea> area_;
  bool drawing_ = false;
  Gesture gesture_ = Gesture::None;
  GeoPoint anchor_;
  QPointF pressedAt_;
  uint32_t edges_ = kNoEdge;
};

}  // namespace kartovel::gui
