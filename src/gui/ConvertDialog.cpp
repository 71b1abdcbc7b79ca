// The converter bound to its model.
#include "gui/ConvertDialog.h"

#include "app/HandlerGuard.h"
#include "gui/WidgetText.h"

namespace kartovel::gui {

namespace {
constexpr int kClientWidth = 466;
constexpr int kClientHeight = 99;
// The window's one line on what it does, above its fields.
constexpr char kPurpose[] = "Turns an angle in degrees, minutes and seconds into decimal degrees.";
}  // namespace

ConvertDialog::ConvertDialog(TfrmConvert& model, Platform& platform, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      model_(model),
      platform_(platform),
      layout_(this),
      purpose_(tr(kPurpose), this),
      groupBox1_(this),
      inputLayout_(&groupBox1_),
      label1_(tr("Degrees, Minutes, Seconds:"), &groupBox1_),
      edit1_(&groupBox1_),
      edit2_(&groupBox1_),
      edit3_(&groupBox1_),
      button1_(tr("convert"), this),
      groupBox2_(this),
      resultLayout_(&groupBox2_),
      label2_(tr("Degrees:"), &groupBox2_),
      edit4_(&groupBox2_) {
  setObjectName("frmConvert");
  setWindowTitle(QString::fromLatin1(TfrmConvert::Caption));
  groupBox1_.setObjectName("GroupBox1");
  groupBox2_.setObjectName("GroupBox2");
  label1_.setObjectName("Label1");
  label2_.setObjectName("Label2");
  // The three fields share one label; each also says which part of the angle it holds.
  NameEdit(edit1_, "Edit1", label1_.text() + " degrees");
  NameEdit(edit2_, "Edit2", label1_.text() + " minutes");
  NameEdit(edit3_, "Edit3", label1_.text() + " seconds");
  NameEdit(edit4_, "Edit4", label2_.text());
  edit4_.setReadOnly(true);
  label1_.setBuddy(&edit1_);
  label2_.setBuddy(&edit4_);
  button1_.setObjectName("Button1");
  button1_.setDefault(true);

  inputLayout_.setContentsMargins(8, 2, 8, 4);
  inputLayout_.setVerticalSpacing(2);
  inputLayout_.addWidget(&label1_, 0, 0, 1, 3);
  inputLayout_.addWidget(&edit1_, 1, 0);
  inputLayout_.addWidget(&edit2_, 1, 1);
  inputLayout_.addWidget(&edit3_, 1, 2);
  resultLayout_.setContentsMargins(8, 2, 8, 4);
  resultLayout_.setSpacing(2);
  resultLayout_.addWidget(&label2_);
  resultLayout_.addWidget(&edit4_);
  purpose_.setObjectName("Purpose");
  // The fixed client area leaves room for one short line above the two frames.
  layout_.setContentsMargins(8, 4, 8, 6);
  layout_.setSpacing(2);
  layout_.addWidget(&purpose_);
  layout_.addLayout(&row_, 1);
  // Degrees and minutes are short; the result needs room for 15 significant digits.
  for (QLineEdit* input : {&edit1_, &edit2_, &edit3_}) {
    input->setFixedWidth(54);
  }
  row_.addWidget(&groupBox1_);
  row_.addWidget(&button1_, 0, Qt::AlignVCenter);
  row_.addWidget(&groupBox2_, 1);

  setTabOrder(&edit1_, &edit2_);
  setTabOrder(&edit2_, &edit3_);
  setTabOrder(&edit3_, &button1_);
  setTabOrder(&button1_, &edit4_);
  connect(&button1_, &QPushButton::clicked, this, &ConvertDialog::Convert);
  setFixedSize(kClientWidth, kClientHeight);
}

void ConvertDialog::ShowNonModal() {
  if (!isVisible()) {
    CentreOnScreen(*this);
  }
  show();
  raise();
  activateWindow();
}

void ConvertDialog::Convert() {
  model_.Edit1 = FromQt(edit1_.text());
  model_.Edit2 = FromQt(edit2_.text());
  model_.Edit3 = FromQt(edit3_.text());
  RunHandler(platform_, [this] { model_.Button1Click(); });
  edit4_.setText(ToQt(model_.Edit4));
  edit4_.setCursorPosition(0);
}

}  // namespace kartovel::gui
