// The map viewer's canvas: places the tiles of a task by their edges, pans with a
// drag, zooms with the wheel, marks missing and blank tiles, and decodes only the
// tiles in view, keeping recent ones in a small cache.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "core/LruCache.h"
#include "core/MapView.h"
#include "core/MosaicLayout.h"
#include "core/TileIndex.h"
#include "core/ViewerTask.h"

namespace kartovel::tools {

class MapCanvas : public QWidget {
 public:
  explicit MapCanvas(QWidget* parent = nullptr);

  void SetTask(ViewerTask task);
  bool HasTask() const { return !task_.tiles.empty(); }
  void FitToTiles();
  // Zooms about the middle of the canvas; above 1 zooms in.
  void ZoomBy(double factor);
  const MapView& View() const { return view_; }
  // The colour that stands for a tile status (the window's legend uses it too).
  static QColor StatusColour(TileStatus status);

  // Told the text for the status bar whenever the mouse moves over the canvas.
  std::function<void(const QString&)> onPointerText;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  // Decoded sizes: full, or shrunk for tiles drawn small so the cache holds more.
  enum class Detail : int { Full = 0, Medium = 1, Small = 2 };

  // What a paint could do with the tile images in view.
  enum class TilePass { Complete, Pending, TooMany };

  void BuildOverview();
  void DrawOverview(QPainter& painter) const;
  TilePass DrawTiles(QPainter& painter);
  void DrawHint(QPainter& painter, const QString& text) const;
  void DrawMark(QPainter& painter, const QRectF& rect, TileStatus status) const;
  const QImage* CachedImage(size_t tile, Detail detail, bool mayLoad);
  double TileScreenSide() const;
  QString PointerText(QPoint position) const;

  ViewerTask task_;
  TileIndex index_;
  std::optional<MosaicLayout> layout_;
  QImage overview_;  // one pixel per tile cell, coloured by status
  MapView view_;
  LruCache<size_t, QImage> images_;
  std::optional<QPoint> dragFrom_;
};

}  // namespace kartovel::tools
