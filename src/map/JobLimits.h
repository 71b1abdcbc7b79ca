// When a download job is big enough to be asked about before anything is written, and
// the largest task the program takes on at all. Read from config.ini's [Jobs] section.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "map/JobEstimate.h"

namespace kartovel {

namespace config {
inline constexpr char kJobs[] = "Jobs";
inline constexpr char kAskAboveTiles[] = "AskAboveTiles";
inline constexpr char kAskAboveFreeSpace[] = "AskAboveFreeSpace";  // 1: ask, 0: do not
inline constexpr char kMaxTaskTiles[] = "MaxTaskTiles";
}  // namespace config

struct JobLimits {
  static constexpr int64_t kDefaultAskAboveTiles = 100000;
  static constexpr int64_t kCeiling = 50000000;

  int64_t AskAboveTiles = kDefaultAskAboveTiles;
  bool AskAboveFreeSpace = true;
  // A task (one zoom) above this is refused; never above kCeiling.
  int64_t MaxTaskTiles = kCeiling;
};

// The limits of a configuration file (missing keys: the defaults), or the sentence that
// names the value that is no number or out of range.
std::variant<JobLimits, std::string> ReadJobLimits(const std::string& configFilePath);
// Stores them, as the Options dialog does.
void WriteJobLimits(const std::string& configFilePath, const JobLimits& limits);
// The sentence for a threshold text that is not a whole number from 0 on, or none.
std::optional<std::string> ThresholdFault(const std::string& key, const std::string& text);

// The refusal of a job beyond its source's MaxTilesPerJob (SourceLimitRefusal), or with a
// task above the largest, naming its tiles and what to do.
std::optional<std::string> CeilingRefusal(const JobEstimate& estimate, const JobLimits& limits);
// Whether the job is big enough to be asked about: more tiles than the threshold, or an
// estimated size above the free space.
bool NeedsQuestion(const JobEstimate& estimate, const JobLimits& limits);
// The question the window asks: the estimate, then "Start this download?".
std::string BigJobQuestion(const JobEstimate& estimate);

}  // namespace kartovel
