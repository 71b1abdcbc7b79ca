// The main window as a new user meets it: a zoom typed into its box, rows that stay
// together when the window grows, file choosers that start where the user's files are,
// and Open task's word on how far the task got.
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QWheelEvent>
#include <filesystem>

#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

constexpr char kProgramLine[] = "Download normal map images from Orvex Maps!";

QString StatusLine(GuiRig& rig) {
  return rig.Find<QLabel>(*rig.Main().statusBar(), "StatusBar1Text").text();
}

void TypeAndLeave(QLineEdit& box, const QString& text) {
  TypeInto(box, text);
  LeaveField(box);
}

TEST(MainWindowZoomBoxTest, TypedZoomsWithinTheLevelsAreTakenOthersRefusedOnLeavingTheBox) {
  GuiRig rig;
  auto& zoom = rig.Find<QLineEdit>("Edit5");
  const QString refusal = "Zoom level \"%1\" refused: it must be a number from 1 to 19.";
  const struct {
    QString typed;
    QString shown;  // the box after leaving it
    int position;
    QString status;
  } cases[] = {
      {"15", "15", 15, kProgramLine},     {"25", "15", 15, refusal.arg("25")},
      {"0", "15", 15, refusal.arg("0")},  {"", "15", 15, refusal.arg("")},
      {"abc", "15", 15, refusal.arg("")},  // the box takes no letters
      {"1", "1", 1, refusal.arg("")},     {"19", "19", 19, refusal.arg("")},
      {"7", "7", 7, refusal.arg("")},
  };
  for (const auto& c : cases) {
    TypeAndLeave(zoom, c.typed);
    EXPECT_EQ(zoom.text(), c.shown) << c.typed.toStdString();
    EXPECT_EQ(rig.Form().UpDown1Position, c.position) << c.typed.toStdString();
    EXPECT_EQ(rig.Form().Edit5, c.shown.toStdString()) << c.typed.toStdString();
    EXPECT_EQ(StatusLine(rig), c.status) << c.typed.toStdString();
  }
  // A zoom typed and not yet taken is where the keys and the wheel step from.
  TypeInto(zoom, "4");
  PressKey(zoom, Qt::Key_Up);
  EXPECT_EQ(zoom.text(), "5");
  QWheelEvent wheel(QPointF(5, 5), zoom.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&zoom, &wheel);
  EXPECT_EQ(zoom.text(), "4");
  EXPECT_EQ(rig.Form().UpDown1Position, 4);
}

TEST(MainWindowZoomBoxTest, ASourceOfDeeperLevelsTakesThemWhileTheSpinnerKeepsItsLimits) {
  GuiRigOptions options;
  options.Sources =
      "[MapType 100]\r\nName=Deep\r\nUrl=http://127.0.0.1:8642/{z}/{x}/{y}.png\r\n"
      "MinZoom=3\r\nMaxZoom=21\r\n";
  GuiRig rig(options);
  auto& sources = rig.Find<QComboBox>("ComboBoxMapsType");
  sources.setFocus();
  PressKey(sources, Qt::Key_Down);
  ASSERT_EQ(rig.Form().ChosenMapSource().Name, "Deep");
  auto& zoom = rig.Find<QLineEdit>("Edit5");
  TypeAndLeave(zoom, "21");
  EXPECT_EQ(zoom.text(), "21");
  EXPECT_EQ(rig.Form().UpDown1Position, 19);
  TypeAndLeave(zoom, "2");
  EXPECT_EQ(zoom.text(), "19");
  EXPECT_EQ(StatusLine(rig), "Zoom level \"2\" refused: it must be a number from 3 to 21.");
}

// Where a widget's top and bottom lie in the left column.
struct Span {
  int Top;
  int Bottom;
};

std::vector<Span> RowSpans(GuiRig& rig) {
  QWidget& column = rig.Find<QWidget>("LeftColumn");
  std::vector<Span> spans;
  for (const char* name : {"EditTaskName", "GroupBox4", "Edit6", "ComboBoxMapsType", "BitBtn1"}) {
    QWidget& row = rig.Find<QWidget>(name);
    const QPoint top = row.mapTo(&column, QPoint(0, 0));
    spans.push_back({top.y(), top.y() + row.height()});
  }
  return spans;
}

TEST(MainWindowLayoutTest, AGrownWindowKeepsTheRowsTogetherAtTheTopAndGivesTheRoomToTheLog) {
  GuiRig rig;
  QCoreApplication::processEvents();
  const std::vector<Span> before = RowSpans(rig);
  auto& log = rig.Find<QPlainTextEdit>("Memo1");
  const QSize logBefore = log.size();
  const QSize windowBefore = rig.Main().size();
  for (const QSize grown : {QSize(900, 700), QSize(1200, 900), QSize(700, 450)}) {
    rig.Main().resize(grown);
    QCoreApplication::processEvents();
    const std::vector<Span> after = RowSpans(rig);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(after[i].Top, before[i].Top) << i << " at " << grown.height();
      EXPECT_EQ(after[i].Bottom, before[i].Bottom) << i << " at " << grown.height();
    }
    // Start follows the last row closely: no empty area opens above it.
    EXPECT_LE(after.back().Top - after[after.size() - 2].Bottom, 12);
    EXPECT_EQ(log.height() - logBefore.height(), grown.height() - windowBefore.height());
    EXPECT_EQ(log.width() - logBefore.width(), grown.width() - windowBefore.width());
  }
}

// Answers the next file dialog with cancel, noting the folder it started in and the
// name it proposed.
ModalWatcher::Answer CancelNoting(QString* folder, QString* proposed = nullptr) {
  return [folder, proposed](QWidget& modal) {
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    if (dialog == nullptr) {
      return false;
    }
    *folder = dialog->directory().absolutePath();
    if (proposed != nullptr) {
      *proposed = dialog->selectedFiles().value(0);
    }
    QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->reject(); });
    return true;
  };
}

