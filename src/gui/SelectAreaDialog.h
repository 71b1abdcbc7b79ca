// The area window bound to its model: the chosen map source's live tiles with the tiles
// the main window's task already has tinted, the drawn rectangle, its coordinates, tile
// count, download time, size and the free space shown as it changes (the size from a few
// tiles fetched off the window's thread when the source states none), a status line when
// the tile cache is off for the run (the map still shows, each tile from the service),
// and OK and Cancel.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>
#include <string>

#include "app/UnitSelectArea.h"
#include "common/Platform.h"
#include "download/HttpClient.h"
#include "gui/AreaTool.h"
#include "gui/PolygonTool.h"
#include "map/BackgroundTileSizes.h"
#include "map/TileDiskCache.h"
#include "mapcanvas/MapCanvas.h"
#include "mapcanvas/TaskTintLayer.h"
#include "mapcanvas/WebTilesLayer.h"

namespace kartovel::gui {

class SelectAreaDialog : public QDialog {
  Q_OBJECT

 public:
  SelectAreaDialog(TfrmSelectArea& model, Platform& platform, std::shared_ptr<TileDiskCache> cache,
                   HttpClientFactory makeClient, QWidget* parent = nullptr);
  ~SelectAreaDialog() override;

  // Runs FormShow, opens on the model's area or the whole world, and shows the window
  // modally. True when it was closed with OK (the boxes were written).
  bool ShowModal();
  // The same without the modal loop, for tests and screenshots.
  void Open();

  mapcanvas::MapCanvas& Canvas() { return canvas_; }
  AreaTool& Tool() { return tool_; }
  PolygonTool& Polygon() { return polygonTool_; }
  mapcanvas::WebTilesLayer& Tiles() { return *tiles_; }

 protected:
  void showEvent(QShowEvent* event) override;
  // Backspace and Enter on the map go to the polygon tool while it is on.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Prepare();
  void NameControls();
  void BuildLayout();
  void ShowTint();
  void ShowCacheState();
  void ShowFields();
  void AreaChanged(const GeoArea& area);
  void TileSizesArrived();
  void ShowCost();
  void Accept();

  TfrmSelectArea& model_;
  Platform& platform_;

  QVBoxLayout layout_;
  mapcanvas::MapCanvas canvas_;
  QGridLayout fields_;
  QLabel labelLeft_;
  QLabel valueLeft_;
  QLabel labelRight_;
  QLabel valueRight_;
  QLabel labelTop_;
  QLabel valueTop_;
  QLabel labelBottom_;
  QLabel valueBottom_;
  QLabel labelEstimate_;
  QLabel labelCost_;
  QLabel labelTint_;
  QLabel labelCache_;
  QHBoxLayout buttons_;
  QPushButton buttonDraw_;
  QPushButton buttonPolygon_;
  QLabel labelHint_;
  QPushButton buttonOK_;
  QPushButton buttonCancel_;

  bool fitPending_ = false;
  AreaTool tool_;
  PolygonTool polygonTool_;
  mapcanvas::TaskTintLayer tint_;
  std::shared_ptr<TileDiskCache> cache_;  // may be none: no cache at all
  std::unique_ptr<mapcanvas::WebTilesLayer> tiles_;  // stops its fetch before the canvas goes
  std::unique_ptr<BackgroundTileSizes> sizes_;  // the estimate's sampled tiles
  QTimer weighTimer_;  // the area has stayed still: its sample tiles are asked for
};

}  // namespace kartovel::gui
