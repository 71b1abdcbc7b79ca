// Formatting of the progress figures of a run.
#include "app/ProgressText.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "common/SpokenDuration.h"

namespace kartovel {

std::string ProgressBarText(const RunProgress& progress) {
  if (progress.TotalCount <= 0) {
    return "";
  }
  return std::to_string(progress.SettledCount) + " of " + std::to_string(progress.TotalCount);
}

std::string ProgressDetailText(const RunProgress& progress) {
  if (progress.TotalCount <= 0) {
    return "";
  }
  std::string text = "Failed: " + std::to_string(progress.FailedCount);
  if (progress.TilesPerMinute > 0) {
    text += "   " + std::to_string(std::lround(progress.TilesPerMinute)) + " tiles/min";
  }
  if (progress.SecondsLeft) {
    text += "   Time left: " + TimeLeftText(*progress.SecondsLeft);
  }
  if (!progress.EndedEarly.empty()) {
    text += "\nEnded early: " + progress.EndedEarly;
  }
  return text;
}

std::string TimeLeftText(int64_t seconds) {
  seconds = std::max<int64_t>(seconds, 0);
  if (const std::optional<std::string> spoken = SpokenLongDuration(seconds)) {
    return "about " + *spoken;
  }
  const long long hours = seconds / 3600;
  const int minutes = static_cast<int>(seconds / 60 % 60);
  const int secs = static_cast<int>(seconds % 60);
  char text[32];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%lld:%02d:%02d", hours, minutes, secs);
  } else {
    std::snprintf(text, sizeof text, "%d:%02d", minutes, secs);
  }
  return text;
}

}  // namespace kartovel
