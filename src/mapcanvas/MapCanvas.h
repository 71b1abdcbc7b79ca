// The map canvas every map window shares: a Web Mercator view that pans with a drag or
// the arrow keys, zooms with the wheel about the pointer and with the + and - keys, and
// paints its layers in order. A tool may take the mouse before the pan does.
#pragma once

#include <QPoint>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "mapcanvas/MapLayer.h"

namespace kartovel::mapcanvas {

class MapCanvas : public QWidget {
 public:
  explicit MapCanvas(QWidget* parent = nullptr);

  // Layers and the tool are not owned and must outlive the canvas's use of them.
  void AddLayer(MapLayer& layer);
  void SetTool(MapTool* tool);

  const MapView& View() const { return view_; }
  // Zooms about the middle of the canvas; above 1 zooms in.
  void ZoomBy(double factor);
  // Zooms keeping the map point under anchor where it is.
  void ZoomAt(QPointF anchor, double factor);
  void PanBy(double dx, double dy);
  void FitTo(const MapRect& area);
  // Narrows the scales the view may take (metres per pixel), within MapView's own.
  void SetScaleLimits(double minMetresPerPixel, double maxMetresPerPixel);
  // Keeps the view's centre inside area, so the map cannot be pushed out of sight.
  void SetCentreBounds(const MapRect& area);

  // Told where the pointer is whenever it moves over the canvas, and nothing when it leaves.
  std::function<void(std::optional<QPoint>)> onPointerMoved;
  // Told after every change of the view (pan, zoom, resize).
  std::function<void()> onViewChanged;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void ViewChanged();
  void ShowCursorAt(QPointF position, Qt::KeyboardModifiers modifiers);

  MapView view_;
  std::vector<MapLayer*> layers_;
  MapTool* tool_ = nullptr;
  bool toolDragging_ = false;
  std::optional<QPoint> dragFrom_;
  double minScale_ = MapView::kMinMetresPerPixel;
  double maxScale_ = MapView::kMaxMetresPerPixel;
  std::optional<MapRect> centreBounds_;
};

}  // namespace kartovel::mapcanvas
