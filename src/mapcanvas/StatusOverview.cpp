// Building and drawing the status overview of a task.
#include "mapcanvas/StatusOverview.h"

#include "common/Error.h"
#include "mapcanvas/MapPainting.h"

namespace kartovel::mapcanvas {
namespace {

constexpr int64_t kMaxOverviewCells = int64_t{16} << 20;

}  // namespace

StatusOverview::StatusOverview(const tools::ViewerTask& task, const Colouring& colourOf) {
  try {
    layout_ = tools::LayoutMosaic(task.tiles, 1, 1);
  } catch (const AppError&) {
    return;  // tiles of several zoom levels: placed by their edges, no overview
  }
  if (layout_->Columns() * layout_->Rows() > kMaxOverviewCells) {
    return;
  }
  // Within the cell limit, each side fits an int.
  image_ = QImage(static_cast<int>(layout_->Columns()), static_cast<int>(layout_->Rows()),
                  QImage::Format_ARGB32);
  image_.fill(Qt::transparent);
  for (size_t tile = 0; tile < task.tiles.size(); ++tile) {
    const tools::PixelOffset cell =
        layout_->OffsetOf(task.tiles[tile].Tile.X, task.tiles[tile].Tile.Y);
    image_.setPixelColor(static_cast<int>(cell.left), static_cast<int>(cell.top),
                         colourOf(task.statuses[tile]));
  }
}

void StatusOverview::Draw(QPainter& painter, const MapView& view) const {
  if (image_.isNull()) {
    return;
  }
  const tools::ScreenPoint northWest = view.ToScreen(tools::MapPoint{
      tools::LongitudeToMercatorX(layout_->west), tools::LatitudeToMercatorY(layout_->north)});
  const tools::ScreenPoint southEast = view.ToScreen(tools::MapPoint{
      tools::LongitudeToMercatorX(layout_->east), tools::LatitudeToMercatorY(layout_->south)});
  painter.drawImage(
      SnappedRect(tools::ScreenRect{northWest.x, northWest.y, southEast.x, southEast.y}), image_);
}

}  // namespace kartovel::mapcanvas
