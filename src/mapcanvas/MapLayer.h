// What a map canvas paints: layers, in order, each drawing itself for the canvas's view,
// and tools that take the mouse before the canvas pans.
#pragma once

#include <QCursor>
#include <QPainter>
#include <QPointF>
#include <QSize>

#include <optional>

#include "geometry/MapView.h"

namespace kartovel::mapcanvas {

using tools::MapRect;
using tools::MapView;

// What a layer's paint achieved: all it wanted, or part of it with more to do soon (the
// canvas then paints again once pending events are served).
enum class LayerPass { Complete, Pending };

class MapLayer {
 public:
  virtual ~MapLayer() = default;
  virtual LayerPass Paint(QPainter& painter, const MapView& view, QSize size) = 0;
};

// Takes a press (and the drag that follows) when it wants it; a press it leaves pans.
class MapTool {
 public:
  virtual ~MapTool() = default;
  virtual bool Press(const MapView& view, QPointF position, Qt::KeyboardModifiers modifiers) = 0;
  virtual void Drag(const MapView& view, QPointF position) = 0;
  virtual void Release(const MapView& view, QPointF position) = 0;
  // The cursor over a position while no button is down; none keeps the pan's hand.
  virtual std::optional<Qt::CursorShape> CursorAt(const MapView& view, QPointF position,
                                                  Qt::KeyboardModifiers modifiers) const = 0;
};

}  // namespace kartovel::mapcanvas
