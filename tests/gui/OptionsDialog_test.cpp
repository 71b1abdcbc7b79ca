// The options dialog: modal, filled from the configuration file on every showing, OK
// writes what was typed, and a write that fails shows the stop box and keeps it open.
#include <QCheckBox>
#include <QPushButton>
#include <filesystem>

#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

struct ShownOptions {
  QString defaultPath;
  bool useProxy = true;
  QString server;
  bool modal = false;
};

// Reads the dialog, types the given proxy, and presses the named button.
ModalWatcher::Answer FillAndPress(GuiRig& rig, ShownOptions& shown, const char* button) {
  return [&rig, &shown, button](QWidget& modal) {
    if (modal.objectName() != "frmOptions") {
      return false;
    }
    shown.modal = true;
    shown.defaultPath = rig.Find<QLineEdit>(modal, "Edit12").text();
    shown.useProxy = rig.Find<QCheckBox>(modal, "CheckBoxUseProxy").isChecked();
    shown.server = rig.Find<QLineEdit>(modal, "EditProxyServer").text();
    rig.Find<QCheckBox>(modal, "CheckBoxUseProxy").setChecked(true);
    TypeInto(rig.Find<QLineEdit>(modal, "EditProxyServer"), "proxy.local");
    TypeInto(rig.Find<QLineEdit>(modal, "EditProxyPort"), "3128");
    ClickLater(rig.Find<QPushButton>(modal, button));
    return true;
  };
}

TEST(OptionsDialogTest, ShowsTheFileAndOkWritesWhatWasTyped) {
  GuiRig rig;
  ShownOptions shown;
  rig.Watcher.Queue(FillAndPress(rig, shown, "Button1"));
  rig.TriggerMenu("Options2");
  ASSERT_TRUE(
      WaitUntil([&] { return shown.modal && QApplication::activeModalWidget() == nullptr; }));

  EXPECT_EQ(shown.defaultPath.toStdString(), rig.Box.Path("maps"));
  EXPECT_FALSE(shown.useProxy);
  EXPECT_TRUE(shown.server.isEmpty());
  const std::string config = Sandbox::ReadAll(rig.ProgramFolder + "ini/config.ini");
  EXPECT_NE(config.find("UseProxy=1\r\n"), std::string::npos) << config;
  EXPECT_NE(config.find("ProxyServer=proxy.local\r\n"), std::string::npos) << config;
  EXPECT_NE(config.find("ProxyPort=3128\r\n"), std::string::npos) << config;
  EXPECT_FALSE(rig.Find<QWidget>("frmOptions").isVisible());
}

TEST(OptionsDialogTest, FailedWriteShowsTheStopBoxAndTheDialogStaysOpen) {
  GuiRig rig;
  std::filesystem::remove_all(rig.ProgramFolder + "ini");
  ShownOptions first;
  ShownOptions second;
  rig.Watcher.Queue(FillAndPress(rig, first, "Button1"));
  rig.Watcher.Queue(FillAndPress(rig, second, "Button2"));
  rig.TriggerMenu("Options2");
  ASSERT_TRUE(
      WaitUntil([&] { return second.modal && QApplication::activeModalWidget() == nullptr; }));

  ASSERT_EQ(rig.Watcher.Boxes().size(), 1u);
  const SeenBox& error = rig.Watcher.Boxes().front();
  EXPECT_EQ(error.Title, "Kartovel");
  EXPECT_EQ(error.Icon, QMessageBox::Critical);
  EXPECT_EQ(error.Text.toStdString(),
            "Unable to write to " + rig.ProgramFolder + "ini/config.ini.");
  // The second showing of the answers found the same dialog still open, with the typing.
  EXPECT_EQ(second.server, "proxy.local");
  EXPECT_FALSE(std::filesystem::exists(rig.ProgramFolder + "ini"));
}

}  // namespace
}  // namespace kartovel::testing

namespace kartovel::testing {
namespace {

TEST(OptionsDialogTest, ThePasswordIsMaskedUnlessShown) {
  GuiRig rig;
  std::vector<QLineEdit::EchoMode> modes;
  rig.Watcher.Queue([&rig, &modes](QWidget& modal) {
    auto& password = rig.Find<QLineEdit>(modal, "EditProxyPassword");
    auto& show = rig.Find<QCheckBox>(modal, "CheckBoxShowPassword");
    for (int click = 0; click < 3; ++click) {
      modes.push_back(password.echoMode());
      show.click();
    }
    ClickLater(rig.Find<QPushButton>(modal, "Button2"));
    return true;
  });
  rig.TriggerMenu("Options2");
  ASSERT_TRUE(WaitUntil([&] { return modes.size() == 3; }));
  EXPECT_EQ(modes, (std::vector<QLineEdit::EchoMode>{QLineEdit::Password, QLineEdit::Normal,
                                                     QLineEdit::Password}));
}

}  // namespace
}  // namespace kartovel::testing
