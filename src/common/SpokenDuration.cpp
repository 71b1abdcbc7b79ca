// Long spans in days, months or years.
#include "common/SpokenDuration.h"

namespace kartovel {
namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kShortestSpoken = 2 * kDay;
constexpr int64_t kLongestInDays = 90 * kDay;
constexpr int64_t kYear = 31556952;  // the mean Gregorian year
constexpr int64_t kMonth = kYear / 12;
constexpr int64_t kLongestInMonths = 2 * kYear;

std::string Rounded(int64_t seconds, int64_t unit, const char* name) {
  const int64_t count = (seconds + unit / 2) / unit;
  return std::to_string(count) + " " + name;
}

}  // namespace

std::optional<std::string> SpokenLongDuration(int64_t seconds) {
  if (seconds < kShortestSpoken) {
    return std::nullopt;
  }
  if (seconds < kLongestInDays) {
    return Rounded(seconds, kDay, "days");
  }
  if (seconds < kLongestInMonths) {
    return Rounded(seconds, kMonth, "months");
  }
  return Rounded(seconds, kYear, "years");
}

}  // namespace kartovel
