// The re-download dialog: one button that picks a failed-tile file and fetches its tiles
// again, and the pane that reports each of them. Shown modally.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
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

  // TfrmFltView: the pane follows the model at once, because the run holds the
  // user-interface thread and gives it only one pass of events after "Start...".
  void Memo1LinesAppended(std::size_t first) override;
  void Memo1Cleared() override;

 private:
  TfrmFlt& model_;
  Platform& platform_;
  QVBoxLayout layout_;
  QFrame panel1_;
  QHBoxLayout panel1Layout_;
  QPushButton button1_;
  QFrame panel2_;
  QVBoxLayout panel2Layout_;
  LogPane memo1_;
};

}  // namespace kartovel::gui
