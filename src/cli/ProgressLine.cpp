// The progress line of the command line.
#include "cli/ProgressLine.h"

#include <algorithm>
#include <utility>

#include "app/ProgressText.h"
#include "cli/TerminalWidth.h"

namespace kartovel::cli {

namespace {
// Back to the line's start, and clear what a longer earlier line left after the text.
constexpr char kRedrawStart[] = "\r";
constexpr char kClearToLineEnd[] = "\x1b[K";
// A bar narrower than this tells nothing; the figures alone do better.
constexpr int kNarrowestBar = 6;
// What stands between two figures of the line.
constexpr char kFigureGap[] = "   ";
}  // namespace

ProgressMode ProgressModeFor(bool quiet, bool toTerminal) {
  if (quiet) {
    return ProgressMode::Quiet;
  }
  return toTerminal ? ProgressMode::Terminal : ProgressMode::Plain;
}

std::string ProgressBar(const RunProgress& progress, int width) {
  const int64_t total = std::max(progress.TotalCount, 1);
  const int64_t settled = std::clamp<int64_t>(progress.SettledCount, 0, total);
  const auto filled = static_cast<size_t>(settled * width / total);
  return "[" + std::string(filled, '#') + std::string(static_cast<size_t>(width) - filled, '.') +
         "]";
}

std::string ProgressFigures(const RunProgress& progress, std::optional<int32_t> zoom) {
  std::string figures = zoom ? "Zoom " + std::to_string(*zoom) + ": " : "";
  figures += ProgressBarText(progress);
  std::string detail = ProgressDetailText(progress);
  // The window shows a run that ended early on a second line; here it stays on one.
  for (size_t end = detail.find('\n'); end != std::string::npos; end = detail.find('\n')) {
    detail.replace(end, 1, "   ");
  }
  if (!detail.empty()) {
    figures += "   " + detail;
  }
  return figures;
}

std::string FittedProgressLine(const RunProgress& progress, std::optional<int32_t> zoom,
                               int columns) {
  const std::string figures = ProgressFigures(progress, zoom);
  if (columns <= 0) {
    return ProgressBar(progress, ProgressLine::kBarWidth) + " " + figures;
  }
  const int room = columns - 1;
  // The bar's inside width beside the figures; its brackets and a blank take three more.
  const int barRoom = room - static_cast<int>(figures.size()) - 3;
  if (barRoom >= kNarrowestBar) {
    return ProgressBar(progress, std::min(barRoom, ProgressLine::kBarWidth)) + " " + figures;
  }
  // Whole figures are dropped from the end first; a word is cut only when the first one
  // alone is too wide.
  const auto fit = static_cast<size_t>(std::max(room, 0));
  std::string shown = figures;
  while (shown.size() > fit) {
    const size_t lastGap = shown.rfind(kFigureGap);
    if (lastGap == std::string::npos || lastGap == 0) {
      shown.resize(fit);
      break;
    }
    shown.resize(lastGap);
  }
  return shown;
}

ProgressLine::ProgressLine(ProgressMode mode, std::FILE* out, std::function<int()> columns)
    : mode_(mode), out_(out), columns_(std::move(columns)) {
  if (!columns_) {
    columns_ = [out] { return TerminalColumns(out); };
  }
}

void ProgressLine::Show(const RunProgress& progress, std::optional<int32_t> zoom,
                        int64_t elapsedSeconds) {
  if (mode_ == ProgressMode::Terminal) {
    std::fprintf(out_, "%s%s%s", kRedrawStart,
                 FittedProgressLine(progress, zoom, columns_()).c_str(), kClearToLineEnd);
    std::fflush(out_);
    lineOpen_ = true;
  } else if (mode_ == ProgressMode::Plain &&
             elapsedSeconds / kPlainEverySeconds > plainLinesShown_) {
    plainLinesShown_ = elapsedSeconds / kPlainEverySeconds;
    std::fprintf(out_, "%s\n", ProgressFigures(progress, zoom).c_str());
    std::fflush(out_);
  }
}

void ProgressLine::Finish() {
  if (lineOpen_) {
    std::fputs("\n", out_);
    std::fflush(out_);
    lineOpen_ = false;
  }
  plainLinesShown_ = 0;
}

}  // namespace kartovel::cli
