// The layers' shared painting helpers.
#include "mapcanvas/MapPainting.h"

#include <cmath>

namespace kartovel::mapcanvas {

QRectF SnappedRect(const tools::ScreenRect& rect) {
  const double left = std::round(rect.left);
  const double top = std::round(rect.top);
  return QRectF(left, top, std::round(rect.right) - left, std::round(rect.bottom) - top);
}

QImage ImageOf(const tools::RgbaImage& pixels) {
  return QImage(pixels.pixels.data(), pixels.width, pixels.height, pixels.width * 4,
                QImage::Format_RGBA8888)
      .copy();
}

void DrawHint(QPainter& painter, const QString& text) {
  QRectF box = painter.fontMetrics().boundingRect(text).adjusted(-8, -4, 8, 4);
  box.moveTopLeft(QPointF(10, 10));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, 215));
  painter.drawRoundedRect(box, 4, 4);
  painter.setPen(QColor(0x33, 0x38, 0x40));
  painter.drawText(box, Qt::AlignCenter, text);
}

}  // namespace kartovel::mapcanvas
