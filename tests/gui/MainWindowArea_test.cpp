// The main window's "Area:" row through its widgets: a shape file chosen in the file
// dialog becomes the area (its bounds in the boxes, which then take no typing), a run
// fetches its covered tiles only, and "Rectangle" gives the boxes back.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "gui/GuiRig.h"
#include "shape/ShapeCoverage.h"

namespace kartovel::testing {
namespace {

TEST(MainWindowAreaTest, AShapeFileChosenInTheDialogIsTheAreaOfTheRun) {
  GuiRig rig;
  ASSERT_TRUE(rig.Started());
  const std::string file = rig.Box.Path("river.kml");
  Sandbox::WriteAll(file,
                    "<kml><Placemark><name>River</name><LineString><coordinates>10.02,49.95 "
                    "10.2,49.8 10.4,49.85</coordinates></LineString></Placemark></kml>");
  TypeInto(rig.Find<QLineEdit>("EditCorridor"), "400");
  TypeInto(rig.Find<QLineEdit>("Edit5"), "11");
  QString title;
  rig.Watcher.Queue(ChooseFile(file, &title));
  ClickLater(rig.Find<QPushButton>("ButtonOpenShape"));
  ASSERT_TRUE(WaitUntil([&] { return rig.Form().AreaShape.has_value(); }, std::chrono::seconds(20)));
  EXPECT_EQ(title, "Open shape:");
  EXPECT_EQ(rig.Find<QLabel>("AreaValue").toolTip().toStdString(), "River (" + file + ")");
  EXPECT_TRUE(rig.Find<QLineEdit>("Edit1").isReadOnly());
  EXPECT_TRUE(rig.Find<QLineEdit>("Edit1").text().startsWith("10.014"));
  EXPECT_TRUE(rig.Find<QPushButton>("ButtonRectangle").isEnabled());

  TypeInto(rig.Find<QLineEdit>("Edit6"), QString::fromStdString(rig.SaveFolder));
  ClickLater(rig.Find<QPushButton>("BitBtn1"));
  ASSERT_TRUE(WaitUntil([&] { return !rig.Find<QLabel>("LabelTotalxy").text().isEmpty(); },
                        std::chrono::seconds(20)));
  const int64_t covered = ShapeCoverage(*rig.Form().AreaShape, rig.Form().UpDown1Position).CoveredCount();
  EXPECT_EQ(rig.Find<QLabel>("LabelTotalxy").text(), QString("Total images: %1").arg(covered));
  ASSERT_TRUE(WaitUntil([&] { return !rig.Form().RunActive(); }, std::chrono::seconds(60)));
  EXPECT_EQ(rig.Server.RequestCount(), size_t(covered));

  ClickLater(rig.Find<QPushButton>("ButtonRectangle"));
  ASSERT_TRUE(WaitUntil([&] { return !rig.Find<QLineEdit>("Edit1").isReadOnly(); },
                        std::chrono::seconds(20)));
  EXPECT_EQ(rig.Find<QLabel>("AreaValue").text(), "Rectangle");
  EXPECT_FALSE(rig.Form().AreaShape);
}

}  // namespace
}  // namespace kartovel::testing
