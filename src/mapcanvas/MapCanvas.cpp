// The canvas's view changes (drag, wheel, keys) and the painting of its layers.
#include "mapcanvas/MapCanvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kartovel::mapcanvas {
namespace {

using tools::MapPoint;
using tools::ScreenPoint;

constexpr double kWheelStepFactor = 1.0015;  // per eighth of a degree of wheel turn
constexpr double kKeyZoomFactor = 1.5;
constexpr double kKeyPanShare = 0.25;  // of the canvas's width or height per arrow key
const QColor kBackground(0xe9, 0xeb, 0xee);

ScreenPoint ToScreenPoint(QPointF point) {
  return ScreenPoint{point.x(), point.y()};
}

}  // namespace

MapCanvas::MapCanvas(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(320, 240);
  setCursor(Qt::OpenHandCursor);
  view_.Resize(width(), height());
}

void MapCanvas::AddLayer(MapLayer& layer) {
  layers_.push_back(&layer);
  update();
}

void MapCanvas::SetTool(MapTool* tool) {
  tool_ = tool;
  toolDragging_ = false;
}

void MapCanvas::ZoomBy(double factor) {
  ZoomAt(QPointF(width() / 2.0, height() / 2.0), factor);
}

void MapCanvas::ZoomAt(QPointF anchor, double factor) {
  // The factor that lands on the nearest allowed scale, so a limit is reached, not skipped.
  const double scale = std::clamp(view_.MetresPerPixel() / factor, minScale_, maxScale_);
  view_.ZoomAt(ToScreenPoint(anchor), view_.MetresPerPixel() / scale);
  ViewChanged();
}

void MapCanvas::PanBy(double dx, double dy) {
  view_.PanBy(dx, dy);
  ViewChanged();
}

void MapCanvas::FitTo(const MapRect& area) {
  view_.FitTo(area);
  const double scale = std::clamp(view_.MetresPerPixel(), minScale_, maxScale_);
  view_ = MapView(view_.Centre(), scale, view_.ViewWidth(), view_.ViewHeight());
  ViewChanged();
}

void MapCanvas::SetScaleLimits(double minMetresPerPixel, double maxMetresPerPixel) {
  minScale_ = std::max(minMetresPerPixel, MapView::kMinMetresPerPixel);
  maxScale_ = std::clamp(maxMetresPerPixel, minScale_, MapView::kMaxMetresPerPixel);
  ZoomBy(1);
}

void MapCanvas::SetCentreBounds(const MapRect& area) {
  centreBounds_ = area;
  ViewChanged();
}

void MapCanvas::ViewChanged() {
  if (centreBounds_) {
    const MapPoint centre = view_.Centre();
    const MapPoint kept{std::clamp(centre.x, centreBounds_->west, centreBounds_->east),
                        std::clamp(centre.y, centreBounds_->south, centreBounds_->north)};
    view_.PanBy((centre.x - kept.x) / view_.MetresPerPixel(),
                (kept.y - centre.y) / view_.MetresPerPixel());
  }
  update();
  if (onViewChanged) {
    onViewChanged();
  }
}

void MapCanvas::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kBackground);
  bool pending = false;
  for (MapLayer* layer : layers_) {
    painter.save();
    pending = layer->Paint(painter, view_, size()) == LayerPass::Pending || pending;
    painter.restore();
  }
  if (pending) {
    QTimer::singleShot(0, this, [this] { update(); });
  }
}

void MapCanvas::resizeEvent(QResizeEvent*) {
  view_.Resize(width(), height());
  ViewChanged();
}

void MapCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    return;
  }
  if (tool_ != nullptr && tool_->Press(view_, event->position(), event->modifiers())) {
    toolDragging_ = true;
    update();
    return;
  }
  dragFrom_ = event->position().toPoint();
  setCursor(Qt::ClosedHandCursor);
}

void MapCanvas::mouseMoveEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  if (toolDragging_) {
    tool_->Drag(view_, event->position());
    update();
  } else if (dragFrom_) {
    view_.PanBy(position.x() - dragFrom_->x(), position.y() - dragFrom_->y());
    dragFrom_ = position;
    ViewChanged();
  } else {
    ShowCursorAt(event->position(), event->modifiers());
  }
  if (onPointerMoved) {
    onPointerMoved(position);
  }
}

void MapCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    return;
  }
  if (toolDragging_) {
    toolDragging_ = false;
    tool_->Release(view_, event->position());
    update();
  }
  dragFrom_.reset();
  ShowCursorAt(event->position(), event->modifiers());
}

void MapCanvas::ShowCursorAt(QPointF position, Qt::KeyboardModifiers modifiers) {
  std::optional<Qt::CursorShape> shape;
  if (tool_ != nullptr) {
    shape = tool_->CursorAt(view_, position, modifiers);
  }
  setCursor(shape.value_or(Qt::OpenHandCursor));
}

void MapCanvas::wheelEvent(QWheelEvent* event) {
  ZoomAt(event->position(), std::pow(kWheelStepFactor, event->angleDelta().y()));
  if (onPointerMoved) {
    onPointerMoved(event->position().toPoint());
  }
}

void MapCanvas::keyPressEvent(QKeyEvent* event) {
  const double panX = width() * kKeyPanShare;
  const double panY = height() * kKeyPanShare;
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      ZoomBy(kKeyZoomFactor);
      break;
    case Qt::Key_Minus:
      ZoomBy(1 / kKeyZoomFactor);
      break;
    case Qt::Key_Left:
      PanBy(panX, 0);
      break;
    case Qt::Key_Right:
      PanBy(-panX, 0);
      break;
    case Qt::Key_Up:
      PanBy(0, panY);
      break;
    case Qt::Key_Down:
      PanBy(0, -panY);
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

void MapCanvas::leaveEvent(QEvent*) {
  if (onPointerMoved) {
    onPointerMoved(std::nullopt);
  }
}

}  // namespace kartovel::mapcanvas
