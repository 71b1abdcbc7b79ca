// The verify dialog's command and the check it runs.
#include "app/UnitVerify.h"

#include <utility>

namespace kartovel {

void TfrmVerify::Show() {
  Visible = true;
  FormShow();
}

void TfrmVerify::Close() {
  Visible = false;
  if (Running) {
    RequestStop();
  }
}

void TfrmVerify::FormShow() { ShowLines({}); }

void TfrmVerify::Button1Click() {
  const auto target = platform_.OpenFileDialog(OpenTitle, Filter, std::string());
  if (target) {
    Verify(*target);
  }
}

VerifyReport TfrmVerify::Verify(const std::string& target) {
  stop_.Renew();
  tilesSinceEvents_ = 0;
  ShowLines({"Verifying " + target + " ..."});
  SetRunning(true);
  const VerifyReport report =
      VerifyTarget(target, platform_.ProgramFolder(), [this] { return StopRequested(); });
  SetRunning(false);
  ShowLines(report.SummaryLines(target));
  return report;
}

bool TfrmVerify::StopRequested() {
  if (++tilesSinceEvents_ >= kEventsEvery) {
    tilesSinceEvents_ = 0;
    platform_.ProcessPendingEvents();
  }
  return stop_.load();
}

void TfrmVerify::SetRunning(bool running) {
  Running = running;
  if (view_ != nullptr) {
    view_->RunningChanged();
  }
}

void TfrmVerify::ShowLines(Lines lines) {
  Memo1 = std::move(lines);
  if (view_ != nullptr) {
    view_->Memo1Changed();
  }
}

}  // namespace kartovel
