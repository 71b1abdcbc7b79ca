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
  struct Case {
    const char* action;
    const char* form;
    std::function<bool()> modelVisible;
  };
  const Case cases[] = {
      {"ReDownloadfailedfiles1", "frmFlt", [&] { return rig.Windows->FrmFlt().Visible; }},
      {"ExporttoMBTiles1", "frmExport", [&] { return rig.Windows->FrmExport().Visible; }},
      {"Verify1", "frmVerify", [&] { return rig.Windows->FrmVerify().Visible; }},
  };
  for (const Case& c : cases) {
    bool shownToModel = false;
    QString purpose;
    int purposeWidth = 0;
    int textWidth = 0;
    QSize size;
    bool wraps = false;
    rig.Watcher.Queue([&](QWidget& modal) {
      if (modal.objectName() != c.form) {
        return false;
      }
      shownToModel = c.modelVisible();
      const auto& line = rig.Find<QLabel>(modal, "Purpose");
      purpose = line.text();
      purposeWidth = line.contentsRect().width();
      textWidth = line.fontMetrics().horizontalAdvance(purpose);
      wraps = rig.Find<QPlainTextEdit>(modal, "Memo1").lineWrapMode() == QPlainTextEdit::WidgetWidth;
      size = modal.size();
      QTimer::singleShot(0, &modal, [&modal] { PressKey(modal, Qt::Key_Escape); });
      return true;
    });
    rig.TriggerMenu(c.action);
    ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.PendingAnswers() == 0; })) << c.form;
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activeModalWidget() == nullptr; })) << c.form;
    EXPECT_TRUE(shownToModel) << c.form;
    EXPECT_FALSE(c.modelVisible()) << c.form;
    EXPECT_FALSE(purpose.isEmpty()) << c.form;
    EXPECT_LE(textWidth, purposeWidth) << c.form << ": " << purpose.toStdString();
    EXPECT_TRUE(wraps) << c.form;
    EXPECT_EQ(size, QSize(703, 453)) << c.form;
  }
}

}  // namespace
}  // namespace kartovel::testing
