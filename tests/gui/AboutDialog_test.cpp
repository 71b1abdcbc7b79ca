// The about box: modal, titled "About", showing the main window's caption of the moment,
// the licence, the libraries with their versions and the chosen source's credit.
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

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

namespace kartovel::testing {
namespace {

TEST(AboutDialogTest, NamesTheLicenceTheLibrariesWithVersionsAndTheChosenSourcesCredit) {
  GuiRigOptions options;
  options.Sources =
      "[MapType 100]\r\nName=Demo\r\nUrl=http://127.0.0.1:8642/{z}/{x}/{y}.png\r\n"
      "Attribution=(c) Demo contributors\r\n";
  GuiRig rig(options);
  rig.Form().ComboBoxMapsTypeItemIndex = 1;
  QStringList shown;
  rig.Watcher.Queue([&rig, &shown](QWidget& modal) {
    for (const char* name : {"LabelLicence", "LabelLibraries", "LabelAttribution"}) {
      shown << rig.Find<QLabel>(modal, name).text();
    }
    ClickLater(rig.Find<QPushButton>(modal, "Button1"));
    return true;
  });
  rig.TriggerMenu("About1");
  ASSERT_TRUE(WaitUntil([&] { return shown.size() == 3; }));
  EXPECT_EQ(shown[0], "Licence: MIT");
  for (const char* library :
       {"Qt", "libcurl", "SQLite", "libpng", "libjpeg-turbo", "libwebp", "libdeflate"}) {
    EXPECT_TRUE(
        shown[1].contains(QRegularExpression(QString("(with |, )%1 [0-9]+\\.[0-9]").arg(library))))
        << library << ": " << shown[1].toStdString();
  }
  EXPECT_EQ(shown[2], "Map data: (c) Demo contributors");
}

}  // namespace
}  // namespace kartovel::testing
