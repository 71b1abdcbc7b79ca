// A task's tile statuses as one small image, one pixel per tile cell, drawn stretched
// over the task's extent: the whole task costs one image draw whatever its tile count.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>

#include <functional>
#include <optional>

#include "mosaic/MosaicLayout.h"
#include "tiles/ViewerTask.h"
#include "mapcanvas/MapLayer.h"

namespace kartovel::mapcanvas {

class StatusOverview {
 public:
  using Colouring = std::function<QColor(tools::TileStatus)>;

  StatusOverview() = default;
  // No image for tiles of several zoom levels or for more cells than a budget allows.
  StatusOverview(const tools::ViewerTask& task, const Colouring& colourOf);

  bool Empty() const { return image_.isNull(); }
  void Draw(QPainter& painter, const MapView& view) const;

 private:
  std::optional<tools::MosaicLayout> layout_;
  QImage image_;
};

}  // namespace kartovel::mapcanvas
