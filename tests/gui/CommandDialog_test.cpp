// The one-command dialogs (re-download, export, verify), opened from the Tools menu: each
// shows its model on opening, says in one line what it does above its pane, and Esc tells
// its model to close (which stops what runs) before the window goes.
#include <QLabel>
#include <QPlainTextEdit>

#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

TEST(CommandDialogTest, EachSaysInOneLineWhatItDoesAndEscClosesItsModel) {
  GuiRig rig;
  const std::tuple<const char*, const char*, const bool*> cases[] = {
      {"ReDownloadfailedfiles1", "frmFlt", &rig.Windows->FrmFlt().Visible},
      {"ExporttoMBTiles1", "frmExport", &rig.Windows->FrmExport().Visible},
      {"Verify1", "frmVerify", &rig.Windows->FrmVerify().Visible}};
  for (const auto& [action, form, modelVisible] : cases) {
    bool shownToModel = false;
    bool oneLine = false;
    bool wraps = false;
    QSize size;
    rig.Watcher.Queue([&](QWidget& modal) {
      if (modal.objectName() != form) {
        return false;
      }
      shownToModel = *modelVisible;
      const auto& line = rig.Find<QLabel>(modal, "Purpose");
      oneLine = !line.text().isEmpty() &&
                line.fontMetrics().horizontalAdvance(line.text()) <= line.contentsRect().width();
      wraps = rig.Find<QPlainTextEdit>(modal, "Memo1").lineWrapMode() == QPlainTextEdit::WidgetWidth;
      size = modal.size();
      QTimer::singleShot(0, &modal, [&modal] { PressKey(modal, Qt::Key_Escape); });
      return true;
    });
    rig.TriggerMenu(action);
    ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.PendingAnswers() == 0; })) << form;
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activeModalWidget() == nullptr; })) << form;
    EXPECT_TRUE(shownToModel && oneLine && wraps) << form;
    EXPECT_FALSE(*modelVisible) << form;
    EXPECT_EQ(size, QSize(703, 453)) << form;
  }
}

}  // namespace
}  // namespace kartovel::testing
