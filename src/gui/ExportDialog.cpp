// The MBTiles export dialog bound to its model.
#include "gui/ExportDialog.h"

#include <algorithm>
#include <limits>

namespace kartovel::gui {

namespace {
constexpr CommandDialog::Texts kTexts{
    "frmExport", TfrmExport::Caption, TfrmExport::Button1Caption,
    "Writes the tiles of one or more tasks into one MBTiles, PMTiles, GeoPackage or "
    "sqlitedb file.",
    "Report"};
}  // namespace

ExportDialog::ExportDialog(TfrmExport& model, Platform& platform, QWidget* parent)
    : CommandDialog(platform,
                    {[&model] { model.Show(); }, [&model] { model.Close(); },
                     [&model] { model.Button1Click(); }},
                    kTexts, parent),
      model_(model),
      progressBar1_(this) {
  progressBar1_.setObjectName("ProgressBar1");
  AddBesideButton(progressBar1_, Qt::AlignVCenter);
  model_.SetView(this);
  ProgressChanged();
}

ExportDialog::~ExportDialog() {
  model_.SetView(nullptr);
}

void ExportDialog::Memo1LinesAppended(std::size_t first) {
  Memo1().AppendNow(model_.Memo1, first);
}

void ExportDialog::Memo1Cleared() {
  Memo1().ReplaceLines(model_.Memo1);
}

void ExportDialog::ProgressChanged() {
  const ExportProgress& progress = model_.Progress;
  const int total =
      static_cast<int>(std::min<int64_t>(progress.Total, std::numeric_limits<int>::max()));
  progressBar1_.setRange(0, std::max(total, 1));
  progressBar1_.setValue(static_cast<int>(std::min<int64_t>(progress.Done, total)));
  progressBar1_.setFormat(progress.Total > 0 ? QString::number(progress.Done) + " of " +
                                                   QString::number(progress.Total)
                                             : QString());
  progressBar1_.setTextVisible(progress.Total > 0);
  Button1().setEnabled(!model_.Running);
}

}  // namespace kartovel::gui
