// The combiner's window: runs one combine on a worker thread and shows its progress,
// with a Cancel button; afterwards it shows the outcome until closed.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "core/MosaicCombiner.h"

namespace kartovel::tools {

class CombineDialog : public QDialog {
 public:
  CombineDialog(std::string taskPath, std::string pngPath, QWidget* parent = nullptr);
  // Cancels a run still going and waits for its thread.
  ~CombineDialog() override;

  void Start();
  bool Running() const { return worker_.joinable(); }

  // Escape, the close box and Cancel during a run ask the run to stop; afterwards they
  // close the window.
  void reject() override;

 private:
  void Run();
  void Poll();
  void ShowOutcome();

  std::string taskPath_;
  std::string pngPath_;
  QLabel* statusLabel_;
  QProgressBar* progressBar_;
  QPushButton* button_;
  QTimer pollTimer_;

  std::thread worker_;
  std::atomic<bool> cancelRequested_{false};
  std::atomic<bool> finished_{false};
  std::atomic<int64_t> tilesDone_{0};
  std::atomic<int64_t> tilesTotal_{0};
  // Written by the worker before it sets finished_; read after.
  std::optional<CombineResult> result_;
  std::string error_;
};

}  // namespace kartovel::tools
