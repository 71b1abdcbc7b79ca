// Every window of the program with its model, created at start in the program's order
// (main window, about box, converter, options, re-download, export, verify; all dialogs
// hidden) and wired to the main window's menu.
#pragma once

#include "app/Unit1.h"
#include "app/UnitAbout.h"
#include "app/UnitConvert.h"
#include "app/UnitExport.h"
#include "app/UnitOptions.h"
#include "app/UnitQueue.h"
#include "common/Clock.h"
#include "download/HttpClient.h"
#include "gui/AboutDialog.h"
#include "gui/ConvertDialog.h"
#include "gui/ExportDialog.h"
#include "gui/VerifyDialog.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/QtPlatform.h"
#include "gui/QueueWindow.h"
#include "gui/RedownloadDialog.h"
#include "gui/RefreshDialog.h"
#include "map/TileDiskCache.h"
#include "redownload/UnitFTL.h"

#include <memory>
#include <string>

namespace kartovel::gui {

class ProgramWindows {
 public:
  // platform and clock must outlive the windows.
  // queueFile: where the queue lives (the user's data folder unless given).
  ProgramWindows(Platform& platform, Clock& clock,
                 HttpClientFactory makeClient = CreateCurlHttpClient,
                 std::string queueFile = DefaultQueueFilePath());
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  TForm1& Form1() { return form1_; }
  MainWindow& Main() { return mainWindow_; }
  TfrmAbout& FrmAbout() { return frmAbout_; }
  AboutDialog& About() { return aboutDialog_; }
  TfrmConvert& FrmConvert() { return frmConvert_; }
  ConvertDialog& Convert() { return convertDialog_; }
  TfrmOptions& FrmOptions() { return frmOptions_; }
  OptionsDialog& Options() { return optionsDialog_; }
  TfrmFlt& FrmFlt() { return frmFlt_; }
  RedownloadDialog& Redownload() { return redownloadDialog_; }
  TfrmExport& FrmExport() { return frmExport_; }
  ExportDialog& Export() { return exportDialog_; }
  TfrmVerify& FrmVerify() { return frmVerify_; }
  VerifyDialog& Verify() { return verifyDialog_; }
  TfrmQueue& FrmQueue() { return frmQueue_; }
  QueueWindow& Queue() { return queueWindow_; }
  TfrmRefresh& FrmRefresh() { return frmRefresh_; }
  RefreshDialog& Refresh() { return refreshDialog_; }

  // The folder the map windows keep their tiles in (the user's cache folder unless set).
  void SetTileCacheFolder(std::string folder);
  // "Select on map ...": the area window of the chosen map source, made for this one
  // showing. The boxes show what its OK wrote.
  void SelectArea();

 private:
  std::shared_ptr<TileDiskCache> TileCache();

  Platform& platform_;
  HttpClientFactory makeClient_;
  std::string tileCacheFolder_;
  std::shared_ptr<TileDiskCache> tileCache_;  // made at the first map window
  // Declared in the order of creation; the dialogs are the main window's children, so
  // they are destroyed (in reverse order) before it.
  TForm1 form1_;
  MainWindow mainWindow_;
  TfrmAbout frmAbout_;
  AboutDialog aboutDialog_;
  TfrmConvert frmConvert_;
  ConvertDialog convertDialog_;
  TfrmOptions frmOptions_;
  OptionsDialog optionsDialog_;
  TfrmFlt frmFlt_;
  RedownloadDialog redownloadDialog_;
  TfrmExport frmExport_;
  ExportDialog exportDialog_;
  TfrmVerify frmVerify_;
  VerifyDialog verifyDialog_;
  TfrmQueue frmQueue_;
  QueueWindow queueWindow_;
  TfrmRefresh frmRefresh_;
  RefreshDialog refreshDialog_;
};

}  // namespace kartovel::gui
