// The GUI test program: a QApplication on the offscreen platform (unless the caller chose
// one), then every GoogleTest case of the folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>

int main(int argc, char* argv[]) {
  // Test discovery runs this program without the test's environment; without a display
  // the default platform plugin would abort it.
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform == nullptr || *platform == '\0') {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  std::signal(SIGPIPE, SIG_IGN);
  // The main window's estimate line keeps sampled tiles in the map windows' cache: the
  // tests' own folder, never the user's.
  QTemporaryDir cache;
  setenv("XDG_CACHE_HOME", cache.path().toLocal8Bit().constData(), 1);
  QApplication application(argc, argv);
  QApplication::setApplicationName("Kartovel");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
