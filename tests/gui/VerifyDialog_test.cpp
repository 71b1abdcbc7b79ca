// The verify dialog reached from the Tools menu: a task picked in the file dialog and its
// summary in the pane.
#include <QPlainTextEdit>
#include <QPushButton>

#include "export/HandMadeTask.h"
#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

TEST(VerifyDialogTest, VerifiesTheChosenTaskAndShowsItsSummary) {
  GuiRig rig;
  const HandMadeTask task{.name = "survey", .zoom = 1, .maxX = 1, .maxY = 1};
  const std::string taskFile = WriteHandMadeTask(rig.Box, task);
  Sandbox::WriteAll(TilePathOf(rig.Box, task, 0, 1), "BLANK");  // the rig's blank image
  QString openTitle;
  QString summary;
  rig.Watcher.Queue([&](QWidget& modal) {
    if (modal.objectName() != "frmVerify") {
      return false;
    }
    ClickLater(rig.Find<QPushButton>(modal, "Button1"));
    return true;
  });
  rig.Watcher.Queue(ChooseFile(taskFile, &openTitle));
  rig.Watcher.Queue([&](QWidget& modal) {
    auto& pane = rig.Find<QPlainTextEdit>(modal, "Memo1");
    if (!pane.toPlainText().contains("Holes")) {
      return false;
    }
    summary = pane.toPlainText();
    if (const char* shot = std::getenv("KARTOVEL_SHOT")) {
      modal.grab().save(QString::fromLocal8Bit(shot));
    }
    QTimer::singleShot(0, &modal, [&modal] { static_cast<QDialog&>(modal).reject(); });
    return true;
  });
  rig.TriggerMenu("Verify1");
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.PendingAnswers() == 0; }));
  ASSERT_TRUE(WaitUntil([&] { return QApplication::activeModalWidget() == nullptr; }));
  EXPECT_EQ(openTitle, "Verify task or file:");
  EXPECT_TRUE(summary.startsWith(QString::fromStdString(taskFile + ": task\nZoom 1: 0 present, 1 blank, 3 missing, 0 damaged")))
      << summary.toStdString();
}

}  // namespace
}  // namespace kartovel::testing
