// The about box bound to its model.
#include "gui/AboutDialog.h"

#include "app/HandlerGuard.h"
#include "gui/WidgetText.h"

namespace kartovel::gui {

AboutDialog::AboutDialog(TfrmAbout& model, Platform& platform, QWidget* parent)
    : QDialog(parent),
      model_(model),
      platform_(platform),
      layout_(this),
      label1_(this),
      button1_(QString::fromLatin1(TfrmAbout::Button1Caption), this) {
  setObjectName("frmAbout");
  setWindowTitle(QString::fromLatin1(TfrmAbout::Caption));
  label1_.setObjectName("Label1");
  label1_.setAlignment(Qt::AlignCenter);
  QFont captionFont = label1_.font();
  captionFont.setPointSizeF(captionFont.pointSizeF() * 1.4);
  captionFont.setBold(true);
  label1_.setFont(captionFont);
  button1_.setObjectName("Button1");
  button1_.setDefault(true);
  layout_.setContentsMargins(24, 24, 24, 16);
  layout_.setSpacing(18);
  layout_.addWidget(&label1_);
  layout_.addWidget(&button1_, 0, Qt::AlignHCenter);
  connect(&button1_, &QPushButton::clicked, this, [this] {
    RunHandler(platform_, [this] { model_.Button1Click(); });
    accept();
  });
  setFixedSize(300, 130);
}

void AboutDialog::ShowModal() {
  RunHandler(platform_, [this] { model_.Show(); });
  Pull();
  CentreOnScreen(*this);
  exec();
}

void AboutDialog::reject() {
  RunHandler(platform_, [this] { model_.Button1Click(); });
  QDialog::reject();
}

void AboutDialog::Pull() {
  label1_.setText(ToQt(model_.Label1));
}

}  // namespace kartovel::gui
