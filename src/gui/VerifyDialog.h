// The verify dialog: one button that picks a task or a written file and checks it, and
// the pane with the summary. Shown modally; closing it during a check abandons the check.
#pragma once

#include "app/UnitVerify.h"
#include "common/Platform.h"
#include "gui/CommandDialog.h"

namespace kartovel::gui {

class VerifyDialog : public CommandDialog, public TfrmVerifyView {
  Q_OBJECT

 public:
  VerifyDialog(TfrmVerify& model, Platform& platform, QWidget* parent);
  ~VerifyDialog() override;

  void Memo1Changed() override;
  void RunningChanged() override;

 private:
  TfrmVerify& model_;
};

}  // namespace kartovel::gui
