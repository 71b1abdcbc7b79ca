// Kartovel's entry: the application, its windows, and the message loop.
#include <QApplication>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Clock.h"
#include "common/Error.h"
#include "download/CurlGlobal.h"
#include "gui/ProgramWindows.h"
#include "gui/QtPlatform.h"

int main(int argc, char* argv[]) {
  // A peer that closes a kept-alive connection must not end the program.
  std::signal(SIGPIPE, SIG_IGN);
  QApplication application(argc, argv);
  // Qt takes over the user's locale for every category; numbers are parsed and written
  // by the program's own rules, so the C library keeps the "C" numeric locale.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName("Kartovel");
  kartovel::gui::QtPlatform platform;
  try {
    kartovel::CurlGlobal curl;
    // KARTOVEL_TIME_SCALE (for example 0.01) runs the program's pauses and its one-second
    // monitor faster, for black-box tests and benchmarks; real time without it.
    kartovel::ScaledClock clock(kartovel::ParseTimeScale(std::getenv("KARTOVEL_TIME_SCALE")));
    kartovel::gui::ProgramWindows windows(platform, clock);
    if (!windows.Main().ShowAtStart()) {
      return 1;
    }
    const int result = QApplication::exec();
    if (windows.Form1().RunActive()) {
      // Workers end with the program: nothing waits for them, and the run's files hold
      // what the last save wrote, each written whole.
      platform.StopHandOffs();
      std::fflush(nullptr);
      std::_Exit(result);
    }
    return result;
  } catch (const std::exception& error) {
    platform.ShowError(kartovel::ErrorDisplayText(error.what()));
    return 1;
  }
}
