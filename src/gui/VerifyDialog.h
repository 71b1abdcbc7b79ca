// The verify dialog: one button that picks a task or a written file and checks it, and
// the pane with the summary. Shown modally.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/UnitVerify.h"
#include "common/Platform.h"
#include "gui/LogPane.h"

namespace kartovel::gui {

class VerifyDialog : public QDialog, public TfrmVerifyView {
  Q_OBJECT

 public:
  VerifyDialog(TfrmVerify& model, Platform& platform, QWidget* parent);
  ~VerifyDialog() override;

  void ShowModal();
  // Closing during a check abandons it.
  void reject() override;

  void Memo1Changed() override;
  void RunningChanged() override;

 private:
  TfrmVerify& model_;
  Platform& platform_;
  QVBoxLayout layout_;
  QFrame panel1_;
  QHBoxLayout panel1Layout_;
  QPushButton button1_;
  LogPane memo1_;
};

}  // namespace kartovel::gui
