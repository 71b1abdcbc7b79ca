// The area window from the main window's "Select on map ..." against the loopback tile
// service: a rectangle drawn with the mouse fills the boxes on OK, Cancel leaves them,
// edges can be dragged, the window opens on the boxes' rectangle, the tiles the named
// task already has are tinted, a tile cache that is off says so in one line, and it can be
// worked from the keyboard.
#include "gui/SelectAreaDialog.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QThread>

#include <filesystem>

#include "app/ChosenTileSource.h"
#include "app/UnitSelectArea.h"
#include "common/Error.h"
#include "geometry/WebMercator.h"
#include "gui/GuiRig.h"
#include "shape/ShapeCoverage.h"
#include "tileserver/TileService.h"

namespace kartovel::testing {
namespace {

using gui::SelectAreaDialog;

GuiRigOptions WithTileService() {
  GuiRigOptions options;
  options.Server.DefaultReply = tileserver::ServeTileRequest;
  return options;
}

void Mouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::KeyboardModifiers modifiers) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, held, modifiers);
  QApplication::sendEvent(&widget, &event);
}

// A drag in three steps, as a hand would make it.
void Drag(QWidget& widget, QPointF from, QPointF to,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  Mouse(widget, QEvent::MouseButtonPress, from, modifiers);
  Mouse(widget, QEvent::MouseMove, (from + to) / 2, modifiers);
  Mouse(widget, QEvent::MouseMove, to, modifiers);
  Mouse(widget, QEvent::MouseButtonRelease, to, modifiers);
}

// The boxes' texts of the area between two points of the canvas.
std::array<std::string, 4> TextsBetween(const SelectAreaDialog& dialog, QPointF a, QPointF b) {
  auto& canvas = const_cast<SelectAreaDialog&>(dialog).Canvas();
  const tools::LonLat first = canvas.View().LonLatAt({a.x(), a.y()});
  const tools::LonLat second = canvas.View().LonLatAt({b.x(), b.y()});
  const GeoArea area =
      AreaFromCorners({first.longitude, first.latitude}, {second.longitude, second.latitude});
  return {CoordinateText(area.West), CoordinateText(area.East), CoordinateText(area.North),
          CoordinateText(area.South)};
}

std::array<std::string, 4> Boxes(GuiRig& rig) {
  return {rig.Find<QLineEdit>("Edit1").text().toStdString(),
          rig.Find<QLineEdit>("Edit3").text().toStdString(),
          rig.Find<QLineEdit>("Edit2").text().toStdString(),
          rig.Find<QLineEdit>("Edit4").text().toStdString()};
}

// Paints the canvas until the live tiles stop arriving or failing.
bool TilesSettled(SelectAreaDialog& dialog) {
  int64_t last = -1;
  return WaitUntil([&] {
    dialog.Canvas().grab();  // paints, and so asks for the tiles in view
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(20);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const int64_t seen = dialog.Tiles().ArrivedCount() + dialog.Tiles().FailedCount();
    const bool settled = seen > 0 && seen == last;
    last = seen;
    return settled;
  });
}

class SelectAreaDialogTest : public ::testing::Test {
 protected:
  SelectAreaDialogTest() : rig(WithTileService()) {
    rig.Windows->SetTileCacheFolder(rig.Box.Path("cache/"));
  }

  // Opens the window with the button and hands it to act, inside its modal loop.
  void WithWindow(const std::function<void(SelectAreaDialog&)>& act) {
    bool acted = false;
    rig.Watcher.Queue([&](QWidget& modal) {
      auto* dialog = qobject_cast<SelectAreaDialog*>(&modal);
      if (dialog == nullptr) {
        return false;
      }
      act(*dialog);
      acted = true;
      return true;
    });
    ClickLater(rig.Find<QPushButton>("ButtonSelectArea"));
    ASSERT_TRUE(WaitUntil([&] { return acted && QApplication::activeModalWidget() == nullptr; }));
  }

  GuiRig rig;
};

