// The main window as a new user meets it: a zoom typed into its box, rows that stay
// together when the window grows, choosers that start where the user's files are, and
// Open task's word on how far the task got.
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <filesystem>

#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

QString StatusLine(GuiRig& rig) {
  return rig.Find<QLabel>(*rig.Main().statusBar(), "StatusBar1Text").text();
}

void TypeAndLeave(QLineEdit& box, const QString& text) {
  TypeInto(box, text);
  LeaveField(box);
}

TEST(MainWindowFieldsTest, TypedZoomsWithinTheSourcesLevelsAreTakenOthersRefusedOnLeaving) {
  GuiRigOptions options;
  options.Sources =
      "[MapType 100]\r\nName=Deep\r\nUrl=http://127.0.0.1:8642/{z}/{x}/{y}.png\r\n"
      "MinZoom=3\r\nMaxZoom=21\r\n";
  GuiRig rig(options);
  auto& zoom = rig.Find<QLineEdit>("Edit5");
  const QString refused = "Zoom level \"%1\" refused: it must be a number from %2 to %3.";
  const struct {
    int source;
    QString typed, shown;  // the box after leaving it
    int position;
    QString status;  // empty: as before
  } cases[] = {{0, "15", "15", 15, ""},
               {0, "25", "15", 15, refused.arg(25)},
               {0, "0", "15", 15, refused.arg(0)},
               {0, "abc", "15", 15, refused.arg("")},
               {0, "19", "19", 19, ""},
               {1, "21", "21", 19, ""},
               {1, "2", "19", 19, refused.arg(2)}};
  QString status = TForm1::StatusBar1Text;
  for (const auto& c : cases) {
    rig.Form().ComboBoxMapsTypeItemIndex = c.source;
    TypeAndLeave(zoom, c.typed);
    EXPECT_EQ(zoom.text(), c.shown) << c.typed.toStdString();
    EXPECT_EQ(rig.Form().UpDown1Position, c.position) << c.typed.toStdString();
    if (!c.status.isEmpty()) {
      status = c.status.arg(c.source == 0 ? 1 : 3).arg(c.source == 0 ? 19 : 21);
    }
    EXPECT_EQ(StatusLine(rig), status) << c.typed.toStdString();
  }
}

TEST(MainWindowFieldsTest, AGrownWindowKeepsTheRowsTogetherAtTheTopAndGivesTheRoomToTheLog) {
  GuiRig rig;
  const auto rowTops = [&rig] {
    std::vector<int> tops;
    for (const char* name : {"EditTaskName", "GroupBox4", "Edit6", "ComboBoxMapsType",
                             "ButtonOpenShape", "BitBtn1"}) {
      tops.push_back(rig.Find<QWidget>(name).mapTo(&rig.Main(), QPoint(0, 0)).y());
    }
    return tops;
  };
  QCoreApplication::processEvents();
  const std::vector<int> before = rowTops();
  // Start follows the last row closely: no empty area opens above it.
  EXPECT_LE(before[5] - before[4] - rig.Find<QWidget>("ButtonOpenShape").height(), 12);
  auto& log = rig.Find<QPlainTextEdit>("Memo1");
  const QSize logBefore = log.size();
  for (const QSize grown : {QSize(900, 700), QSize(1200, 900), QSize(700, 450)}) {
    rig.Main().resize(grown);
    QCoreApplication::processEvents();
    EXPECT_EQ(rowTops(), before) << grown.height();
    EXPECT_EQ(log.size() - logBefore, grown - QSize(596, 376));
  }
}

// Answers the next file dialog with cancel, noting the folder it started in.
ModalWatcher::Answer CancelNoting(QString& folder) {
  return [&folder](QWidget& modal) {
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    if (dialog != nullptr) {
      folder = dialog->directory().absolutePath();
      QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->reject(); });
    }
    return dialog != nullptr;
  };
}

// Answers the dialog of that name by pressing the button, or closing it when empty.
ModalWatcher::Answer Press(GuiRig& rig, const char* dialog, const char* button) {
  return [&rig, dialog, button](QWidget& modal) {
    if (modal.objectName() == dialog && button != nullptr) {
      ClickLater(rig.Find<QPushButton>(modal, button));
    } else if (modal.objectName() == dialog) {
      QTimer::singleShot(0, &modal, [&modal] { static_cast<QDialog&>(modal).reject(); });
    }
    return modal.objectName() == dialog;
  };
}

void RunSixteenTiles(GuiRig& rig) {
  const std::pair<const char*, QString> boxes[] = {
      {"Edit1", "-180"},
      {"Edit3", "179"},
      {"Edit2", "85"},
      {"Edit4", "-85"},
      {"Edit5", "2"},
      {"Edit6", QString::fromStdString(rig.SaveFolder)},
      {"EditTaskName", "survey.qtsk"}};
  for (const auto& [name, text] : boxes) {
    TypeAndLeave(rig.Find<QLineEdit>(name), text);
  }
  rig.Find<QPushButton>("BitBtn1").click();
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.Saw("Task stoped!" + QString(20, ' ')); }));
}

TEST(MainWindowFieldsTest, ChoosersStartInTheCurrentTasksFolderNeverInAMissingOne) {
  GuiRig rig;
  const QString saveFolder = QDir(QString::fromStdString(rig.SaveFolder)).absolutePath();
  QString folder;
  for (const bool afterRun : {false, true}) {
    if (afterRun) {  // a task run in the save folder: the export's chooser starts there
      std::filesystem::create_directories(rig.SaveFolder);
      RunSixteenTiles(rig);
      rig.Watcher.Queue(Press(rig, "frmExport", "Button1"));
    }
    folder.clear();
    rig.Watcher.Queue(CancelNoting(folder));
    if (afterRun) {
      rig.Watcher.Queue(Press(rig, "frmExport", nullptr));
      rig.TriggerMenu("ExporttoMBTiles1");
    } else {
      ClickLater(rig.Find<QPushButton>("Button4"));
    }
    ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.PendingAnswers() == 0; })) << afterRun;
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activeModalWidget() == nullptr; }));
    EXPECT_TRUE(QDir(folder).exists()) << afterRun;
    EXPECT_EQ(folder == saveFolder, afterRun) << folder.toStdString();
  }
}

TEST(MainWindowFieldsTest, OpenTaskTellsTheTilesOnDiskOfTheTotalAndTheFailedRecords) {
  GuiRig rig;
  std::filesystem::create_directories(rig.SaveFolder);
  RunSixteenTiles(rig);
  const struct {
    int removedTiles;
    std::string failedFile;
    QString status;
  } cases[] = {
      {0, "", "survey.qtsk: 16 of 16 tiles on disk, 0 failed records."},
      {3, "a|http://x/1\r\n\r\n", "survey.qtsk: 13 of 16 tiles on disk, 1 failed record."}};
  for (const auto& c : cases) {
    std::filesystem::directory_iterator tile(rig.SaveFolder + "survey/");
    for (int removed = 0; removed < c.removedTiles; ++removed, ++tile) {
      std::filesystem::remove(tile->path());
    }
    Sandbox::WriteAll(rig.SaveFolder + "survey_failed.ftl", c.failedFile);
    rig.Watcher.Queue(ChooseFile(rig.SaveFolder + "survey.qtsk"));
    ClickLater(rig.Find<QPushButton>("Button4"));
    EXPECT_TRUE(WaitUntil([&] { return StatusLine(rig) == c.status; }))
        << StatusLine(rig).toStdString();
  }
}

}  // namespace
}  // namespace kartovel::testing
