// The about box bound to its model.
#include "gui/AboutDialog.h"

#include <utility>

#include "app/HandlerGuard.h"
#include "gui/WidgetText.h"

namespace kartovel::gui {

namespace {
constexpr int kBoxWidth = 420;
}  // namespace

AboutDialog::AboutDialog(TfrmAbout& model, Platform& platform, QWidget* parent)
    : QDialog(parent),
      model_(model),
      platform_(platform),
      layout_(this),
      label1_(this),
      labelLicence_(this),
      labelLibraries_(this),
      labelAttribution_(this),
      button1_(QString::fromLatin1(TfrmAbout::Button1Caption), this) {
  setObjectName("frmAbout");
  setWindowTitle(QString::fromLatin1(TfrmAbout::Caption));
  label1_.setObjectName("Label1");
  label1_.setAlignment(Qt::AlignCenter);
  QFont captionFont = label1_.font();
  captionFont.setPointSizeF(captionFont.pointSizeF() * 1.4);
  captionFont.setBold(true);
  label1_.setFont(captionFont);
  const std::pair<QLabel*, const char*> lines[] = {{&labelLicence_, "LabelLicence"},
                                                   {&labelLibraries_, "LabelLibraries"},
                                                   {&labelAttribution_, "LabelAttribution"}};
  for (const auto& [label, name] : lines) {
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  button1_.setObjectName("Button1");
  button1_.setDefault(true);
  layout_.setContentsMargins(24, 24, 24, 16);
  layout_.setSpacing(10);
  layout_.addWidget(&label1_);
  layout_.addWidget(&labelLicence_);
  layout_.addWidget(&labelLibraries_);
  layout_.addWidget(&labelAttribution_);
  layout_.addSpacing(8);
  layout_.addWidget(&button1_, 0, Qt::AlignHCenter);
  connect(&button1_, &QPushButton::clicked, this, [this] {
    RunHandler(platform_, [this] { model_.Button1Click(); });
    accept();
  });
  setFixedWidth(kBoxWidth);
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
  labelLicence_.setText(ToQt(model_.LabelLicence));
  labelLibraries_.setText(ToQt(model_.LabelLibraries));
  labelAttribution_.setText(ToQt(model_.LabelAttribution));
  // The credit differs with the source: the box takes the height its lines need.
  setFixedHeight(layout_.totalHeightForWidth(kBoxWidth));
}

}  // namespace kartovel::gui