TEST_F(SelectAreaDialogTest, ARectangleDrawnWithTheMouseFillsTheBoxesOnOk) {
  std::array<std::string, 4> drawn;
  QString estimate;
  WithWindow([&](SelectAreaDialog& dialog) {
    ASSERT_TRUE(WaitUntil([&] { return dialog.Tiles().ArrivedCount() >= 4; }));
    const QPointF from(300, 180);
    const QPointF to(420, 260);
    Drag(dialog.Canvas(), from, to, Qt::ShiftModifier);
    drawn = TextsBetween(dialog, from, to);
    estimate = rig.Find<QLabel>(dialog, "LabelEstimate").text();
    ClickLater(rig.Find<QPushButton>(dialog, "ButtonOK"));
  });
  EXPECT_EQ(Boxes(rig), drawn);
  EXPECT_TRUE(estimate.startsWith("At zoom 13: ")) << estimate.toStdString();
  EXPECT_TRUE(estimate.endsWith("with 8 workers")) << estimate.toStdString();
  EXPECT_TRUE(rig.Watcher.Boxes().empty());
  EXPECT_GT(rig.Server.RequestCount(), 0u);
  EXPECT_LE(rig.Server.ConnectionCount(), 2);
}

TEST_F(SelectAreaDialogTest, OpensOnTheBoxesRectangleAndCancelLeavesTheBoxes) {
  TypeInto(rig.Find<QLineEdit>("Edit1"), "13.35");
  TypeInto(rig.Find<QLineEdit>("Edit3"), "13.45");
  TypeInto(rig.Find<QLineEdit>("Edit2"), "52.55");
  TypeInto(rig.Find<QLineEdit>("Edit4"), "52.48");
  const auto before = Boxes(rig);
  std::optional<GeoArea> shown;
  bool areaInView = false;
  WithWindow([&](SelectAreaDialog& dialog) {
    shown = dialog.Tool().Area();
    const ScreenBox box = gui::AreaTool::BoxOf(*shown, dialog.Canvas().View());
    areaInView = box.Left > 0 && box.Top > 0 && box.Right < dialog.Canvas().width() &&
                 box.Bottom < dialog.Canvas().height();
    Drag(dialog.Canvas(), QPointF(20, 20), QPointF(80, 90), Qt::ShiftModifier);
    ClickLater(rig.Find<QPushButton>(dialog, "ButtonCancel"));
  });
  EXPECT_EQ(shown, (GeoArea{13.35, 13.45, 52.55, 52.48}));
  EXPECT_TRUE(areaInView);
  EXPECT_EQ(Boxes(rig), before);
}

TEST_F(SelectAreaDialogTest, TheDrawnEdgesCanBeDraggedAndTheWindowFollows) {
  TfrmSelectArea model(rig.Form(), ChosenTileSource(rig.Form()));
  SelectAreaDialog dialog(model, rig.Platform, nullptr, CreateCurlHttpClient, &rig.Main());
  dialog.Open();
  rig.Find<QPushButton>(dialog, "ButtonDraw").click();  // Draw on: a plain drag draws
  Drag(dialog.Canvas(), QPointF(200, 150), QPointF(400, 300));
  EXPECT_FALSE(rig.Find<QPushButton>(dialog, "ButtonDraw").isChecked());
  const GeoArea drawn = *dialog.Tool().Area();
  Drag(dialog.Canvas(), QPointF(401, 220), QPointF(450, 230));  // the east edge
  Drag(dialog.Canvas(), QPointF(199, 149), QPointF(180, 120));  // the north-west corner
  const GeoArea moved = *dialog.Tool().Area();
  EXPECT_GT(moved.East, drawn.East);
  EXPECT_LT(moved.West, drawn.West);
  EXPECT_GT(moved.North, drawn.North);
  EXPECT_DOUBLE_EQ(moved.South, drawn.South);
  EXPECT_EQ(rig.Find<QLabel>(dialog, "LabelRight").text().toStdString(),
            CoordinateText(moved.East));
  Drag(dialog.Canvas(), QPointF(300, 400), QPointF(250, 380));  // away from the area: a pan
  EXPECT_EQ(*dialog.Tool().Area(), moved);
}

TEST_F(SelectAreaDialogTest, TheSizeIsWeighedFromTilesFetchedOffTheWindowsThreadOnceTheAreaRests) {
  TypeInto(rig.Find<QLineEdit>("Edit1"), "13.35");
  TypeInto(rig.Find<QLineEdit>("Edit3"), "13.45");
  TypeInto(rig.Find<QLineEdit>("Edit2"), "52.55");
  TypeInto(rig.Find<QLineEdit>("Edit4"), "52.48");
  const std::string folder = rig.Form().Edit6;
  QString atOpen;
  QString weighed;
  int canvasHeight = 0;
  bool canvasKeptItsHeight = false;
  WithWindow([&](SelectAreaDialog& dialog) {
    atOpen = rig.Find<QLabel>(dialog, "LabelCost").text();
    canvasHeight = dialog.Canvas().height();
    // The window answers meanwhile: the wait below runs its event loop.
    EXPECT_TRUE(WaitUntil([&] {
      weighed = rig.Find<QLabel>(dialog, "LabelCost").text();
      return weighed.startsWith("About ");
    }));
    canvasKeptItsHeight = dialog.Canvas().height() == canvasHeight;
    ClickLater(rig.Find<QPushButton>(dialog, "ButtonCancel"));
  });
  EXPECT_TRUE(atOpen.startsWith("Size being weighed from a few tiles ...; ")) << atOpen.toStdString();
  EXPECT_TRUE(weighed.endsWith(QString::fromStdString(" free in " + folder))) << weighed.toStdString();
  EXPECT_TRUE(canvasKeptItsHeight);
}

