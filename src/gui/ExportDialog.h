// The MBTiles export dialog: one button that picks task files and the file to write,
// a progress bar for the export, and the pane that reports it. Shown modally; closing
// it during an export abandons the export, and the file to write stays as it was.
#pragma once

#include <QProgressBar>

#include "app/UnitExport.h"
#include "common/Platform.h"
#include "gui/CommandDialog.h"

namespace kartovel::gui {

class ExportDialog : public CommandDialog, public TfrmExportView {
  Q_OBJECT

 public:
  ExportDialog(TfrmExport& model, Platform& platform, QWidget* parent);
  ~ExportDialog() override;

  // TfrmExportView: the export holds the user-interface thread, so the pane and the bar
  // follow the model at once.
  void Memo1LinesAppended(std::size_t first) override;
  void Memo1Cleared() override;
  void ProgressChanged() override;

 private:
  TfrmExport& model_;
  QProgressBar progressBar1_;
};

}  // namespace kartovel::gui
