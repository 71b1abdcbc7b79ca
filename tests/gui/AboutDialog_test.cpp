// The about box: modal, titled "About", showing the main window's caption of the moment.
#include <QLabel>
#include <QPushButton>

#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

TEST(AboutDialogTest, ShowsTheMainWindowsCaptionAndClosesWithOk) {
  GuiRig rig;
  QString title;
  QString label;
  QString button;
  rig.Watcher.Queue([&](QWidget& modal) {
    if (modal.objectName() != "frmAbout") {
      return false;
    }
    title = modal.windowTitle();
    label = rig.Find<QLabel>(modal, "Label1").text();
    auto& ok = rig.Find<QPushButton>(modal, "Button1");
    button = ok.text();
    ClickLater(ok);
    return true;
  });
  rig.TriggerMenu("About1");
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.PendingAnswers() == 0; }));
  ASSERT_TRUE(WaitUntil([&] { return QApplication::activeModalWidget() == nullptr; }));
  EXPECT_EQ(title, "About");
  EXPECT_EQ(label, "Kartovel 6.436");
  EXPECT_EQ(label, rig.Main().windowTitle());
  EXPECT_EQ(button, "&OK");
  EXPECT_FALSE(rig.Find<QWidget>("frmAbout").isVisible());
}

}  // namespace
}  // namespace kartovel::testing
