// The viewer window's menus, opening of tasks and status bar.
#include "MapViewerWindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

#include <optional>

#include "common/Error.h"
#include "common/ErrorText.h"
#include "common/FileSystem.h"
#include "common/Paths.h"
#include "engine/ConfigFile.h"

namespace kartovel::tools {
namespace {

const QString kTitle = QStringLiteral("Map Viewer");
constexpr double kMenuZoomFactor = 1.5;

// The tile counts with a square of each status's colour: the map's legend.
QString CountsText(const ViewerTask& task) {
  auto entry = [](TileStatus status, int64_t count, const QString& word) {
    return QStringLiteral("<span style=\"color:%1\">&#9632;</span> %2 %3")
        .arg(mapcanvas::TaskTilesLayer::StatusColour(status).name())
        .arg(count)
        .arg(word);
  };
  return MapViewerWindow::tr("%1 tiles: ").arg(task.tiles.size()) +
         entry(TileStatus::Present, task.counts.present, MapViewerWindow::tr("present")) +
         QStringLiteral("&nbsp;&nbsp;") +
         entry(TileStatus::Missing, task.counts.missing, MapViewerWindow::tr("missing")) +
         QStringLiteral("&nbsp;&nbsp;") +
         entry(TileStatus::Blank, task.counts.blank, MapViewerWindow::tr("blank"));
}

}  // namespace

MapViewerWindow::MapViewerWindow()
    : canvas_(new mapcanvas::MapCanvas(this)),
      pointerLabel_(new QLabel(this)),
      countsLabel_(new QLabel(this)),
      lastFolder_(QString::fromStdString(config::DefaultSaveFolder(
          IncludeTrailingSeparator(QCoreApplication::applicationDirPath().toStdString())))) {
  setWindowTitle(kTitle);
  setCentralWidget(canvas_);
  statusBar()->addWidget(pointerLabel_, 1);
  countsLabel_->setTextFormat(Qt::RichText);
  statusBar()->addPermanentWidget(countsLabel_);
  canvas_->AddLayer(tiles_);
  canvas_->onPointerMoved = [this](std::optional<QPoint> position) {
    pointerLabel_->setText(position ? tiles_.PointerText(canvas_->View(), *position) : QString());
  };
  BuildMenus();
  resize(960, 720);
}

void MapViewerWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  QAction* open = file->addAction(tr("&Open..."));
  open->setShortcut(QKeySequence::Open);
  connect(open, &QAction::triggered, this, [this] { OpenWithDialog(); });
  file->addSeparator();
  QAction* exit = file->addAction(tr("E&xit"));
  exit->setShortcut(QKeySequence::Quit);
  connect(exit, &QAction::triggered, this, [this] { close(); });

  QMenu* view = menuBar()->addMenu(tr("&View"));
  QAction* zoomIn = view->addAction(tr("Zoom &in"));
  zoomIn->setShortcut(QKeySequence::ZoomIn);
  connect(zoomIn, &QAction::triggered, this, [this] { canvas_->ZoomBy(kMenuZoomFactor); });
  QAction* zoomOut = view->addAction(tr("Zoom &out"));
  zoomOut->setShortcut(QKeySequence::ZoomOut);
  connect(zoomOut, &QAction::triggered, this, [this] { canvas_->ZoomBy(1 / kMenuZoomFactor); });
  QAction* fit = view->addAction(tr("&Fit to window"));
  fit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
  connect(fit, &QAction::triggered, this, [this] { FitToTiles(); });
}

void MapViewerWindow::FitToTiles() {
  if (tiles_.HasTask()) {
    canvas_->FitTo(tiles_.Extent());
  }
  canvas_->update();
}

void MapViewerWindow::OpenWithDialog() {
  QString path = QFileDialog::getOpenFileName(
      this, tr("Open a download task"), lastFolder_,
      tr("Download tasks (*.qtsk);;Tile lists (*_list.txt);;All files (*)"));
  if (!path.isEmpty()) {
    OpenPath(path);
  }
}

bool MapViewerWindow::OpenPath(const QString& path) {
  std::string fileName = path.toStdString();
  std::optional<ViewerTask> task;
  QString failure;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    task = LoadViewerTask(fileName, ProgramFolder());
  } catch (...) {
    failure = QString::fromStdString(ErrorDisplayText(CurrentErrorText()));
  }
  QApplication::restoreOverrideCursor();
  if (!task) {
    QMessageBox::critical(this, kTitle, failure);
    return false;
  }
  lastFolder_ = QString::fromStdString(ExtractFilePath(fileName));
  countsLabel_->setText(CountsText(*task));
  setWindowTitle(QString::fromStdString(ExtractFileName(fileName)) + " - " + kTitle);
  tiles_.SetTask(std::move(*task));
  FitToTiles();
  return true;
}

}  // namespace kartovel::tools
