// Small painting helpers the canvas's layers share.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

#include "geometry/MapView.h"
#include "imaging/PngImage.h"

namespace kartovel::mapcanvas {

// A screen rectangle with rounded edges: neighbouring tiles share their border pixels,
// so no seams show between them.
QRectF SnappedRect(const tools::ScreenRect& rect);

// A copy of RGBA pixels that a decoder of the core made, for painting.
QImage ImageOf(const tools::RgbaImage& pixels);

// A short text in a rounded white box at the top left of the canvas.
void DrawHint(QPainter& painter, const QString& text);

}  // namespace kartovel::mapcanvas
