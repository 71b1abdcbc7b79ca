// The re-download dialog: one button that picks a failed-tile file and fetches its tiles
// again, the record the run is on ("3 of 120"), and the pane that reports each of them.
// Shown modally; the run goes on off the window's thread, and closing the dialog stops it.
#pragma once

#include <QLabel>

#include "common/Platform.h"
#include "gui/CommandDialog.h"
#include "redownload/UnitFTL.h"

namespace kartovel::gui {

class RedownloadDialog : public CommandDialog, public TfrmFltView {
  Q_OBJECT

 public:
  RedownloadDialog(TfrmFlt& model, Platform& platform, QWidget* parent);
  ~RedownloadDialog() override;

  // TfrmFltView: the pane and the progress follow the model as its run hands them over.
  void Memo1LinesAppended(std::size_t first) override;
  void Memo1Cleared() override;
  void RunChanged() override;

 private:
  TfrmFlt& model_;
  QLabel progress_;
};

}  // namespace kartovel::gui
