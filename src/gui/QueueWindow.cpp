// The queue window bound to its model.
#include "gui/QueueWindow.h"

#include "app/HandlerGuard.h"
#include "gui/WidgetText.h"

namespace kartovel::gui {

namespace {
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 320;
}  // namespace

QueueWindow::QueueWindow(TfrmQueue& model, Platform& platform, QWidget* parent)
    : QDialog(parent),
      model_(model),
      platform_(platform),
      layout_(this),
      buttonRun_(QString::fromLatin1(TfrmQueue::RunCaption)),
      buttonUp_(QString::fromLatin1(TfrmQueue::ButtonUpCaption)),
      buttonDown_(QString::fromLatin1(TfrmQueue::ButtonDownCaption)),
      buttonPause_(QString::fromLatin1(TfrmQueue::ButtonPauseCaption)),
      buttonRemove_(QString::fromLatin1(TfrmQueue::ButtonRemoveCaption)) {
  setObjectName("frmQueue");
  setWindowTitle(QString::fromLatin1(TfrmQueue::Caption));
  listBox1_.setObjectName("ListBox1");
  listBox1_.setAccessibleName(tr("Jobs"));
  buttonRun_.setObjectName("ButtonRun");
  buttonUp_.setObjectName("ButtonUp");
  buttonDown_.setObjectName("ButtonDown");
  buttonPause_.setObjectName("ButtonPause");
  buttonPause_.setToolTip(tr("Hold the job back; Pause again lets it wait for its turn"));
  buttonRemove_.setObjectName("ButtonRemove");
  statusBar1_.setObjectName("StatusBar1");
  timer1_.setObjectName("Timer1");
  QFont bold = buttonRun_.font();
  bold.setBold(true);
  buttonRun_.setFont(bold);
  buttons_.addWidget(&buttonRun_);
  buttons_.addStretch(1);
  for (QPushButton* button : {&buttonUp_, &buttonDown_, &buttonPause_, &buttonRemove_}) {
    buttons_.addWidget(button);
  }
  layout_.setContentsMargins(8, 8, 8, 6);
  layout_.setSpacing(6);
  layout_.addWidget(&listBox1_, 1);
  layout_.addLayout(&buttons_);
  layout_.addWidget(&statusBar1_);
  connect(&buttonRun_, &QPushButton::clicked, this, [this] { Run(&TfrmQueue::ButtonRunClick); });
  connect(&buttonUp_, &QPushButton::clicked, this, [this] { Run(&TfrmQueue::ButtonUpClick); });
  connect(&buttonDown_, &QPushButton::clicked, this, [this] { Run(&TfrmQueue::ButtonDownClick); });
  connect(&buttonPause_, &QPushButton::clicked, this,
          [this] { Run(&TfrmQueue::ButtonPauseClick); });
  connect(&buttonRemove_, &QPushButton::clicked, this,
          [this] { Run(&TfrmQueue::ButtonRemoveClick); });
  connect(&listBox1_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!showing_) {
      model_.ListBox1ItemIndex = row;
    }
  });
  connect(&timer1_, &QTimer::timeout, this, [this] { Run(&TfrmQueue::Timer1Timer); });
  resize(kClientWidth, kClientHeight);
  model_.SetView(this);
}

QueueWindow::~QueueWindow() { model_.SetView(nullptr); }

void QueueWindow::ShowNonModal() {
  Run(&TfrmQueue::FormShow);
  if (!isVisible()) {
    CentreOnScreen(*this);
  }
  show();
  raise();
  activateWindow();
}

void QueueWindow::Run(void (TfrmQueue::*handler)()) {
  RunHandler(platform_, [this, handler] { (model_.*handler)(); });
}

void QueueWindow::FieldsChanged() {
  showing_ = true;
  if (listBox1_.count() != static_cast<int>(model_.ListBox1.size())) {
    listBox1_.clear();
    for (const std::string& line : model_.ListBox1) {
      listBox1_.addItem(ToQt(line));
    }
  } else {
    for (int i = 0; i < listBox1_.count(); ++i) {
      listBox1_.item(i)->setText(ToQt(model_.ListBox1[static_cast<size_t>(i)]));
    }
  }
  listBox1_.setCurrentRow(model_.ListBox1ItemIndex);
  showing_ = false;
  buttonRun_.setText(ToQt(model_.ButtonRunCaption));
  const bool chosen = model_.ListBox1ItemIndex >= 0;
  for (QPushButton* button : {&buttonUp_, &buttonDown_, &buttonPause_, &buttonRemove_}) {
    button->setEnabled(chosen);
  }
  statusBar1_.setText(ToQt(model_.StatusBar1));
}

void QueueWindow::TimerChanged(bool enabled) {
  if (enabled) {
    timer1_.start(static_cast<int>(model_.Timer1RealInterval().count()));
  } else {
    timer1_.stop();
  }
}

}  // namespace kartovel::gui
