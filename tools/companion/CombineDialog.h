// The combiner's window: offers the compression level, then runs one combine on a worker
// thread and shows its progress, with a Cancel button; afterwards it shows the outcome
// until closed.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "mosaic/MosaicCombiner.h"

namespace kartovel::tools {

class CombineDialog : public QDialog {
 public:
  CombineDialog(std::string taskPath, std::string pngPath, QWidget* parent = nullptr);
  // Cancels a run still going and waits for its thread.
  ~CombineDialog() override;

  // Starts the run with the level chosen (the Start button).
  void Start();
  bool Running() const { return worker_.joinable(); }
  int ChosenLevel() const;

  // Escape, the close box and Cancel during a run ask the run to stop; before and after
  // a run they close the window.
  void reject() override;

 private:
  void Run();
  bool AskLargeMosaic(const std::string& figures);
  void Poll();
  void ShowOutcome();

  std::string taskPath_;
  std::string pngPath_;
  QComboBox* levelBox_;
  QLabel* statusLabel_;
  QProgressBar* progressBar_;
  QPushButton* startButton_;
  QPushButton* button_;
  QTimer pollTimer_;

  std::thread worker_;
  std::stop_source stop_;  // Cancel, Escape, the close box or the window's end
  std::atomic<bool> finished_{false};
  std::atomic<int64_t> tilesDone_{0};
  std::atomic<int64_t> tilesTotal_{0};
  // Written by the worker before it sets finished_; read after.
  std::optional<CombineResult> result_;
  std::string error_;
  MosaicSettings settings_;  // fixed before the worker starts
};

}  // namespace kartovel::tools
