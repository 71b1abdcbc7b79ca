// The combine window. The worker thread only writes atomics and, once, the result;
// a timer on the window's thread reads them, so no Qt object crosses threads.
#include "CombineDialog.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>

#include "common/Error.h"
#include "common/Paths.h"
#include "common/ErrorText.h"

namespace kartovel::tools {
namespace {

constexpr int kPollIntervalMs = 100;

QLabel* PathLabel(const QString& caption, const std::string& path, QWidget* parent) {
  auto* label = new QLabel(caption + QStringLiteral(" ") + QString::fromStdString(path), parent);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QString LevelCaption(int level) {
  QString caption = QString::number(level);
  if (level == kMinMosaicLevel) {
    caption += CombineDialog::tr(" - fastest");
  } else if (level == kMaxMosaicLevel) {
    caption += CombineDialog::tr(" - smallest file");
  }
  if (level == kDefaultMosaicLevel) {
    caption += CombineDialog::tr(" (recommended)");
  }
  return caption;
}

QComboBox* LevelBox(QWidget* parent) {
  auto* box = new QComboBox(parent);
  for (int level = kMinMosaicLevel; level <= kMaxMosaicLevel; ++level) {
    box->addItem(LevelCaption(level), level);
  }
  box->setCurrentIndex(box->findData(kDefaultMosaicLevel));
  return box;
}

QString FileNameOf(const std::string& path) {
  return QString::fromStdString(ExtractFileName(path));
}

QString SuccessText(const CombineResult& result) {
  QString text = CombineDialog::tr("Done: %1 x %2 pixels, %3 tiles.\nWritten: %4, %5, %6 and %7.")
                     .arg(result.layout.Width())
                     .arg(result.layout.Height())
                     .arg(result.mosaic.tileCount)
                     .arg(FileNameOf(result.outputs.png), FileNameOf(result.outputs.worldFile),
                          FileNameOf(result.outputs.projection), FileNameOf(result.outputs.report));
  size_t missing = result.mosaic.missing.size();
  if (missing == 0) {
    return text + CombineDialog::tr("\nNo tile was missing.");
  }
  return text + CombineDialog::tr("\n%1 missing tiles are left transparent; %2 lists them.")
                    .arg(missing)
                    .arg(FileNameOf(result.outputs.report));
}

}  // namespace

CombineDialog::CombineDialog(std::string taskPath, std::string pngPath, QWidget* parent)
    : QDialog(parent),
      taskPath_(std::move(taskPath)),
      pngPath_(std::move(pngPath)),
      levelBox_(LevelBox(this)),
      statusLabel_(new QLabel(tr("Choose the compression and press Start."), this)),
      progressBar_(new QProgressBar(this)),
      startButton_(new QPushButton(tr("Start"), this)),
      button_(new QPushButton(tr("Cancel"), this)) {
  setWindowTitle(tr("Map Combiner"));
  setMinimumWidth(560);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PathLabel(tr("Task:"), taskPath_, this));
  layout->addWidget(PathLabel(tr("Mosaic:"), pngPath_, this));
  auto* levelRow = new QHBoxLayout();
  levelRow->addWidget(new QLabel(tr("Compression level:"), this));
  levelRow->addWidget(levelBox_);
  levelRow->addStretch(1);
  layout->addLayout(levelRow);
  layout->addSpacing(6);
  layout->addWidget(progressBar_);
  statusLabel_->setWordWrap(true);
  layout->addWidget(statusLabel_);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  buttons->addWidget(startButton_);
  buttons->addWidget(button_);
  layout->addLayout(buttons);
  progressBar_->setTextVisible(false);
  startButton_->setDefault(true);
  connect(startButton_, &QPushButton::clicked, this, [this] { Start(); });
  connect(button_, &QPushButton::clicked, this, [this] { reject(); });
  pollTimer_.setInterval(kPollIntervalMs);
  connect(&pollTimer_, &QTimer::timeout, this, [this] { Poll(); });
}

CombineDialog::~CombineDialog() {
  stop_.request_stop();
  if (worker_.joinable()) {
    worker_.join();
  }
}

int CombineDialog::ChosenLevel() const {
  return levelBox_->currentData().toInt();
}

void CombineDialog::Start() {
  if (Running() || finished_) {
    return;
  }
  settings_.compressionLevel = ChosenLevel();
  levelBox_->setEnabled(false);
  startButton_->setEnabled(false);
  progressBar_->setTextVisible(true);
  progressBar_->setRange(0, 0);
  statusLabel_->setText(tr("Reading the tile list..."));
  worker_ = std::thread([this] { Run(); });
  pollTimer_.start();
}

void CombineDialog::Run() {
  CombineHooks hooks;
  hooks.progress = [this](int64_t done, int64_t total) {
    tilesTotal_.store(total, std::memory_order_relaxed);
    tilesDone_.store(done, std::memory_order_relaxed);
  };
  hooks.stop = stop_.get_token();
  hooks.confirmLargeMosaic = [this](const std::string& figures) { return AskLargeMosaic(figures); };
  try {
    result_ = CombineTask(taskPath_, pngPath_, hooks, settings_);
  } catch (...) {
    error_ = ErrorDisplayText(CurrentErrorText());
  }
  finished_.store(true, std::memory_order_release);
}

// Asked from the worker: the question is put on the window's thread, which the worker
// waits for (the window never waits for the worker meanwhile).
bool CombineDialog::AskLargeMosaic(const std::string& figures) {
  bool write = false;
  QMetaObject::invokeMethod(
      this,
      [this, &figures, &write] {
        write = QMessageBox::question(this, tr("Large mosaic"),
                                      QString::fromStdString(figures) + QStringLiteral("\n\n") +
                                          tr("Write it?"),
                                      QMessageBox::Yes | QMessageBox::No,
                                      QMessageBox::No) == QMessageBox::Yes;
      },
      Qt::BlockingQueuedConnection);
  return write;
}

void CombineDialog::Poll() {
  int64_t total = tilesTotal_.load(std::memory_order_relaxed);
  int64_t done = tilesDone_.load(std::memory_order_relaxed);
  if (total > 0 && !stop_.stop_requested()) {
    progressBar_->setRange(0, static_cast<int>(total));
    progressBar_->setValue(static_cast<int>(done));
    statusLabel_->setText(tr("Tile %1 of %2").arg(done).arg(total));
  }
  if (finished_.load(std::memory_order_acquire)) {
    worker_.join();
    pollTimer_.stop();
    ShowOutcome();
  }
}

void CombineDialog::ShowOutcome() {
  startButton_->hide();
  button_->setText(tr("Close"));
  button_->setEnabled(true);
  if (!error_.empty()) {
    progressBar_->setRange(0, 1);
    progressBar_->setValue(0);
    statusLabel_->setText(tr("Error: %1").arg(QString::fromStdString(error_)));
  } else if (result_->mosaic.cancelled) {
    statusLabel_->setText(tr("Cancelled. No files were written."));
  } else {
    progressBar_->setValue(progressBar_->maximum());
    statusLabel_->setText(SuccessText(*result_));
  }
}

void CombineDialog::reject() {
  if (Running()) {
    stop_.request_stop();
    button_->setEnabled(false);
    statusLabel_->setText(tr("Cancelling..."));
    return;
  }
  QDialog::reject();
}

}  // namespace kartovel::tools
