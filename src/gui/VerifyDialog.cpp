// The verify dialog bound to its model.
#include "gui/VerifyDialog.h"

#include "app/HandlerGuard.h"
#include "gui/WidgetText.h"

namespace kartovel::gui {

namespace {
constexpr int kClientWidth = 703;
constexpr int kClientHeight = 453;
constexpr int kPanel1Height = 57;
}  // namespace

VerifyDialog::VerifyDialog(TfrmVerify& model, Platform& platform, QWidget* parent)
    : QDialog(parent),
      model_(model),
      platform_(platform),
      layout_(this),
      panel1_(this),
      panel1Layout_(&panel1_),
      button1_(QString::fromLatin1(TfrmVerify::Button1Caption), &panel1_),
      memo1_(this) {
  setObjectName("frmVerify");
  setWindowTitle(QString::fromLatin1(TfrmVerify::Caption));
  panel1_.setObjectName("Panel1");
  button1_.setObjectName("Button1");
  memo1_.setObjectName("Memo1");
  memo1_.setAccessibleName(tr("Summary"));
  panel1_.setFrameShape(QFrame::StyledPanel);
  panel1_.setFixedHeight(kPanel1Height);
  panel1Layout_.setContentsMargins(12, 0, 12, 0);
  panel1Layout_.addWidget(&button1_, 0, Qt::AlignLeft | Qt::AlignVCenter);
  button1_.setMinimumWidth(button1_.sizeHint().width() + 24);
  layout_.setContentsMargins(0, 0, 0, 0);
  layout_.setSpacing(0);
  layout_.addWidget(&panel1_);
  layout_.addWidget(&memo1_, 1);
  connect(&button1_, &QPushButton::clicked, this,
          [this] { RunHandler(platform_, [this] { model_.Button1Click(); }); });
  setFixedSize(kClientWidth, kClientHeight);
  model_.SetView(this);
}

VerifyDialog::~VerifyDialog() { model_.SetView(nullptr); }

void VerifyDialog::ShowModal() {
  RunHandler(platform_, [this] { model_.Show(); });
  CentreOnScreen(*this);
  exec();
}

void VerifyDialog::reject() {
  model_.Close();
  QDialog::reject();
}

void VerifyDialog::Memo1Changed() { memo1_.ReplaceLines(model_.Memo1); }

void VerifyDialog::RunningChanged() { button1_.setEnabled(!model_.Running); }

}  // namespace kartovel::gui
