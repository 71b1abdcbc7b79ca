// The command line's progress display: on a terminal one line redrawn in place (bar,
// settled of total, failed, tiles per minute, time left, zoom); into a file or pipe one
// plain line every 10 seconds; nothing when quiet.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "engine/RunSink.h"

namespace kartovel::cli {

enum class ProgressMode { Terminal, Plain, Quiet };

ProgressMode ProgressModeFor(bool quiet, bool toTerminal);

// "[########................]" with the settled share filled, width characters inside.
std::string ProgressBar(const RunProgress& progress, int width);
// "Zoom 14: 4213 of 10240   Failed: 3   182 tiles/min   Time left: 33:02" (the zoom part
// only when given; the rate and time once known).
std::string ProgressFigures(const RunProgress& progress, std::optional<int32_t> zoom);
// The redrawn line within columns (0: no limit): the bar and figures whole when they fit,
// else a shorter bar, else the figures alone, cut at the end. One column stays free, so
// the terminal never wraps the line (a wrapped line would not be redrawn in place).
std::string FittedProgressLine(const RunProgress& progress, std::optional<int32_t> zoom,
                               int columns);

class ProgressLine {
 public:
  static constexpr int kBarWidth = 24;
  static constexpr int64_t kPlainEverySeconds = 10;

  // columns gives the terminal's width at each redraw (0: unknown); by default that of out.
  ProgressLine(ProgressMode mode, std::FILE* out, std::function<int()> columns = {});

  // The progress after elapsedSeconds of the run.
  void Show(const RunProgress& progress, std::optional<int32_t> zoom, int64_t elapsedSeconds);
  // Ends a line redrawn in place, so that what follows starts on a line of its own.
  void Finish();

 private:
  ProgressMode mode_;
  std::FILE* out_;
  std::function<int()> columns_;
  int64_t plainLinesShown_ = 0;
  bool lineOpen_ = false;
};

}  // namespace kartovel::cli