TEST_F(SelectAreaDialogTest, TheTilesOfTheTaskNamedInTheBoxAreTinted) {
  TypeInto(rig.Find<QLineEdit>("Edit1"), "10");
  TypeInto(rig.Find<QLineEdit>("Edit3"), "10.05");
  TypeInto(rig.Find<QLineEdit>("Edit2"), "50.05");
  TypeInto(rig.Find<QLineEdit>("Edit4"), "50");
  TypeInto(rig.Find<QLineEdit>("EditTaskName"), "survey.qtsk");
  rig.Find<QPushButton>("BitBtn1").click();
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.Saw("Task stoped!" + QString(20, ' ')); }));
  const GeoArea taskArea{10, 10.05, 50.05, 50};
  rig.Form().Edit1.clear();  // no rectangle in the boxes: only the tint is drawn there
  struct Case {
    const char* taskName;
    bool tinted;
  };
  for (const Case& c : {Case{"survey.qtsk", true}, Case{"elsewhere.qtsk", false}}) {
    rig.Form().EditTaskName = c.taskName;
    TfrmSelectArea model(rig.Form(), ChosenTileSource(rig.Form()));
    const HttpClientFactory refusing = [](const HttpClientOptions&) -> std::unique_ptr<HttpClient> {
      throw AppError("offline");  // every live tile a pale cell, under the tint
    };
    SelectAreaDialog dialog(model, rig.Platform, nullptr, refusing, &rig.Main());
    dialog.Open();
    dialog.Canvas().FitTo(gui::AreaTool::MapRectOf(taskArea));
    for (int press = 0; press < 5; ++press) {
      PressKey(dialog.Canvas(), Qt::Key_Minus);  // the task's tiles amid a pale land
    }
    ASSERT_TRUE(TilesSettled(dialog)) << c.taskName;
    const QImage picture = dialog.Canvas().grab().toImage();
    const ScreenBox box = gui::AreaTool::BoxOf(taskArea, dialog.Canvas().View());
    const QColor middle = picture.pixelColor(QPoint(static_cast<int>((box.Left + box.Right) / 2),
                                                    static_cast<int>((box.Top + box.Bottom) / 2)));
    const QColor faraway = picture.pixelColor(QPoint(4, 4));
    EXPECT_EQ(middle.green() > middle.red(), c.tinted) << c.taskName;
    EXPECT_LT(faraway.green(), faraway.red()) << c.taskName;
    const QLabel& legend = rig.Find<QLabel>(dialog, "LabelTint");
    EXPECT_EQ(legend.isVisible(), c.tinted) << c.taskName;
    EXPECT_EQ(legend.text().contains(c.taskName), c.tinted) << c.taskName;
  }
}

TEST_F(SelectAreaDialogTest, ACacheFolderThatCannotBeTrustedIsNamedInOneStatusLine) {
  enum class Root { Own, Link, File };
  const struct {
    Root root;
    std::string line;  // after the folder's name; none while the cache is on
  } cases[] = {
      {Root::Own, ""},
      {Root::Link, " is a symbolic link."},
      {Root::File, " is no folder of this user."},
  };
  for (const auto& c : cases) {
    const std::string root = rig.Box.Path("cache" + std::to_string(static_cast<int>(c.root)));
    if (c.root == Root::Link) {
      std::filesystem::create_directories(rig.Box.Path("elsewhere"));
      std::filesystem::create_directory_symlink(rig.Box.Path("elsewhere"), root);
    } else if (c.root == Root::File) {
      Sandbox::WriteAll(root, "a file");
    }
    rig.Windows->SetTileCacheFolder(root + "/");  // named as the program names its own
    WithWindow([&](SelectAreaDialog& dialog) {
      const QLabel& status = rig.Find<QLabel>(dialog, "LabelCache");
      EXPECT_EQ(status.isVisible(), !c.line.empty()) << root;
      if (!c.line.empty()) {
        EXPECT_EQ(status.text().toStdString(), "The tile cache is off: " + root + c.line);
      }
      dialog.reject();
    });
  }
}

