// The queue from the main window: requests added with "Add to queue", reordered, held
// back and let go again in the Queue window, run one after the other to their end, and
// removed; the list shows each job's state and progress.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

std::vector<std::string> Rows(QListWidget& list) {
  std::vector<std::string> rows;
  for (int i = 0; i < list.count(); ++i) rows.push_back(list.item(i)->text().toStdString());
  return rows;
}

void AddRequest(GuiRig& rig, const QString& name, const QString& right,
                const QString& zoomLevel = "10") {
  TypeInto(rig.Find<QLineEdit>("Edit1"), "10");
  TypeInto(rig.Find<QLineEdit>("Edit3"), right);
  TypeInto(rig.Find<QLineEdit>("Edit2"), "50");
  TypeInto(rig.Find<QLineEdit>("Edit4"), "49.6");
  auto& zoom = rig.Find<QLineEdit>("Edit5");
  TypeInto(zoom, zoomLevel);
  LeaveField(zoom);
  TypeInto(rig.Find<QLineEdit>("EditTaskName"), name);
  rig.Find<QPushButton>("ButtonAddToQueue").click();
}

TEST(QueueWindowTest, JobsAddedFromTheMainWindowAreReorderedPausedRunAndRemoved) {
  GuiRig rig;
  ASSERT_TRUE(rig.Started());
  const std::string maps = rig.Box.Path("maps");
  AddRequest(rig, "first", "10.50");
  AddRequest(rig, "second", "10.6");
  auto& window = rig.Windows->Queue();
  ASSERT_TRUE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), "Queue");
  auto& list = rig.Find<QListWidget>(window, "ListBox1");
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"1. first, zoom 10, map type 3, " + maps + ": waiting",
                                     "2. second, zoom 10, map type 3, " + maps + ": waiting"}));
  EXPECT_EQ(list.currentRow(), 1);  // the job just added

  rig.Find<QPushButton>(window, "ButtonUp").click();
  EXPECT_TRUE(Rows(list)[0].starts_with("2. second"));
  EXPECT_EQ(list.currentRow(), 0);
  rig.Find<QPushButton>(window, "ButtonPause").click();
  EXPECT_TRUE(Rows(list)[0].ends_with(": stopped"));
  rig.Find<QPushButton>(window, "ButtonPause").click();
  EXPECT_TRUE(Rows(list)[0].ends_with(": waiting"));
  rig.Find<QPushButton>(window, "ButtonDown").click();
  EXPECT_TRUE(Rows(list)[1].starts_with("2. second"));

  auto& run = rig.Find<QPushButton>(window, "ButtonRun");
  run.click();
  EXPECT_EQ(run.text(), "Stop");
  ASSERT_TRUE(WaitUntil([&] { return run.text() == "Run"; }));
  EXPECT_EQ(Rows(list),
            (std::vector<std::string>{"1. first, zoom 10, map type 3, " + maps + ": done, 6 of 6 tiles at zoom 10",
                         "2. second, zoom 10, map type 3, " + maps +
                             ": done, 9 of 9 tiles at zoom 10"}));
  EXPECT_EQ(rig.Find<QLabel>(window, "StatusBar1").text(), "2 jobs, 0 waiting");
  EXPECT_TRUE(std::filesystem::exists(rig.Box.Path("maps/first.qtsk")));
  // The job now holds the texts its task stores, so that a run after a kill continues it.
  EXPECT_NE(Sandbox::ReadAll(rig.QueueFile()).find("Right=10.5\r\n"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(rig.Box.Path("maps/second.qtsk")));
  if (const char* shot = std::getenv("KARTOVEL_SHOT")) {
    window.grab().save(QString::fromLocal8Bit(shot));
  }

  list.setCurrentRow(0);
  rig.Find<QPushButton>(window, "ButtonRemove").click();
  EXPECT_EQ(Rows(list).size(), 1u);
  EXPECT_TRUE(Rows(list)[0].starts_with("2. second"));
  EXPECT_EQ(Sandbox::ReadAll(rig.QueueFile()).find("first"), std::string::npos);
}

TEST(QueueWindowTest, PauseStopsTheRunningJobWhichThenStaysHeldBack) {
  GuiRig rig;
  ASSERT_TRUE(rig.Started());
  AddRequest(rig, "large", "10.5", "15");  // about 3,000 tiles: still running when paused
  auto& window = rig.Windows->Queue();
  auto& list = rig.Find<QListWidget>(window, "ListBox1");
  auto& run = rig.Find<QPushButton>(window, "ButtonRun");
  run.click();
  ASSERT_TRUE(WaitUntil([&] { return Rows(list)[0].find(": running, ") != std::string::npos; }));
  rig.Find<QPushButton>(window, "ButtonPause").click();
  ASSERT_TRUE(WaitUntil([&] { return run.text() == "Run"; }));
  EXPECT_NE(Rows(list)[0].find(": stopped, "), std::string::npos) << Rows(list)[0];
  EXPECT_EQ(rig.Find<QLabel>(window, "StatusBar1").text(), "1 job, 0 waiting");
  // Held back: Run finds nothing to do.
  run.click();
  EXPECT_TRUE(WaitUntil([&] { return rig.Watcher.Saw("No job is waiting in the queue."); }));
}

}  // namespace
}  // namespace kartovel::testing
