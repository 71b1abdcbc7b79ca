// A dialog's model driven from the terminal (the re-download, the refresh): its pane's lines
// printed as they come, and its thread served until it has ended or a stop closed it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/TerminalPlatform.h"

namespace kartovel::cli {

// Writes the pane's new lines as they are appended.
template <typename Model, typename View>
class PaneLinePrinter final : public View {
 public:
  PaneLinePrinter(const Model& model, std::FILE* out) : model_(model), out_(out) {}
  void Memo1LinesAppended(std::size_t first) override {
    for (std::size_t i = first; i < model_.Memo1.size(); ++i) {
      std::fprintf(out_, "%s\n", model_.Memo1[i].c_str());
    }
    std::fflush(out_);
  }

 private:
  const Model& model_;
  std::FILE* out_;
};

// The dialog's work goes on a thread of its own that reports through hand-offs: serves
// them until it has ended. A first stop signal closes the dialog, which ends the transfer
// under way and starts no other. True when a stop was asked for.
template <typename Model>
bool ServeUntilEnded(Model& form, TerminalPlatform& platform, const CommandContext& context) {
  // How long the loop serves hand-offs at most before it looks at the stop request again.
  constexpr std::chrono::milliseconds kStopPoll{20};
  bool stopped = false;
  while (!platform.HandOffs().ServeUntil([&form] { return !form.Running(); },
                                         std::chrono::steady_clock::now() + kStopPoll)) {
    if (!stopped && context.Stop.stop_requested()) {
      stopped = true;
      form.Close();
    }
  }
  return stopped || context.Stop.stop_requested();
}

}  // namespace kartovel::cli
