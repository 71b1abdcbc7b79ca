// The verify dialog as a model: one command that picks a task file or a written file
// (mosaic PNG, export) and checks that it is whole, and a pane with the summary per zoom
// and the first damaged or missing tiles. The command line's verify prints the same
// summary.
//
// The check runs on the user-interface thread; every kEventsEvery tiles it processes
// pending events once, so the window stays drawn and a Close abandons the check.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "common/LineFile.h"
#include "common/Platform.h"
#include "common/StopFlag.h"
#include "verify/Verify.h"

namespace kartovel {

class TfrmVerifyView {
 public:
  virtual ~TfrmVerifyView() = default;
  virtual void Memo1Changed() {}
  virtual void RunningChanged() {}
};

class TfrmVerify {
 public:
  static constexpr char Caption[] = "Verify";
  static constexpr char Button1Caption[] = "Choose a task or a file and verify...";
  static constexpr char OpenTitle[] = "Verify task or file:";
  static constexpr char Filter[] =
      "Tasks and written files(*.qtsk;*.png;*.mbtiles;*.pmtiles;*.gpkg;*.sqlitedb)|"
      "*.qtsk;*.png;*.mbtiles;*.pmtiles;*.gpkg;*.sqlitedb|All files(*)|*";
  static constexpr int kEventsEvery = 256;

  explicit TfrmVerify(Platform& platform) : platform_(platform) {}

  void SetView(TfrmVerifyView* view) { view_ = view; }

  Lines Memo1;
  bool Visible = false;
  bool Running = false;

  void Show();
  void Close();
  void FormShow();
  void Button1Click();

  // Verifies the target, showing the summary in Memo1; the report.
  VerifyReport Verify(const std::string& target);
  void RequestStop() { stop_.Request(); }

 private:
  bool StopRequested();
  void SetRunning(bool running);
  void ShowLines(Lines lines);

  Platform& platform_;
  TfrmVerifyView* view_ = nullptr;
  StopFlag stop_;  // renewed for each verify
  int tilesSinceEvents_ = 0;
};

}  // namespace kartovel
