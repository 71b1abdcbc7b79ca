// The map viewer's main window: a menu to open a task and change the view, the map
// canvas, and a status bar with the position under the mouse and the tile counts.
#pragma once

#include <QLabel>
#include <QMainWindow>

#include "mapcanvas/MapCanvas.h"
#include "mapcanvas/TaskTilesLayer.h"

namespace kartovel::tools {

class MapViewerWindow : public QMainWindow {
 public:
  MapViewerWindow();

  // Opens a task file or a tile list; shows a message box when it cannot.
  bool OpenPath(const QString& path);
  // Asks for a file with the open-file dialog and opens it.
  void OpenWithDialog();
  mapcanvas::MapCanvas& Canvas() { return *canvas_; }

 private:
  void BuildMenus();
  void FitToTiles();

  mapcanvas::TaskTilesLayer tiles_;
  mapcanvas::MapCanvas* canvas_;
  QLabel* pointerLabel_;
  QLabel* countsLabel_;
  QString lastFolder_;
};

}  // namespace kartovel::tools
