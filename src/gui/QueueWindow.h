// The queue window: the list of jobs with their state and progress, Run/Stop, Move up,
// Move down, Pause and Remove, and a status line. Shown non-modally, so that the main
// window stays usable (and can add jobs) while the queue runs.
#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/UnitQueue.h"
#include "common/Platform.h"

namespace kartovel::gui {

class QueueWindow : public QDialog, public TfrmQueueView {
  Q_OBJECT

 public:
  QueueWindow(TfrmQueue& model, Platform& platform, QWidget* parent);
  ~QueueWindow() override;

  void ShowNonModal();

  void FieldsChanged() override;
  void TimerChanged(bool enabled) override;

 private:
  void Run(void (TfrmQueue::*handler)());

  TfrmQueue& model_;
  Platform& platform_;
  QVBoxLayout layout_;
  QListWidget listBox1_;
  QHBoxLayout buttons_;
  QPushButton buttonRun_;
  QPushButton buttonUp_;
  QPushButton buttonDown_;
  QPushButton buttonPause_;
  QPushButton buttonRemove_;
  QLabel statusBar1_;
  QTimer timer1_;
  bool showing_ = false;  // while the list is filled from the model
};

}  // namespace kartovel::gui
