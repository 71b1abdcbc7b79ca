// The log pane's cost on screen with a long run: 100,000 worker lines appended one by one
// (an event-loop pass after each, as every hand-off gives), then a repaint at the end,
// then the whole pane replaced at once as a continued run loads its log, then lines added
// one at a time to the full pane. Prints the time per line, the repaint and replace
// times, and the peak resident memory.
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "gui/LogPane.h"

namespace {

constexpr int kLines = 100000;

std::string WorkerLine(int serial) {
  return "T" + std::to_string(serial % 8 + 1) + ":seq=" + std::to_string(serial) + ",qn_" +
         std::to_string(35000 + serial / 300) + "_" + std::to_string(21000 + serial % 300) +
         "_16.png OK";
}

}  // namespace

int main(int argc, char* argv[]) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication application(argc, argv);
  kartovel::gui::LogPane pane;
  pane.resize(260, 300);
  pane.show();

  QElapsedTimer timer;
  timer.start();
  for (int serial = 0; serial < kLines; ++serial) {
    pane.AppendLine(WorkerLine(serial));
    QCoreApplication::processEvents();
  }
  pane.Flush();
  const double appendMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

  timer.restart();
  pane.verticalScrollBar()->setValue(pane.verticalScrollBar()->maximum());
  const QPixmap shown = pane.grab();
  const double paintMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

  std::vector<std::string> lines;
  lines.reserve(kLines);
  for (int serial = 0; serial < kLines; ++serial) {
    lines.push_back(WorkerLine(serial));
  }
  timer.restart();
  pane.ReplaceLines(lines);
  QCoreApplication::processEvents();
  const double replaceMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

  // A slow run: each line arrives on its own and is added at once, to a full pane.
  constexpr int kSingleLines = 1000;
  timer.restart();
  for (int serial = 0; serial < kSingleLines; ++serial) {
    pane.AppendLine(WorkerLine(kLines + serial));
    pane.Flush();
    QCoreApplication::processEvents();
  }
  const double singleMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

  std::printf("log pane, %d lines\n", kLines);
  std::printf("  append with an event pass each: %.1f ms total, %.2f us per line\n", appendMs,
              appendMs * 1000.0 / kLines);
  std::printf("  repaint at the end:             %.1f ms (%dx%d)\n", paintMs, shown.width(),
              shown.height());
  std::printf("  replace whole pane:             %.1f ms\n", replaceMs);
  std::printf("  one line at a time to a full pane: %.1f us per line\n",
              singleMs * 1000.0 / kSingleLines);
  std::printf("  blocks in the pane:             %d\n", pane.blockCount());
  std::printf("  peak resident memory:           %.1f MB\n",
              kartovel::bench::PeakResidentMegabytes());
  return pane.blockCount() == kLines + kSingleLines ? 0 : 1;
}
