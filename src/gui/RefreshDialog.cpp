// The refresh dialog bound to its model.
#include "gui/RefreshDialog.h"

#include "app/HandlerGuard.h"
#include "gui/WidgetText.h"

namespace kartovel::gui {

namespace {
constexpr int kClientWidth = 703;
constexpr int kClientHeight = 453;
constexpr double kDefaultDays = 30;
constexpr char kPurpose[] =
    "Asks the map source again for the task's tiles that are past the expiry it gave, or "
    "older than the days set, with the version each was fetched with: an unchanged tile "
    "keeps its file, a changed one replaces it, and one that fails keeps its old file.";
}  // namespace

RefreshDialog::RefreshDialog(TfrmRefresh& model, Platform& platform, QWidget* parent)
    : QDialog(parent),
      model_(model),
      platform_(platform),
      layout_(this),
      fieldsPanel_(this),
      fields_(&fieldsPanel_),
      taskLabel_(tr("Task file:")),
      buttonBrowse_(tr("Browse ...")),
      checkOlder_(tr("Also tiles fetched at least this many days ago:")),
      purpose_(tr(kPurpose)),
      buttonRow_(this),
      buttonRowLayout_(&buttonRow_),
      button1_(QString::fromLatin1(TfrmRefresh::StartCaption)) {
  setObjectName("frmRefresh");
  setWindowTitle(QString::fromLatin1(TfrmRefresh::Caption));
  editTaskFile_.setObjectName("EditTaskFile");
  editTaskFile_.setAccessibleName(tr("Task file"));
  buttonBrowse_.setObjectName("ButtonBrowse");
  checkOlder_.setObjectName("CheckOlder");
  spinDays_.setObjectName("SpinDays");
  spinDays_.setAccessibleName(tr("Days"));
  spinDays_.setRange(0, 36500);
  spinDays_.setDecimals(1);
  spinDays_.setValue(kDefaultDays);
  spinDays_.setEnabled(false);
  button1_.setObjectName("Button1");
  progress_.setObjectName("Progress");
  memo1_.setObjectName("Memo1");
  memo1_.setAccessibleName(tr("Report"));
  memo1_.WrapLongLines();
  purpose_.setWordWrap(true);
  taskLabel_.setBuddy(&editTaskFile_);

  fields_.addWidget(&taskLabel_, 0, 0);
  fields_.addWidget(&editTaskFile_, 0, 1);
  fields_.addWidget(&buttonBrowse_, 0, 2);
  fields_.addWidget(&checkOlder_, 1, 0, 1, 2);
  fields_.addWidget(&spinDays_, 1, 2);
  fields_.setContentsMargins(0, 0, 0, 0);
  buttonRowLayout_.setContentsMargins(0, 0, 0, 0);
  buttonRowLayout_.addWidget(&button1_);
  buttonRowLayout_.addSpacing(16);
  buttonRowLayout_.addWidget(&progress_, 1);
  button1_.setMinimumWidth(button1_.sizeHint().width() + 24);
  layout_.setContentsMargins(12, 10, 12, 10);
  layout_.addWidget(&fieldsPanel_);
  layout_.addWidget(&purpose_);
  layout_.addWidget(&buttonRow_);
  layout_.addWidget(&memo1_, 1);

  connect(&checkOlder_, &QCheckBox::toggled, &spinDays_, &QWidget::setEnabled);
  connect(&buttonBrowse_, &QPushButton::clicked, this, [this] {
    CopyIntoModel();
    RunHandler(platform_, [this] { model_.ButtonBrowseClick(); });
  });
  connect(&button1_, &QPushButton::clicked, this, [this] {
    CopyIntoModel();
    RunHandler(platform_, [this] { model_.Button1Click(); });
  });
  setFixedSize(kClientWidth, kClientHeight);
  memo1_.ReplaceLines(model_.Memo1);
  model_.SetView(this);
  RunChanged();
}

RefreshDialog::~RefreshDialog() {
  model_.SetView(nullptr);
}

void RefreshDialog::CopyIntoModel() {
  model_.EditTaskFile = FromQt(editTaskFile_.text());
  model_.OlderThanDays = checkOlder_.isChecked() ? std::optional<double>(spinDays_.value()) : std::nullopt;
}

void RefreshDialog::ShowModal() {
  RunHandler(platform_, [this] { model_.Show(); });
  CentreOnScreen(*this);
  exec();
}

void RefreshDialog::reject() {
  model_.Close();
  QDialog::reject();
}

void RefreshDialog::Memo1LinesAppended(std::size_t first) {
  memo1_.AppendNow(model_.Memo1, first);
}

void RefreshDialog::Memo1Cleared() {
  memo1_.ReplaceLines(model_.Memo1);
}

void RefreshDialog::RunChanged() {
  if (editTaskFile_.text() != QString::fromStdString(model_.EditTaskFile)) {
    editTaskFile_.setText(QString::fromStdString(model_.EditTaskFile));
  }
  progress_.setText(QString::fromStdString(model_.ProgressText));
  button1_.setText(QString::fromLatin1(model_.ButtonCaption().c_str()));
  const bool idle = !model_.Running();
  editTaskFile_.setEnabled(idle);
  buttonBrowse_.setEnabled(idle);
  checkOlder_.setEnabled(idle);
  spinDays_.setEnabled(idle && checkOlder_.isChecked());
}

}  // namespace kartovel::gui
