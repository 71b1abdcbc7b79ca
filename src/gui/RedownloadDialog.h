// The re-download dialog: one button that picks a failed-tile file and fetches its tiles
// again, the record the run is on ("3 of 120"), and the pane that reports each of them.
// Shown modally; the run goes on off the window's thread, and closing the dialog stops it.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Platform.h"
#include "gui/LogPane.h"
#include "redownload/UnitFTL.h"

namespace kartovel::gui {

class RedownloadDialog : public QDialog, public TfrmFltView {
  Q_OBJECT

 public:
  RedownloadDialog(TfrmFlt& model, Platform& platform, QWidget* parent);
  ~RedownloadDialog() override;

  void ShowModal();
  void reject() override;

  // TfrmFltView: the pane and the progress follow the model as its run hands them over.
  void Memo1LinesAppended(std::size_t first) override;
  void Memo1Cleared() override;
  void RunChanged() override;

 private:
  TfrmFlt& model_;
  Platform& platform_;
  QVBoxLayout layout_;
  QFrame panel1_;
  QHBoxLayout panel1Layout_;
  QPushButton button1_;
  QLabel progress_;
  QFrame panel2_;
  QVBoxLayout panel2Layout_;
  QLabel purpose_;
  LogPane memo1_;
};

}  // namespace kartovel::gui
