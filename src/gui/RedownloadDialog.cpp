// The re-download dialog bound to its model.
#include "gui/RedownloadDialog.h"

#include "app/HandlerGuard.h"
#include "gui/WidgetText.h"

namespace kartovel::gui {

namespace {
constexpr int kClientWidth = 703;
constexpr int kClientHeight = 453;
constexpr int kPanel1Height = 57;
// The dialog's one line on what it does, under its button.
constexpr char kPurpose[] =
    "Fetches again the tiles a failed-tile file (*_failed.ftl) lists, each into the "
    "file recorded for it, and reports each here.";
}  // namespace

RedownloadDialog::RedownloadDialog(TfrmFlt& model, Platform& platform, QWidget* parent)
    : QDialog(parent),
      model_(model),
      platform_(platform),
      layout_(this),
      panel1_(this),
      panel1Layout_(&panel1_),
      button1_(QString::fromLatin1(TfrmFlt::Button1Caption), &panel1_),
      progress_(&panel1_),
      panel2_(this),
      panel2Layout_(&panel2_),
      purpose_(tr(kPurpose), &panel2_),
      memo1_(&panel2_) {
  setObjectName("frmFlt");
  setWindowTitle(QString::fromLatin1(TfrmFlt::Caption));
  panel1_.setObjectName("Panel1");
  panel2_.setObjectName("Panel2");
  button1_.setObjectName("Button1");
  progress_.setObjectName("Progress");
  progress_.setAccessibleName(tr("Record"));
  memo1_.setObjectName("Memo1");
  memo1_.setAccessibleName(tr("Report"));
  panel1_.setFrameShape(QFrame::StyledPanel);
  panel1_.setFixedHeight(kPanel1Height);
  panel1Layout_.setContentsMargins(12, 0, 12, 0);
  panel1Layout_.addWidget(&button1_, 0, Qt::AlignLeft | Qt::AlignVCenter);
  panel1Layout_.addSpacing(16);
  panel1Layout_.addWidget(&progress_, 1, Qt::AlignLeft | Qt::AlignVCenter);
  button1_.setMinimumWidth(button1_.sizeHint().width() + 24);
  purpose_.setObjectName("Purpose");
  purpose_.setWordWrap(true);
  purpose_.setContentsMargins(12, 6, 12, 6);
  memo1_.WrapLongLines();
  panel2Layout_.setContentsMargins(0, 0, 0, 0);
  panel2Layout_.setSpacing(0);
  panel2Layout_.addWidget(&purpose_);
  panel2Layout_.addWidget(&memo1_, 1);
  layout_.setContentsMargins(0, 0, 0, 0);
  layout_.setSpacing(0);
  layout_.addWidget(&panel1_);
  layout_.addWidget(&panel2_, 1);
  connect(&button1_, &QPushButton::clicked, this,
          [this] { RunHandler(platform_, [this] { model_.Button1Click(); }); });
  setFixedSize(kClientWidth, kClientHeight);
  memo1_.ReplaceLines(model_.Memo1);
  model_.SetView(this);
  RunChanged();
}

RedownloadDialog::~RedownloadDialog() {
  model_.SetView(nullptr);
}

void RedownloadDialog::ShowModal() {
  RunHandler(platform_, [this] { model_.Show(); });
  CentreOnScreen(*this);
  exec();
}

void RedownloadDialog::reject() {
  model_.Close();
  QDialog::reject();
}

void RedownloadDialog::Memo1LinesAppended(std::size_t first) {
  memo1_.AppendNow(model_.Memo1, first);
}

void RedownloadDialog::Memo1Cleared() {
  memo1_.ReplaceLines(model_.Memo1);
}

void RedownloadDialog::RunChanged() {
  progress_.setText(QString::fromStdString(model_.ProgressText));
  button1_.setEnabled(!model_.Running());
}

}  // namespace kartovel::gui
