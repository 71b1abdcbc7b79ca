// The MBTiles export dialog as a model: one command that picks task files and the file
// to write, the export with its progress, and a pane that reports it. The command line
// runs the same export with the files it was given.
//
// The export runs on the user-interface thread; after every batch of tiles it shows
// the progress and processes pending events once, so the window stays drawn and a
// Close during the export abandons it (the target file stays as it was).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/LineFile.h"
#include "common/Platform.h"
#include "common/StopFlag.h"
#include "export/TileExport.h"

namespace kartovel {

class TfrmExportView {
 public:
  virtual ~TfrmExportView() = default;
  // Memo1[first] up to its last line are new.
  virtual void Memo1LinesAppended(std::size_t /*first*/) {}
  virtual void Memo1Cleared() {}
  // Progress changed (a batch of tiles, the start or the end of an export).
  virtual void ProgressChanged() {}
};

class TfrmExport {
 public:
  static constexpr char Caption[] = "Export to MBTiles";
  static constexpr char Button1Caption[] = "Choose task files and export...";

  explicit TfrmExport(Platform& platform);

  // The view to notify; nullptr detaches. Not owned.
  void SetView(TfrmExportView* view) { view_ = view; }
  // Where the task chooser starts (the current task's folder); empty: the platform's choice.
  void SetFilesFolder(std::function<std::string()> filesFolder) {
    filesFolder_ = std::move(filesFolder);
  }

  Lines Memo1;              // the report pane
  ExportProgress Progress;  // of the running or the last export
  bool Visible = false;
  bool Running = false;
  // The last export failed while its file was written (rather than before it began).
  bool WriteFailed = false;

  void Show();
  // Closing during an export abandons it at its next batch.
  void Close();

  // Handlers. They may throw; the front end enters them through RunHandler.
  void FormShow();
  void Button1Click();

  // Exports the tasks into outFile, reporting in Memo1; empty when it was abandoned.
  std::optional<ExportCounts> Export(const std::vector<std::string>& taskFiles,
                                     const std::string& outFile);
  // Abandons the running export at its next tile.
  void RequestStop() { stop_.Request(); }
  // A stop request from outside the window's events (the command line's signals), looked
  // at before every tile; empty: none.
  void SetStopCheck(std::function<bool()> stopCheck) { stopCheck_ = std::move(stopCheck); }

 private:
  void SetRunning(bool running);
  bool OnBatch(const ExportProgress& progress);
  void AppendToMemo1(std::string line);
  void ClearMemo1();
  void NotifyProgress();

  Platform& platform_;
  TfrmExportView* view_ = nullptr;
  StopFlag stop_;  // renewed by each export
  std::function<bool()> stopCheck_;
  std::function<std::string()> filesFolder_;
};

}  // namespace kartovel
