// The window of an installed program, run by the install check (tests/install) against a
// prefix it installed and made read-only, with a fresh home: Options OK and the window's
// place land in the user's config folder, nothing in the prefix. Skipped in the plain suite.
#include <QCloseEvent>
#include <QPushButton>
#include <cstdlib>

#include "common/FileSystem.h"
#include "common/ProgramLayout.h"
#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

TEST(InstalledProgramWindow, OptionsOkAndTheWindowsPlaceGoToTheUsersConfigFolder) {
  const char* bin = std::getenv("KARTOVEL_INSTALLED_BIN");
  if (bin == nullptr) {
    GTEST_SKIP() << "run by the install check with KARTOVEL_INSTALLED_BIN set";
  }
  const UserEnvironment environment = UserEnvironmentOfProcess();
  ASSERT_EQ(PrepareSettingsFolder(bin, environment), "");
  const std::string config = UserConfigFolder(environment) + "config.ini";
  const std::string typedPath = environment.Home + "/chosen maps";

  gui::QtPlatform platform(bin);
  ScaledClock clock(0.01);
  ModalWatcher watcher;
  bool pressed = false;
  watcher.Queue([&](QWidget& modal) {
    if (modal.objectName() != "frmOptions") {
      return false;
    }
    auto* path = modal.findChild<QLineEdit*>(QStringLiteral("Edit12"));
    auto* ok = modal.findChild<QPushButton*>(QStringLiteral("Button1"));
    if (path == nullptr || ok == nullptr) {
      ADD_FAILURE() << "no Edit12 or Button1 in the options dialog";
      return false;
    }
    path->setText(QString::fromStdString(typedPath));
    QTimer::singleShot(0, ok, [ok] { ok->click(); });
    pressed = true;
    return true;
  });
  {
    gui::ProgramWindows windows(platform, clock);
    ASSERT_TRUE(windows.Main().ShowAtStart());
    EXPECT_EQ(windows.Form1().ConfigFilePath, config);
    // "User manual" opens the installed one, not a file beside the executable.
    EXPECT_EQ(windows.Form1().HelpFilePath, ResourceFolder(bin) + "help/help.html");
    EXPECT_TRUE(FileExists(windows.Form1().HelpFilePath));
    auto* options = windows.Main().findChild<QAction*>(QStringLiteral("Options2"));
    ASSERT_NE(options, nullptr);
    QTimer::singleShot(0, options, [options] { options->trigger(); });
    ASSERT_TRUE(WaitUntil([&] { return pressed && QApplication::activeModalWidget() == nullptr; }));
    windows.Main().close();
  }
  EXPECT_TRUE(watcher.Boxes().empty()) << watcher.Boxes().front().Text.toStdString();
  const std::string written = Sandbox::ReadAll(config);
  EXPECT_NE(written.find("DefaultPath=" + typedPath + "\r\n"), std::string::npos) << written;
  EXPECT_NE(written.find("[Window]\r\n"), std::string::npos) << written;
}

}  // namespace
}  // namespace kartovel::testing
