// Creation of the program's windows and the menu commands that show the dialogs.
#include "gui/ProgramWindows.h"

#include "app/ChosenTileSource.h"
#include "app/HandlerGuard.h"
#include "app/UnitSelectArea.h"
#include "gui/LibraryVersions.h"
#include "gui/SelectAreaDialog.h"

namespace kartovel::gui {

ProgramWindows::ProgramWindows(Platform& platform, Clock& clock, HttpClientFactory makeClient,
                               std::string queueFile)
    : platform_(platform),
      makeClient_(makeClient),
      tileCacheFolder_(KartovelCacheFolder()),
      form1_(platform, clock, makeClient),
      mainWindow_(form1_, platform),
      frmAbout_([this] { return form1_.Caption; },
                [this] { return form1_.ChosenMapSource().Attribution; }, LibraryVersions()),
      aboutDialog_(frmAbout_, platform, &mainWindow_),
      frmConvert_(platform),
      convertDialog_(frmConvert_, platform, &mainWindow_),
      frmOptions_(platform),
      optionsDialog_(frmOptions_, platform, &mainWindow_),
      frmFlt_(platform, makeClient),
      redownloadDialog_(frmFlt_, platform, &mainWindow_),
      frmExport_(platform),
      exportDialog_(frmExport_, platform, &mainWindow_),
      frmVerify_(platform),
      verifyDialog_(frmVerify_, platform, &mainWindow_),
      frmQueue_(platform, clock, makeClient, std::move(queueFile)),
      queueWindow_(frmQueue_, platform, &mainWindow_),
      frmRefresh_(platform, clock, makeClient),
      refreshDialog_(frmRefresh_, platform, &mainWindow_) {
  QObject::connect(&mainWindow_, &MainWindow::aboutRequested, &aboutDialog_,
                   &AboutDialog::ShowModal);
  QObject::connect(&mainWindow_, &MainWindow::convertRequested, &convertDialog_,
                   &ConvertDialog::ShowNonModal);
  QObject::connect(&mainWindow_, &MainWindow::optionsRequested, &optionsDialog_,
                   &OptionsDialog::ShowModal);
  QObject::connect(&mainWindow_, &MainWindow::redownloadRequested, &redownloadDialog_,
                   &RedownloadDialog::ShowModal);
  QObject::connect(&mainWindow_, &MainWindow::selectAreaRequested, &mainWindow_,
                   [this] { SelectArea(); });
  frmExport_.SetFilesFolder([this] { return form1_.FilesFolder(); });
  QObject::connect(&mainWindow_, &MainWindow::exportRequested, &exportDialog_,
                   &ExportDialog::ShowModal);
  QObject::connect(&mainWindow_, &MainWindow::verifyRequested, &verifyDialog_,
                   &VerifyDialog::ShowModal);
  QObject::connect(&mainWindow_, &MainWindow::queueRequested, &queueWindow_,
                   &QueueWindow::ShowNonModal);
  QObject::connect(&mainWindow_, &MainWindow::addToQueueRequested, &mainWindow_, [this] {
    RunHandler(platform_, [this] {
      if (frmQueue_.AddRequestedJob(form1_.CurrentRequestedJob())) {
        queueWindow_.ShowNonModal();
      }
    });
  });
  QObject::connect(&mainWindow_, &MainWindow::refreshRequested, &refreshDialog_,
                   &RefreshDialog::ShowModal);
}

void ProgramWindows::SetTileCacheFolder(std::string folder) {
  tileCacheFolder_ = std::move(folder);
  tileCache_.reset();
}

std::shared_ptr<TileDiskCache> ProgramWindows::TileCache() {
  if (!tileCache_) {
    tileCache_ = std::make_shared<TileDiskCache>(tileCacheFolder_);
  }
  return tileCache_;
}

void ProgramWindows::SelectArea() {
  TfrmSelectArea model(form1_, ChosenTileSource(form1_), platform_.ProgramFolder());
  SelectAreaDialog dialog(model, platform_, TileCache(), makeClient_, &mainWindow_);
  if (dialog.ShowModal()) {
    mainWindow_.FieldsChanged();
  }
}

}  // namespace kartovel::gui
