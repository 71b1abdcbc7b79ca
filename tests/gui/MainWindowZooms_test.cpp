// A zoom range from the window's own boxes against the loopback tile service: a task per
// zoom to the end, the status line naming the zoom, the estimate line; and the name box
// after a fresh start of one zoom.
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <filesystem>

#include "app/TaskStanding.h"
#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

const QString kTaskStopedBox = QString("Task stoped!") + QString(20, ' ');

QString StatusText(GuiRig& rig) {
  return rig.Find<QLabel>(*rig.Main().statusBar(), "StatusBar1Text").text();
}

void TypeArea(GuiRig& rig, const QString& name) {
  TypeInto(rig.Find<QLineEdit>("Edit1"), "10");
  TypeInto(rig.Find<QLineEdit>("Edit3"), "10.05");
  TypeInto(rig.Find<QLineEdit>("Edit2"), "50.05");
  TypeInto(rig.Find<QLineEdit>("Edit4"), "50");
  TypeInto(rig.Find<QLineEdit>("EditTaskName"), name);
}

TEST(MainWindowZooms, ARangeRunsEveryZoomToItsEndAndTheStatusLineNamesTheZoom) {
  GuiRig rig;
  TypeArea(rig, "survey");
  auto& first = rig.Find<QLineEdit>("Edit5");
  TypeInto(first, "12");
  LeaveField(first);
  auto& last = rig.Find<QLineEdit>("EditZoomTo");
  EXPECT_EQ(last.text(), "12");  // the last follows the first while they are one zoom
  TypeInto(last, "13");
  LeaveField(last);
  // The estimate line, worked out while nothing waits for it, names both zooms.
  auto& estimate = rig.Find<QLabel>("LabelEstimate");
  ASSERT_TRUE(WaitUntil([&] { return estimate.text().startsWith("Zooms 12 to 13: "); },
                        std::chrono::seconds(20)))
      << estimate.text().toStdString();
  EXPECT_TRUE(estimate.text().endsWith(" free"));
  EXPECT_TRUE(estimate.toolTip().contains("Zoom 12: "));
  EXPECT_TRUE(estimate.toolTip().contains("Zoom 13: "));

  QStringList statuses;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!statuses.contains(StatusText(rig))) {
      statuses << StatusText(rig);
    }
  });
  watch.start(5);
  rig.Find<QPushButton>("BitBtn1").click();
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.Saw(kTaskStopedBox); }, std::chrono::seconds(60)));
  EXPECT_EQ(rig.Watcher.Boxes().size(), 1u);  // one closing message for the job
  EXPECT_EQ(rig.Find<QPushButton>("BitBtn1").text(), "Start");
  EXPECT_TRUE(statuses.contains("Zoom 12 (1 of 2): survey_12.qtsk")) << statuses.join("|").toStdString();
  EXPECT_EQ(StatusText(rig), "Zoom 13 (2 of 2): survey_13.qtsk");
  int64_t tiles = 0;
  for (const char* task : {"survey_12.qtsk", "survey_13.qtsk"}) {
    const TaskStanding standing = ReadTaskStanding(rig.SaveFolder + task);
    EXPECT_EQ(standing.TilesOnDisk, standing.TotalCount) << task;
    tiles += standing.TotalCount;
  }
  // Every tile once, beside the few the estimate line sampled (at most three per zoom).
  EXPECT_GE(rig.Server.RequestCount(), static_cast<std::size_t>(tiles));
  EXPECT_LE(rig.Server.RequestCount(), static_cast<std::size_t>(tiles + 6));
}

TEST(MainWindowZooms, AfterAFreshStartOfOneZoomTheNameBoxShowsTheTaskFile) {
  GuiRig rig;
  TypeArea(rig, "survey");
  rig.Find<QPushButton>("BitBtn1").click();
  EXPECT_EQ(rig.Find<QLineEdit>("EditTaskName").text(), "survey.qtsk");
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.Saw(kTaskStopedBox); }, std::chrono::seconds(60)));
  EXPECT_TRUE(std::filesystem::exists(rig.SaveFolder + "survey.qtsk"));
  EXPECT_EQ(StatusText(rig), TForm1::StatusBar1Text);
}

}  // namespace
}  // namespace kartovel::testing
