// The verify dialog bound to its model.
#include "gui/VerifyDialog.h"

namespace kartovel::gui {

namespace {
constexpr CommandDialog::Texts kTexts{
    "frmVerify", TfrmVerify::Caption, TfrmVerify::Button1Caption,
    "Checks that a task's tiles, or a written mosaic or export file, are whole, and sums up "
    "per zoom what is not.",
    "Summary"};
}  // namespace

VerifyDialog::VerifyDialog(TfrmVerify& model, Platform& platform, QWidget* parent)
    : CommandDialog(platform,
                    {[&model] { model.Show(); }, [&model] { model.Close(); },
                     [&model] { model.Button1Click(); }},
                    kTexts, parent),
      model_(model) {
  model_.SetView(this);
}

VerifyDialog::~VerifyDialog() { model_.SetView(nullptr); }

void VerifyDialog::Memo1Changed() { Memo1().ReplaceLines(model_.Memo1); }

void VerifyDialog::RunningChanged() { Button1().setEnabled(!model_.Running); }

}  // namespace kartovel::gui
