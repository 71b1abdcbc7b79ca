// The re-download dialog bound to its model.
#include "gui/RedownloadDialog.h"

namespace kartovel::gui {

namespace {
constexpr CommandDialog::Texts kTexts{
    "frmFlt", TfrmFlt::Caption, TfrmFlt::Button1Caption,
    "Fetches again the tiles a failed-tile file (*_failed.ftl) lists, into the files "
    "recorded for them.",
    "Report"};
}  // namespace

RedownloadDialog::RedownloadDialog(TfrmFlt& model, Platform& platform, QWidget* parent)
    : CommandDialog(platform,
                    {[&model] { model.Show(); }, [&model] { model.Close(); },
                     [&model] { model.Button1Click(); }},
                    kTexts, parent),
      model_(model),
      progress_(this) {
  progress_.setObjectName("Progress");
  progress_.setAccessibleName(tr("Record"));
  AddBesideButton(progress_, Qt::AlignLeft | Qt::AlignVCenter);
  Memo1().ReplaceLines(model_.Memo1);
  model_.SetView(this);
  RunChanged();
}

RedownloadDialog::~RedownloadDialog() {
  model_.SetView(nullptr);
}

void RedownloadDialog::Memo1LinesAppended(std::size_t first) {
  Memo1().AppendNow(model_.Memo1, first);
}

void RedownloadDialog::Memo1Cleared() {
  Memo1().ReplaceLines(model_.Memo1);
}

void RedownloadDialog::RunChanged() {
  progress_.setText(QString::fromStdString(model_.ProgressText));
  Button1().setEnabled(!model_.Running());
}

}  // namespace kartovel::gui
