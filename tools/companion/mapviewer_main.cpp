// The map viewer: shows the tiles of a download task in place. Takes an optional path
// of a task file or tile list; without one it asks for a file at start.
#include <QApplication>
#include <QTimer>

#include "MapViewerWindow.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Map Viewer"));
  kartovel::tools::MapViewerWindow window;
  window.show();
  QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) {
    window.OpenPath(arguments.at(1));
  } else {
    QTimer::singleShot(0, &window, [&window] { window.OpenWithDialog(); });
  }
  return QApplication::exec();
}
