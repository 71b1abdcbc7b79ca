// The refresh dialog: the task file (typed or chosen), whether tiles older than some days
// are asked about too, the Refresh/Stop button with the counts so far, and the pane that
// reports each tile. Shown modally; the refresh goes on off the window's thread, and
// closing the dialog stops it.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/UnitRefresh.h"
#include "common/Platform.h"
#include "gui/LogPane.h"

namespace kartovel::gui {

class RefreshDialog : public QDialog, public TfrmRefreshView {
  Q_OBJECT

 public:
  RefreshDialog(TfrmRefresh& model, Platform& platform, QWidget* parent);
  ~RefreshDialog() override;

  void ShowModal();
  void reject() override;

  void Memo1LinesAppended(std::size_t first) override;
  void Memo1Cleared() override;
  void RunChanged() override;

 private:
  void CopyIntoModel();

  TfrmRefresh& model_;
  Platform& platform_;
  QVBoxLayout layout_;
  QWidget fieldsPanel_;
  QGridLayout fields_;
  QLabel taskLabel_;
  QLineEdit editTaskFile_;
  QPushButton buttonBrowse_;
  QCheckBox checkOlder_;
  QDoubleSpinBox spinDays_;
  QLabel purpose_;
  QWidget buttonRow_;
  QHBoxLayout buttonRowLayout_;
  QPushButton button1_;
  QLabel progress_;
  LogPane memo1_;
};

}  // namespace kartovel::gui
