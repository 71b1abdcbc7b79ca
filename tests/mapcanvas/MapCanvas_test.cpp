// The shared canvas: what the keys, the wheel and a drag do to the view, its limits, and
// a tool taking the mouse before the pan.
#include "mapcanvas/MapCanvas.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>
#include <vector>

namespace kartovel::mapcanvas {
namespace {

using tools::MapPoint;
using tools::ScreenPoint;

constexpr double kWorld = 20037508.342789244;

void Press(QWidget& widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&widget, &press);
}

void Mouse(QWidget& widget, QEvent::Type type, QPointF at,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, held, modifiers);
  QApplication::sendEvent(&widget, &event);
}

void Drag(QWidget& widget, QPointF from, QPointF to,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  Mouse(widget, QEvent::MouseButtonPress, from, modifiers);
  Mouse(widget, QEvent::MouseMove, to, modifiers);
  Mouse(widget, QEvent::MouseButtonRelease, to, modifiers);
}

struct CanvasRig {
  CanvasRig() {
    canvas.resize(400, 300);
    canvas.show();  // a hidden widget is told its size only once shown
    canvas.FitTo(tools::MapRect{-1000, -1000, 1000, 1000});
  }
  MapCanvas canvas;
};

TEST(MapCanvasTest, KeysZoomAboutTheMiddleAndPanByAQuarter) {
  struct Case {
    int key;
    double scaleRatio;  // new metres per pixel over old
    double panX, panY;  // screen pixels the map moved
  };
  const Case cases[] = {{Qt::Key_Plus, 1 / 1.5, 0, 0}, {Qt::Key_Equal, 1 / 1.5, 0, 0},
                        {Qt::Key_Minus, 1.5, 0, 0},    {Qt::Key_Left, 1, 100, 0},
                        {Qt::Key_Right, 1, -100, 0},   {Qt::Key_Up, 1, 0, 75},
                        {Qt::Key_Down, 1, 0, -75}};
  for (const Case& c : cases) {
    CanvasRig rig;
    const MapView before = rig.canvas.View();
    Press(rig.canvas, c.key);
    const MapView& after = rig.canvas.View();
    EXPECT_NEAR(after.MetresPerPixel() / before.MetresPerPixel(), c.scaleRatio, 1e-9) << c.key;
    const ScreenPoint moved = after.ToScreen(before.Centre());
    EXPECT_NEAR(moved.x - 200, c.panX, 1e-6) << c.key;
    EXPECT_NEAR(moved.y - 150, c.panY, 1e-6) << c.key;
  }
}

TEST(MapCanvasTest, WheelKeepsThePointUnderThePointer) {
  CanvasRig rig;
  const QPointF pointer(310, 60);
  const MapPoint under = rig.canvas.View().ToMap(ScreenPoint{pointer.x(), pointer.y()});
  const double before = rig.canvas.View().MetresPerPixel();
  QWheelEvent wheel(pointer, rig.canvas.mapToGlobal(pointer), QPoint(), QPoint(0, 240),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&rig.canvas, &wheel);
  EXPECT_LT(rig.canvas.View().MetresPerPixel(), before);
  const ScreenPoint after = rig.canvas.View().ToScreen(under);
  EXPECT_NEAR(after.x, pointer.x(), 1e-6);
  EXPECT_NEAR(after.y, pointer.y(), 1e-6);
}

TEST(MapCanvasTest, ScaleAndCentreStayWithinTheirLimits) {
  CanvasRig rig;
  rig.canvas.SetScaleLimits(1, 1e6);
  rig.canvas.SetCentreBounds(tools::MapRect{-kWorld, -kWorld, kWorld, kWorld});
  for (int step = 0; step < 40; ++step) {
    Press(rig.canvas, Qt::Key_Minus);
    Press(rig.canvas, Qt::Key_Left);
  }
  EXPECT_DOUBLE_EQ(rig.canvas.View().MetresPerPixel(), 1e6);
  EXPECT_DOUBLE_EQ(rig.canvas.View().Centre().x, -kWorld);
  rig.canvas.FitTo(tools::MapRect{0, 0, 10, 10});
  EXPECT_DOUBLE_EQ(rig.canvas.View().MetresPerPixel(), 1);
}

// Takes presses with Shift held and records where its drags went.
class ShiftTool : public MapTool {
 public:
  bool Press(const MapView&, QPointF position, Qt::KeyboardModifiers modifiers) override {
    if (!(modifiers & Qt::ShiftModifier)) {
      return false;
    }
    seen.push_back(position);
    return true;
  }
  void Drag(const MapView&, QPointF position) override { seen.push_back(position); }
  void Release(const MapView&, QPointF position) override { seen.push_back(position); }
  std::optional<Qt::CursorShape> CursorAt(const MapView&, QPointF,
                                          Qt::KeyboardModifiers) const override {
    return Qt::CrossCursor;
  }
  std::vector<QPointF> seen;
};

TEST(MapCanvasTest, AToolTakesThePressesItWantsAndTheOthersPan) {
  CanvasRig rig;
  ShiftTool tool;
  rig.canvas.SetTool(&tool);
  const MapPoint centre = rig.canvas.View().Centre();
  Drag(rig.canvas, QPointF(100, 100), QPointF(150, 120), Qt::ShiftModifier);
  EXPECT_EQ(tool.seen.size(), 3u);
  EXPECT_DOUBLE_EQ(rig.canvas.View().Centre().x, centre.x);
  EXPECT_EQ(rig.canvas.cursor().shape(), Qt::CrossCursor);
  Drag(rig.canvas, QPointF(100, 100), QPointF(150, 120));
  EXPECT_EQ(tool.seen.size(), 3u);
  const ScreenPoint moved = rig.canvas.View().ToScreen(centre);
  EXPECT_NEAR(moved.x - 200, 50, 1e-6);
  EXPECT_NEAR(moved.y - 150, 20, 1e-6);
}

}  // namespace
}  // namespace kartovel::mapcanvas
