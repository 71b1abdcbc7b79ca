// The MBTiles export dialog bound to its model.
#include "gui/ExportDialog.h"

#include <algorithm>
#include <limits>

#include "app/HandlerGuard.h"
#include "gui/WidgetText.h"

namespace kartovel::gui {

namespace {
constexpr int kClientWidth = 703;
constexpr int kClientHeight = 453;
constexpr int kPanel1Height = 57;
// The dialog's one line on what it does, under its button.
constexpr char kPurpose[] =
    "Writes the tiles of one or more download tasks into one MBTiles file, which map "
    "programs open as one map.";
}  // namespace

ExportDialog::ExportDialog(TfrmExport& model, Platform& platform, QWidget* parent)
    : QDialog(parent),
      model_(model),
      platform_(platform),
      layout_(this),
      panel1_(this),
      panel1Layout_(&panel1_),
      button1_(QString::fromLatin1(TfrmExport::Button1Caption), &panel1_),
      progressBar1_(&panel1_),
      purpose_(tr(kPurpose), this),
      memo1_(this) {
  setObjectName("frmExport");
  setWindowTitle(QString::fromLatin1(TfrmExport::Caption));
  panel1_.setObjectName("Panel1");
  button1_.setObjectName("Button1");
  progressBar1_.setObjectName("ProgressBar1");
  memo1_.setObjectName("Memo1");
  memo1_.setAccessibleName(tr("Report"));
  panel1_.setFrameShape(QFrame::StyledPanel);
  panel1_.setFixedHeight(kPanel1Height);
  panel1Layout_.setContentsMargins(12, 0, 12, 0);
  panel1Layout_.addWidget(&button1_, 0, Qt::AlignLeft | Qt::AlignVCenter);
  panel1Layout_.addWidget(&progressBar1_, 1, Qt::AlignVCenter);
  button1_.setMinimumWidth(button1_.sizeHint().width() + 24);
  layout_.setContentsMargins(0, 0, 0, 0);
  layout_.setSpacing(0);
  purpose_.setObjectName("Purpose");
  purpose_.setWordWrap(true);
  purpose_.setContentsMargins(12, 6, 12, 6);
  memo1_.WrapLongLines();
  layout_.addWidget(&panel1_);
  layout_.addWidget(&purpose_);
  layout_.addWidget(&memo1_, 1);
  connect(&button1_, &QPushButton::clicked, this,
          [this] { RunHandler(platform_, [this] { model_.Button1Click(); }); });
  setFixedSize(kClientWidth, kClientHeight);
  model_.SetView(this);
  ProgressChanged();
}

ExportDialog::~ExportDialog() {
  model_.SetView(nullptr);
}

void ExportDialog::ShowModal() {
  RunHandler(platform_, [this] { model_.Show(); });
  CentreOnScreen(*this);
  exec();
}

void ExportDialog::reject() {
  model_.Close();
  QDialog::reject();
}

void ExportDialog::Memo1LinesAppended(std::size_t first) {
  memo1_.AppendNow(model_.Memo1, first);
}

void ExportDialog::Memo1Cleared() {
  memo1_.ReplaceLines(model_.Memo1);
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
  button1_.setEnabled(!model_.Running);
}

}  // namespace kartovel::gui
