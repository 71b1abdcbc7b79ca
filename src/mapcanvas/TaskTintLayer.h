// The tiles a download task already has, as a translucent tint over a map: downloaded
// tiles green, blank substitutes amber, missing ones untouched.
#pragma once

#include "tiles/ViewerTask.h"
#include "mapcanvas/MapLayer.h"
#include "mapcanvas/StatusOverview.h"

namespace kartovel::mapcanvas {

class TaskTintLayer : public MapLayer {
 public:
  void SetTask(const tools::ViewerTask& task);
  bool HasTint() const { return !overview_.Empty(); }
  static QColor TintColour(tools::TileStatus status);

  LayerPass Paint(QPainter& painter, const MapView& view, QSize size) override;

 private:
  StatusOverview overview_;
};

}  // namespace kartovel::mapcanvas
