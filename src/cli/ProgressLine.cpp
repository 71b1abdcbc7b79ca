// The progress line of the command line.
#include "cli/ProgressLine.h"

#include <algorithm>

#include "app/ProgressText.h"

namespace kartovel::cli {

namespace {
// Back to the line's start, and clear what a longer earlier line left after the text.
constexpr char kRedrawStart[] = "\r";
constexpr char kClearToLineEnd[] = "\x1b[K";
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

ProgressLine::ProgressLine(ProgressMode mode, std::FILE* out) : mode_(mode), out_(out) {}

void ProgressLine::Show(const RunProgress& progress, std::optional<int32_t> zoom,
                        int64_t elapsedSeconds) {
  if (mode_ == ProgressMode::Terminal) {
    std::fprintf(out_, "%s%s %s%s", kRedrawStart, ProgressBar(progress, kBarWidth).c_str(),
                 ProgressFigures(progress, zoom).c_str(), kClearToLineEnd);
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
