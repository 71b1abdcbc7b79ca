// The export dialog reached from the Tools menu: task files and the file to write picked
// in file dialogs, the export reported in the pane and readable with SQLite.
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "export/HandMadeTask.h"
#include "gui/GuiRig.h"
#include "support/MbtilesReader.h"

namespace kartovel::testing {
namespace {

TEST(ExportDialogTest, ExportsTheChosenTasksIntoTheChosenFileAndReportsIt) {
  GuiRig rig;
  const HandMadeTask task{.name = "survey", .zoom = 1, .maxX = 1, .maxY = 1};
  const std::string taskFile = WriteHandMadeTask(rig.Box, task);
  for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}}) {
    Sandbox::WriteAll(TilePathOf(rig.Box, task, x, y), TileImage("tile " + std::to_string(x + 2 * y)));
  }
  Sandbox::WriteAll(TilePathOf(rig.Box, task, 0, 1), "BLANK");  // the rig's blank image
  const std::string out = rig.Box.Path("chosen.mbtiles");

  QString tasksTitle;
  QString saveTitle;
  QString report;
  QString barText;
  bool buttonEnabledAfter = false;
  rig.Watcher.Queue([&](QWidget& modal) {
    if (modal.objectName() != "frmExport") {
      return false;
    }
    ClickLater(rig.Find<QPushButton>(modal, "Button1"));
    return true;
  });
  rig.Watcher.Queue(ChooseFile(taskFile, &tasksTitle));
  rig.Watcher.Queue(ChooseFile(out, &saveTitle));
  rig.Watcher.Queue([&](QWidget& modal) {
    auto& pane = rig.Find<QPlainTextEdit>(modal, "Memo1");
    if (!pane.toPlainText().contains("Exported")) {
      return false;
    }
    report = pane.toPlainText();
    barText = rig.Find<QProgressBar>(modal, "ProgressBar1").text();
    buttonEnabledAfter = rig.Find<QPushButton>(modal, "Button1").isEnabled();
    QTimer::singleShot(0, &modal, [&modal] { static_cast<QDialog&>(modal).reject(); });
    return true;
  });
  rig.TriggerMenu("ExporttoMBTiles1");
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.PendingAnswers() == 0; }));
  ASSERT_TRUE(WaitUntil([&] { return QApplication::activeModalWidget() == nullptr; }));

  EXPECT_EQ(tasksTitle, "Open project files:");
  EXPECT_EQ(saveTitle, "Export to MBTiles file:");
  EXPECT_EQ(
      report.split('\n'),
      (QStringList{QString::fromStdString("Exporting 4 tile files of 1 tasks to " + out + " ..."),
                   QString::fromStdString("Exported 3 tiles to " + out +
                                          "; left out 1 blank substitutes and 0 unreadable "
                                          "files.")}));
  EXPECT_EQ(barText, "4 of 4");
  EXPECT_TRUE(buttonEnabledAfter);
  const auto content = ReadMbtiles(out);
  EXPECT_EQ(content.Tiles.size(), 3u);
  EXPECT_EQ(content.Tiles.at({1, 1, 0}), TileImage("tile 3"));  // row 1 of 2 is the southern one
}

}  // namespace
}  // namespace kartovel::testing
