// The map viewer: shows the tiles of a download task in place. Takes an optional path
// of a task file or tile list; without one it asks for a file at start.
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "MapViewerWindow.h"
#include "common/WindowArguments.h"

namespace {

const kartovel::WindowProgramUsage kUsage{
    "mapviewer", "Kartovel's map viewer: shows the tiles of a download task in place.", "FILE",
    "FILE is a task file (.qtsk) or its tile list (_list.txt); without it the viewer asks\n"
    "for one. Map tiles shown around the task are cached in $XDG_CACHE_HOME/kartovel/.\n"};

}  // namespace

int main(int argc, char* argv[]) {
  kartovel::WindowArguments arguments;
  if (const auto status = kartovel::AnswerWindowArguments(argc, argv, false, kUsage, arguments)) {
    return *status;
  }
  QApplication application(argc, argv);
  if (const auto status = kartovel::AnswerWindowArguments(argc, argv, true, kUsage, arguments)) {
    return *status;
  }
  QApplication::setApplicationName(QStringLiteral("Map Viewer"));
  kartovel::tools::MapViewerWindow window;
  window.show();
  if (!arguments.Operands.empty()) {
    window.OpenPath(QString::fromStdString(arguments.Operands.front()));
  } else {
    QTimer::singleShot(0, &window, [&window] { window.OpenWithDialog(); });
  }
  return QApplication::exec();
}
