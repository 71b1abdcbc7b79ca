// The question before a big job and the largest task.
#include "map/JobLimits.h"

#include <charconv>

#include "common/IniFile.h"
#include "common/Text.h"

namespace kartovel {
namespace {

std::optional<int64_t> WholeNumber(std::string_view text) {
  text = TrimBlanks(text);
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<std::string> ThresholdFault(const std::string& key, const std::string& text) {
  if (WholeNumber(text)) {
    return std::nullopt;
  }
  return std::string(config::kJobs) + " " + key + " \"" + text +
         "\" is not a whole number from 0 on.";
}

std::variant<JobLimits, std::string> ReadJobLimits(const std::string& configFilePath) {
  const TIniFile file(configFilePath);
  JobLimits limits;
  const auto read = [&file, &configFilePath](const char* key, int64_t fallback) -> std::variant<int64_t, std::string> {
    const std::string text = file.ReadString(config::kJobs, key, "");
    if (TrimBlanks(text).empty()) {
      return fallback;
    }
    if (auto fault = ThresholdFault(key, text)) {
      return *fault + " (in " + configFilePath + ")";
    }
    return *WholeNumber(text);
  };
  const auto askTiles = read(config::kAskAboveTiles, limits.AskAboveTiles);
  const auto askSpace = read(config::kAskAboveFreeSpace, 1);
  const auto maxTiles = read(config::kMaxTaskTiles, limits.MaxTaskTiles);
  for (const auto* value : {&askTiles, &askSpace, &maxTiles}) {
    if (const auto* fault = std::get_if<std::string>(value)) {
      return *fault;
    }
  }
  limits.AskAboveTiles = std::get<int64_t>(askTiles);
  limits.AskAboveFreeSpace = std::get<int64_t>(askSpace) != 0;
  limits.MaxTaskTiles = std::get<int64_t>(maxTiles);
  if (limits.MaxTaskTiles < 1 || limits.MaxTaskTiles > JobLimits::kCeiling) {
    return std::string(config::kJobs) + " " + config::kMaxTaskTiles + " \"" +
           std::to_string(limits.MaxTaskTiles) + "\" must be from 1 to " +
           std::to_string(JobLimits::kCeiling) + " (in " + configFilePath + ").";
  }
  return limits;
}

void WriteJobLimits(const std::string& configFilePath, const JobLimits& limits) {
  TIniFile file(configFilePath);
  file.WriteString(config::kJobs, config::kAskAboveTiles, std::to_string(limits.AskAboveTiles));
  file.WriteString(config::kJobs, config::kAskAboveFreeSpace, limits.AskAboveFreeSpace ? "1" : "0");
}

std::optional<std::string> CeilingRefusal(const JobEstimate& estimate, const JobLimits& limits) {
  // The service's own limit comes first: it is the one the user cannot raise.
  if (std::optional<std::string> refusal = SourceLimitRefusal(estimate)) {
    return refusal;
  }
  for (const ZoomEstimate& zoom : estimate.Zooms) {
    if (zoom.Tiles > limits.MaxTaskTiles) {
      return "The task at zoom " + std::to_string(zoom.Zoom) + " would hold " +
             std::to_string(zoom.Tiles) + " tiles, more than the " +
             std::to_string(limits.MaxTaskTiles) +
             " a task may hold. Choose a smaller area or a lower zoom.";
    }
  }
  return std::nullopt;
}

bool NeedsQuestion(const JobEstimate& estimate, const JobLimits& limits) {
  if (estimate.Tiles() > limits.AskAboveTiles) {
    return true;
  }
  const std::optional<uint64_t> bytes = estimate.Bytes();
  return limits.AskAboveFreeSpace && bytes && estimate.FreeBytes && *bytes > *estimate.FreeBytes;
}

std::string BigJobQuestion(const JobEstimate& estimate) {
  return "This is a big download.\n" + JobEstimateText(estimate) + "\nStart this download?";
}

}  // namespace kartovel
