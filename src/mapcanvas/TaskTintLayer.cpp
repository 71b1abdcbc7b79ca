// The tint of a task's downloaded tiles.
#include "mapcanvas/TaskTintLayer.h"

namespace kartovel::mapcanvas {

QColor TaskTintLayer::TintColour(tools::TileStatus status) {
  switch (status) {
    case tools::TileStatus::Present:
      return QColor(0x1f, 0x9d, 0x55, 110);
    case tools::TileStatus::Blank:
      return QColor(0xf0, 0xa8, 0x30, 110);
    case tools::TileStatus::Missing:
      break;
  }
  return Qt::transparent;
}

void TaskTintLayer::SetTask(const tools::ViewerTask& task) {
  overview_ = StatusOverview(task, TintColour);
}

LayerPass TaskTintLayer::Paint(QPainter& painter, const MapView& view, QSize) {
  overview_.Draw(painter, view);
  return LayerPass::Complete;
}

}  // namespace kartovel::mapcanvas
