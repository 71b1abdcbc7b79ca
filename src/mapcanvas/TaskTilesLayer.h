// A download task's tiles on the map, placed by their edges: an overview of the tile
// statuses underneath (one cell per tile), the tile images over it when few enough tiles
// are in view, and marks on missing and blank tiles. Only the tiles in view are decoded,
// and recent ones are kept in a small cache.
#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QString>

#include <string>

#include "tiles/LruCache.h"
#include "imaging/TileDecoders.h"
#include "tiles/TileIndex.h"
#include "tiles/ViewerTask.h"
#include "mapcanvas/MapLayer.h"
#include "mapcanvas/StatusOverview.h"

namespace kartovel::mapcanvas {

using tools::TileStatus;
using tools::ViewerTask;

class TaskTilesLayer : public MapLayer {
  Q_DECLARE_TR_FUNCTIONS(TaskTilesLayer)

 public:
  TaskTilesLayer();

  void SetTask(ViewerTask task);
  bool HasTask() const { return !task_.tiles.empty(); }
  const ViewerTask& Task() const { return task_; }
  // The rectangle enclosing every tile of the task.
  const MapRect& Extent() const { return index_.Extent(); }
  // The colour that stands for a tile status (the viewer's legend uses it too).
  static QColor StatusColour(TileStatus status);
  // The position and the tile under a point of the canvas, for a status bar.
  QString PointerText(const MapView& view, QPoint position) const;

  LayerPass Paint(QPainter& painter, const MapView& view, QSize size) override;

 private:
  // Decoded sizes: full, or shrunk for tiles drawn small so the cache holds more.
  enum class Detail : int { Full = 0, Medium = 1, Small = 2 };

  // What a paint could do with the tile images in view.
  enum class TilePass { Complete, Pending, TooMany };

  TilePass DrawTiles(QPainter& painter, const MapView& view, QSize size);
  void DrawMark(QPainter& painter, const QRectF& rect, TileStatus status) const;
  const QImage* CachedImage(size_t tile, Detail detail, bool mayLoad);
  // A tile file of any kind a map source delivers; a null image when it cannot be read.
  QImage LoadTileImage(const std::string& path);

  ViewerTask task_;
  tools::TileIndex index_;
  StatusOverview overview_;
  tools::LruCache<size_t, QImage> images_;
  tools::TileDecoders decoders_;
};

}  // namespace kartovel::mapcanvas
