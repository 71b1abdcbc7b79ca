// The command line's progress display in its three modes.
#include "cli/ProgressLine.h"

#include <gtest/gtest.h>

#include <memory>

namespace kartovel::cli {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Shows the progress at the given seconds and returns what was written.
std::string Shown(ProgressMode mode, const std::vector<int64_t>& seconds) {
  std::unique_ptr<std::FILE, FileCloser> file(std::tmpfile());
  ProgressLine line(mode, file.get());
  RunProgress progress;
  progress.TotalCount = 40;
  for (int64_t second : seconds) {
    progress.SettledCount = static_cast<int32_t>(second);
    line.Show(progress, 12, second);
  }
  line.Finish();
  std::rewind(file.get());
  std::string text;
  for (int c = std::fgetc(file.get()); c != EOF; c = std::fgetc(file.get())) {
    text.push_back(static_cast<char>(c));
  }
  return text;
}

TEST(ProgressLine, RedrawsOnATerminalPrintsEveryTenSecondsOtherwiseAndNothingWhenQuiet) {
  const std::string bar1 = "[" + std::string(ProgressLine::kBarWidth, '.') + "]";
  const std::string bar20 = "[" + std::string(12, '#') + std::string(12, '.') + "]";
  EXPECT_EQ(Shown(ProgressMode::Terminal, {1, 20}),
            "\r" + bar1 + " Zoom 12: 1 of 40   Failed: 0\x1b[K\r" + bar20 +
                " Zoom 12: 20 of 40   Failed: 0\x1b[K\n");
  EXPECT_EQ(Shown(ProgressMode::Plain, {1, 9, 10, 11, 25, 31}),
            "Zoom 12: 10 of 40   Failed: 0\nZoom 12: 25 of 40   Failed: 0\n"
            "Zoom 12: 31 of 40   Failed: 0\n");
  EXPECT_EQ(Shown(ProgressMode::Quiet, {1, 10, 20}), "");
  RunProgress endedEarly;
  endedEarly.TotalCount = 4;
  endedEarly.EndedEarly = "T2 HTTP/1.1 403 Forbidden->http://h/x";
  EXPECT_EQ(ProgressFigures(endedEarly, std::nullopt),
            "0 of 4   Failed: 0   Ended early: T2 HTTP/1.1 403 Forbidden->http://h/x");
  EXPECT_EQ(ProgressModeFor(true, true), ProgressMode::Quiet);
  EXPECT_EQ(ProgressModeFor(false, false), ProgressMode::Plain);
}

TEST(ProgressLine, TheBarFillsWithTheSettledShareAndStaysWithinItsWidth) {
  const struct {
    int32_t settled, total;
    int filled;
  } cases[] = {{0, 0, 0}, {0, 10, 0}, {5, 10, 2}, {10, 10, 4}, {12, 10, 4}, {-1, 10, 0}};
  for (const auto& c : cases) {
    RunProgress progress;
    progress.SettledCount = c.settled;
    progress.TotalCount = c.total;
    EXPECT_EQ(ProgressBar(progress, 4),
              "[" + std::string(c.filled, '#') + std::string(4 - c.filled, '.') + "]")
        << c.settled << " of " << c.total;
  }
}

}  // namespace
}  // namespace kartovel::cli

namespace kartovel::cli {
namespace {

TEST(ProgressLine, TheRedrawnLineNeverReachesTheTerminalsLastColumn) {
  RunProgress progress;
  progress.TotalCount = 10240;
  progress.SettledCount = 4213;
  progress.FailedCount = 3;
  progress.EndedEarly = "T2 Socket Error # 10061 Connection refused.->http://127.0.0.1:9/x";
  const std::string figures = ProgressFigures(progress, 14);
  const std::string counts = "Zoom 14: 4213 of 10240";
  const int wide = static_cast<int>(figures.size());
  const struct {
    int columns;
    int bar;            // the bar's inside width; 0: no bar
    std::string shown;  // without a bar: what is shown
  } cases[] = {{0, ProgressLine::kBarWidth, ""},
               {500, ProgressLine::kBarWidth, ""},
               {wide + 28, ProgressLine::kBarWidth, ""},
               {wide + 12, 8, ""},
               {wide + 9, 0, figures},
               {80, 0, counts + "   Failed: 3"},
               {50, 0, counts + "   Failed: 3"},
               {30, 0, counts},
               {20, 0, "Zoom 14: 4213 of 10"},
               {1, 0, ""}};
  for (const auto& c : cases) {
    const std::string line = FittedProgressLine(progress, 14, c.columns);
    if (c.columns > 0) {
      EXPECT_LT(static_cast<int>(line.size()), c.columns) << c.columns;
    }
    EXPECT_EQ(line, c.bar > 0 ? ProgressBar(progress, c.bar) + " " + figures : c.shown)
        << c.columns;
  }
}

}  // namespace
}  // namespace kartovel::cli
