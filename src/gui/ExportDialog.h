// The MBTiles export dialog: one button that picks task files and the file to write,
// a progress bar for the export, and the pane that reports it. Shown modally.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Platform.h"
#include "app/UnitExport.h"
#include "gui/LogPane.h"

namespace kartovel::gui {

class ExportDialog : public QDialog, public TfrmExportView {
  Q_OBJECT

 public:
  ExportDialog(TfrmExport& model, Platform& platform, QWidget* parent);
  ~ExportDialog() override;

  void ShowModal();
  // Closing during an export abandons it; the file to write stays as it was.
  void reject() override;

  // TfrmExportView: the export holds the user-interface thread, so the pane and the bar
  // follow the model at once.
  void Memo1LinesAppended(std::size_t first) override;
  void Memo1Cleared() override;
  void ProgressChanged() override;

 private:
  TfrmExport& model_;
  Platform& platform_;
  QVBoxLayout layout_;
  QFrame panel1_;
  QHBoxLayout panel1Layout_;
  QPushButton button1_;
  QProgressBar progressBar1_;
  QLabel purpose_;
  LogPane memo1_;
};

}  // namespace kartovel::gui
