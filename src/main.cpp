// Kartovel's entry: the application, its windows, and the message loop.
#include <QApplication>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/ProgramLayout.h"
#include "common/WindowArguments.h"
#include "download/CurlGlobal.h"
#include "gui/ProgramWindows.h"
#include "gui/QtPlatform.h"

namespace {

const kartovel::WindowProgramUsage kUsage{
    "kartovel", "Kartovel, the map-tile downloader: opens its main window.", "",
    "Settings: ini/config.ini and ini/sources.ini beside the program when that folder is\n"
    "writable; an installed program keeps them in $XDG_CONFIG_HOME/kartovel/\n"
    "(~/.config/kartovel/). The map windows' tile cache: $XDG_CACHE_HOME/kartovel/.\n"
    "See also kartovel-cli(1), mapviewer(1), combine(1).\n"};

}  // namespace

int main(int argc, char* argv[]) {
  // A peer that closes a kept-alive connection must not end the program.
  std::signal(SIGPIPE, SIG_IGN);
  kartovel::WindowArguments arguments;
  if (const auto status = kartovel::AnswerWindowArguments(argc, argv, false, kUsage, arguments)) {
    return *status;
  }
  QApplication application(argc, argv);
  if (const auto status = kartovel::AnswerWindowArguments(argc, argv, true, kUsage, arguments)) {
    return *status;
  }
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
    // Told once, before the main window: it then runs on the shipped settings.
    if (const std::string warning = kartovel::PrepareSettingsFolder(
            kartovel::ProgramFolder(), kartovel::UserEnvironmentOfProcess());
        !warning.empty()) {
      platform.ShowMessage(warning);
    }
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
