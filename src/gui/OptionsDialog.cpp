// The options dialog bound to its model.
#include "gui/OptionsDialog.h"

#include <functional>

#include "app/HandlerGuard.h"
#include "gui/WidgetText.h"

namespace kartovel::gui {

OptionsDialog::OptionsDialog(TfrmOptions& model, Platform& platform, QWidget* parent)
    : QDialog(parent),
      model_(model),
      platform_(platform),
      layout_(this),
      label12_(tr("Default path to save :"), this),
      edit12_(this),
      button3_(tr("..."), this),
      checkBoxUseProxy_(tr("Use proxy server"), this),
      labelProxyServer_(tr("Proxy Server Name (IP)"), this),
      editProxyServer_(this),
      labelProxyPort_(tr("Proxy Port"), this),
      editProxyPort_(this),
      labelProxyUsername_(tr("Proxy Username"), this),
      editProxyUsername_(this),
      labelProxyPassword_(tr("Proxy Password"), this),
      editProxyPassword_(this),
      checkBoxShowPassword_(tr("Show"), this),
      purpose_(tr("Where new tasks are saved, and the proxy the downloads go through."), this),
      labelAskAboveTiles_(tr("Ask before more tiles than"), this),
      editAskAboveTiles_(this),
      checkBoxAskAboveFreeSpace_(tr("Ask before a download larger than the free space"), this),
      button1_(tr("OK"), this),
      button2_(tr("Cancel"), this) {
  setObjectName("frmOptions");
  setWindowTitle(QString::fromLatin1(TfrmOptions::Caption));
  NameEdit(edit12_, "Edit12", label12_.text());
  NameEdit(editProxyServer_, "EditProxyServer", labelProxyServer_.text());
  NameEdit(editProxyPort_, "EditProxyPort", labelProxyPort_.text());
  NameEdit(editProxyUsername_, "EditProxyUsername", labelProxyUsername_.text());
  NameEdit(editProxyPassword_, "EditProxyPassword", labelProxyPassword_.text());
  label12_.setBuddy(&edit12_);
  labelProxyServer_.setBuddy(&editProxyServer_);
  labelProxyPort_.setBuddy(&editProxyPort_);
  labelProxyUsername_.setBuddy(&editProxyUsername_);
  labelProxyPassword_.setBuddy(&editProxyPassword_);
  NameEdit(editAskAboveTiles_, "EditAskAboveTiles", labelAskAboveTiles_.text());
  labelAskAboveTiles_.setBuddy(&editAskAboveTiles_);
  checkBoxAskAboveFreeSpace_.setObjectName("CheckBoxAskAboveFreeSpace");
  button3_.setObjectName("Button3");
  button3_.setToolTip(tr("Click to select path"));
  button3_.setAccessibleName(tr("Select default path"));
  button3_.setFixedWidth(32);
  checkBoxUseProxy_.setObjectName("CheckBoxUseProxy");
  button1_.setObjectName("Button1");
  button2_.setObjectName("Button2");
  button1_.setDefault(true);
  // The password is not shown to whoever looks at the screen, unless asked for.
  editProxyPassword_.setEchoMode(QLineEdit::Password);
  checkBoxShowPassword_.setObjectName("CheckBoxShowPassword");
  checkBoxShowPassword_.setAccessibleName(tr("Show the proxy password"));
  connect(&checkBoxShowPassword_, &QCheckBox::toggled, this, [this](bool shown) {
    editProxyPassword_.setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
  });
  purpose_.setObjectName("Purpose");
  purpose_.setWordWrap(true);

  layout_.setContentsMargins(12, 12, 12, 12);
  layout_.setVerticalSpacing(8);
  layout_.addWidget(&purpose_, 0, 0, 1, 3);
  layout_.addWidget(&label12_, 1, 0, 1, 3);
  layout_.addWidget(&edit12_, 2, 0, 1, 2);
  layout_.addWidget(&button3_, 2, 2);
  layout_.addWidget(&checkBoxUseProxy_, 3, 0, 1, 3);
  layout_.addWidget(&labelProxyServer_, 4, 0);
  layout_.addWidget(&editProxyServer_, 4, 1, 1, 2);
  layout_.addWidget(&labelProxyPort_, 5, 0);
  layout_.addWidget(&editProxyPort_, 5, 1, 1, 2);
  layout_.addWidget(&labelProxyUsername_, 6, 0);
  layout_.addWidget(&editProxyUsername_, 6, 1, 1, 2);
  layout_.addWidget(&labelProxyPassword_, 7, 0);
  layout_.addWidget(&editProxyPassword_, 7, 1);
  layout_.addWidget(&checkBoxShowPassword_, 7, 2);
  layout_.addWidget(&labelAskAboveTiles_, 8, 0);
  layout_.addWidget(&editAskAboveTiles_, 8, 1, 1, 2);
  layout_.addWidget(&checkBoxAskAboveFreeSpace_, 9, 0, 1, 3);
  layout_.setRowMinimumHeight(10, 8);
  buttonRow_.addStretch();
  buttonRow_.addWidget(&button1_);
  buttonRow_.addWidget(&button2_);
  layout_.addLayout(&buttonRow_, 11, 0, 1, 3);
  layout_.setColumnStretch(1, 1);

  connect(&button3_, &QPushButton::clicked, this,
          [this] { RunModelHandler(&TfrmOptions::Button3Click); });
  connect(&button1_, &QPushButton::clicked, this,
          [this] { RunModelHandler(&TfrmOptions::Button1Click); });
  connect(&button2_, &QPushButton::clicked, this,
          [this] { RunModelHandler(&TfrmOptions::Button2Click); });
  setFixedSize(420, heightForWidth(420) > 0 ? heightForWidth(420) : sizeHint().height());
}

void OptionsDialog::ShowModal() {
  checkBoxShowPassword_.setChecked(false);
  RunHandler(platform_, [this] { model_.Show(); });
  Pull();
  if (model_.Visible) {
    exec();
  }
}

void OptionsDialog::reject() {
  model_.Close();
  QDialog::reject();
}

void OptionsDialog::Push() {
  model_.Edit12 = FromQt(edit12_.text());
  model_.CheckBoxUseProxy = checkBoxUseProxy_.isChecked();
  model_.EditProxyServer = FromQt(editProxyServer_.text());
  model_.EditProxyPort = FromQt(editProxyPort_.text());
  model_.EditProxyUsername = FromQt(editProxyUsername_.text());
  model_.EditProxyPassword = FromQt(editProxyPassword_.text());
  model_.EditAskAboveTiles = FromQt(editAskAboveTiles_.text());
  model_.CheckBoxAskAboveFreeSpace = checkBoxAskAboveFreeSpace_.isChecked();
}

void OptionsDialog::Pull() {
  edit12_.setText(ToQt(model_.Edit12));
  checkBoxUseProxy_.setChecked(model_.CheckBoxUseProxy);
  editProxyServer_.setText(ToQt(model_.EditProxyServer));
  editProxyPort_.setText(ToQt(model_.EditProxyPort));
  editProxyUsername_.setText(ToQt(model_.EditProxyUsername));
  editProxyPassword_.setText(ToQt(model_.EditProxyPassword));
  editAskAboveTiles_.setText(ToQt(model_.EditAskAboveTiles));
  checkBoxAskAboveFreeSpace_.setChecked(model_.CheckBoxAskAboveFreeSpace);
}

void OptionsDialog::RunModelHandler(void (TfrmOptions::*handler)()) {
  Push();
  RunHandler(platform_, [&model = model_, handler] { std::invoke(handler, model); });
  Pull();
  if (!model_.Visible) {
    done(QDialog::Rejected);
  }
}

}  // namespace kartovel::gui
