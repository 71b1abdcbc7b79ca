// The main window's cost with a long log: appends 100,000 worker reports to the log pane
// (each with its view notice) and then times the monitor's save of that pane, printing
// the time per line, the save time and the process's peak resident memory.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchPlatform.h"
#include "BenchSupport.h"
#include "app/Unit1.h"
#include "common/Clock.h"

namespace {

namespace fs = std::filesystem;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kLogLines = 100000;

using BenchPlatform = kartovel::bench::HeadlessPlatform;

// A view that copies every new line, as a log widget would.
class CopyingView final : public kartovel::TForm1View {
 public:
  explicit CopyingView(const kartovel::TForm1& form) : form_(form) {}
  void LogLinesAppended(std::size_t first) override {
    for (std::size_t i = first; i < form_.Memo1.size(); ++i) {
      copiedBytes += form_.Memo1[i].size();
    }
  }
  std::size_t copiedBytes = 0;

 private:
  const kartovel::TForm1& form_;
};

// Workers that never start: the benchmark feeds their reports itself.
std::unique_ptr<kartovel::TDownThread> SuspendedWorker(int32_t index, kartovel::DownloadTask& task,
                                                       kartovel::WorkerContext context) {
  return std::make_unique<kartovel::TDownThread>(true, index, task, std::move(context));
}

}  // namespace

int main() {
  try {
    const kartovel::bench::ScratchFolder scratch;
    const std::string& folder = scratch.Path();
    BenchPlatform platform(folder);
    kartovel::ScaledClock clock(0);
    kartovel::TForm1 form(platform, clock, nullptr, SuspendedWorker);
    CopyingView view(form);
    form.SetView(&view);
    form.FormShow();
    form.Edit1 = "10";
    form.Edit3 = "20";
    form.Edit2 = "50";
    form.Edit4 = "45";
    form.Edit5 = "9";
    form.Edit6 = folder + "maps";
    form.BitBtn1Click();

    const auto appendStart = std::chrono::steady_clock::now();
    for (int line = 0; line < kLogLines; ++line) {
      kartovel::TDownThread& worker = *form.WorkerTable[line % 8];
      worker.StatusText = "T" + std::to_string(worker.Index + 1) + ":seq=" + std::to_string(line) +
                          ",qn_270_173_9.png OK";
      worker.LastReportKind = kartovel::ReportKind::Fetched;
      form.ShowStatus(worker);
    }
    const Milliseconds appendTime = std::chrono::steady_clock::now() - appendStart;

    form.MonitorTicks = 4;  // the next tick is a fifth tick: it saves both panes
    const auto saveStart = std::chrono::steady_clock::now();
    form.Timer1Timer();
    const Milliseconds saveTime = std::chrono::steady_clock::now() - saveStart;

    for (const auto& worker : form.WorkerTable) {
      form.ReportEnd(*worker);
    }
    form.Timer1Timer();  // ends the run
    form.SetView(nullptr);

    const double peakMegabytes = kartovel::bench::PeakResidentMegabytes();
    std::printf("log lines appended: %d, %.3f us per line (view copied %zu bytes)\n", kLogLines,
                appendTime.count() * 1000.0 / kLogLines, view.copiedBytes);
    std::printf("fifth-tick save of %zu log lines (%.1f MB): %.1f ms\n", form.Memo1.size(),
                static_cast<double>(fs::file_size(form.CurrentTask->LogFileName)) / 1e6,
                saveTime.count());
    std::printf("peak resident memory: %.1f MB\n", peakMegabytes);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