TEST_F(SelectAreaDialogTest, EveryControlIsReachedByTabAndNamed) {
  rig.Form().Edit1 = "13.35";  // a rectangle in the boxes: OK is on from the start
  rig.Form().Edit3 = "13.45";
  rig.Form().Edit2 = "52.55";
  rig.Form().Edit4 = "52.48";
  TfrmSelectArea model(rig.Form(), ChosenTileSource(rig.Form()));
  SelectAreaDialog dialog(model, rig.Platform, nullptr, CreateCurlHttpClient, &rig.Main());
  dialog.Open();
  QApplication::setActiveWindow(&dialog);
  std::vector<std::string> reached;
  for (int step = 0; step < 5 && QApplication::focusWidget() != nullptr; ++step) {
    QWidget& focus = *QApplication::focusWidget();
    reached.push_back(focus.objectName().toStdString());
    EXPECT_FALSE(focus.accessibleName().isEmpty() && qobject_cast<QPushButton*>(&focus) == nullptr)
        << focus.objectName().toStdString();
    PressKey(focus, Qt::Key_Tab);
  }
  EXPECT_EQ(reached,
            (std::vector<std::string>{"MapCanvas", "ButtonDraw", "ButtonPolygon", "ButtonOK",
                                      "ButtonCancel"}));
  for (const char* name : {"LabelLeft", "LabelRight", "LabelTop", "LabelBottom", "LabelEstimate"}) {
    EXPECT_FALSE(rig.Find<QLabel>(dialog, name).accessibleName().isEmpty()) << name;
  }
}

}  // namespace
}  // namespace kartovel::testing

namespace kartovel::testing {
namespace {

void Click(QWidget& widget, QPointF at) {
  Mouse(widget, QEvent::MouseButtonPress, at, Qt::NoModifier);
  Mouse(widget, QEvent::MouseButtonRelease, at, Qt::NoModifier);
}

// The polygon tool: corners clicked, the last taken back with Backspace, the polygon closed
// by a click on its first corner, a corner dragged; the count shown is the shape's, and
// OK makes the polygon the main window's area.
TEST_F(SelectAreaDialogTest, APolygonDrawnWithClicksIsTheAreaWithItsTileCount) {
  std::vector<GeoPoint> corners;
  QString estimate;
  QString open;
  WithWindow([&](SelectAreaDialog& dialog) {
    auto& canvas = dialog.Canvas();
    rig.Find<QPushButton>(dialog, "ButtonPolygon").click();
    const QPointF points[] = {{300, 180}, {460, 200}, {350, 330}};
    for (const QPointF& point : points) Click(canvas, point);
    Click(canvas, {200, 300});  // a stray corner, taken back
    PressKey(canvas, Qt::Key_Backspace);
    open = rig.Find<QLabel>(dialog, "LabelEstimate").text();
    EXPECT_FALSE(rig.Find<QPushButton>(dialog, "ButtonOK").isEnabled());
    Click(canvas, points[0] + QPointF(3, -2));  // within reach of the first corner: closes
    Drag(canvas, points[1], {480, 190});        // the second corner moved
    corners = dialog.Polygon().Corners();
    estimate = rig.Find<QLabel>(dialog, "LabelEstimate").text();
    ClickLater(rig.Find<QPushButton>(dialog, "ButtonOK"));
  });
  ASSERT_EQ(corners.size(), 3u);
  EXPECT_TRUE(open.startsWith("Click the next corner")) << open.toStdString();
  const Shape drawn{"Drawn polygon", {{corners, {}}}, {}, 0};
  const int64_t tiles = ShapeCoverage(drawn, 13).CoveredCount();
  EXPECT_TRUE(estimate.startsWith(QString("At zoom 13: %1 tiles").arg(tiles))) << estimate.toStdString();
  ASSERT_TRUE(rig.Form().AreaShape);
  EXPECT_EQ(*rig.Form().AreaShape, drawn);
  EXPECT_EQ(rig.Form().LabelArea, "Drawn polygon (drawn on the map)");
  EXPECT_TRUE(rig.Find<QLineEdit>("Edit1").isReadOnly());
}

}  // namespace
}  // namespace kartovel::testing