QString Folder(const std::string& path) {
  return QDir(QString::fromStdString(path)).absolutePath();
}

// A run of sixteen tiles in the save folder, to its end.
void RunSixteenTiles(GuiRig& rig, const QString& taskName) {
  TypeInto(rig.Find<QLineEdit>("Edit1"), "-180");
  TypeInto(rig.Find<QLineEdit>("Edit3"), "179");
  TypeInto(rig.Find<QLineEdit>("Edit2"), "85");
  TypeInto(rig.Find<QLineEdit>("Edit4"), "-85");
  TypeAndLeave(rig.Find<QLineEdit>("Edit5"), "2");
  TypeInto(rig.Find<QLineEdit>("Edit6"), QString::fromStdString(rig.SaveFolder));
  TypeInto(rig.Find<QLineEdit>("EditTaskName"), taskName);
  rig.Find<QPushButton>("BitBtn1").click();
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.Saw(QString("Task stoped!") + QString(20, ' ')); },
                        std::chrono::seconds(60)));
}

TEST(MainWindowChoosersTest, OpenTaskAndExportStartInTheCurrentTasksFolderNeverAMissingOne) {
  GuiRig rig;
  // No task yet and the default save folder not made: the chooser starts somewhere real.
  QString folder;
  rig.Watcher.Queue(CancelNoting(&folder));
  ClickLater(rig.Find<QPushButton>("Button4"));
  ASSERT_TRUE(WaitUntil([&] { return !folder.isEmpty(); }, std::chrono::seconds(20)));
  EXPECT_TRUE(QDir(folder).exists()) << folder.toStdString();
  EXPECT_NE(folder, Folder(rig.SaveFolder));

  std::filesystem::create_directories(rig.SaveFolder);
  const std::string elsewhere = rig.Box.Path("elsewhere/");
  std::filesystem::create_directories(elsewhere);
  TypeInto(rig.Find<QLineEdit>("Edit6"), QString::fromStdString(elsewhere));
  folder.clear();
  rig.Watcher.Queue(CancelNoting(&folder));
  ClickLater(rig.Find<QPushButton>("Button4"));
  ASSERT_TRUE(WaitUntil([&] { return !folder.isEmpty(); }, std::chrono::seconds(20)));
  EXPECT_EQ(folder, Folder(rig.SaveFolder));  // the default save folder, now that it exists

  RunSixteenTiles(rig, "survey.qtsk");
  folder.clear();
  // The export dialog opens first; its button asks for the tasks.
  rig.Watcher.Queue([&rig](QWidget& modal) {
    if (modal.objectName() != "frmExport") {
      return false;
    }
    ClickLater(rig.Find<QPushButton>(modal, "Button1"));
    return true;
  });
  rig.Watcher.Queue(CancelNoting(&folder));
  rig.Watcher.Queue([](QWidget& modal) {
    if (modal.objectName() != "frmExport") {
      return false;
    }
    QTimer::singleShot(0, &modal, [&modal] { static_cast<QDialog&>(modal).reject(); });
    return true;
  });
  rig.TriggerMenu("ExporttoMBTiles1");
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.PendingAnswers() == 0; }));
  ASSERT_TRUE(WaitUntil([&] { return QApplication::activeModalWidget() == nullptr; }));
  EXPECT_EQ(folder, Folder(rig.SaveFolder));
}

TEST(MainWindowOpenTaskTest, TheStatusLineTellsTheTilesOnDiskOfTheTotalAndTheFailedRecords) {
  GuiRig rig;
  std::filesystem::create_directories(rig.SaveFolder);
  RunSixteenTiles(rig, "survey.qtsk");
  const std::string taskFile = rig.SaveFolder + "survey.qtsk";
  const struct {
    int removedTiles;
    std::string failedFile;
    QString status;
  } cases[] = {
      {0, "", "survey.qtsk: 16 of 16 tiles on disk, 0 failed records."},
      {3, "a|http://x/1\r\n", "survey.qtsk: 13 of 16 tiles on disk, 1 failed record."},
      {1, "a|http://x/1\r\nb|http://x/2\r\n\r\n",
       "survey.qtsk: 12 of 16 tiles on disk, 2 failed records."},
  };
  for (const auto& c : cases) {
    int removed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(rig.SaveFolder + "survey/")) {
      if (removed++ < c.removedTiles) {
        std::filesystem::remove(entry.path());
      }
    }
    Sandbox::WriteAll(rig.SaveFolder + "survey_failed.ftl", c.failedFile);
    rig.Watcher.Queue(ChooseFile(taskFile));
    ClickLater(rig.Find<QPushButton>("Button4"));
    ASSERT_TRUE(WaitUntil([&] { return StatusLine(rig) == c.status; }, std::chrono::seconds(20)))
        << StatusLine(rig).toStdString();
  }
  // A file the program could not have written fills what it can and says why in the line.
  Sandbox::WriteAll(taskFile, "[Zoom]\r\nZoom=40\r\n");
  rig.Watcher.Queue(ChooseFile(taskFile));
  ClickLater(rig.Find<QPushButton>("Button4"));
  ASSERT_TRUE(WaitUntil([&] { return rig.Find<QLineEdit>("Edit5").text() == "40"; },
                        std::chrono::seconds(20)));
  EXPECT_TRUE(StatusLine(rig).contains(QString::fromStdString(taskFile)))
      << StatusLine(rig).toStdString();
}

}  // namespace
}  // namespace kartovel::testing
