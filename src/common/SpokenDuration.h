// Long spans as people say them ("31 days", "5 months", "3 years") rather than as
// hours on a clock face: a figure like "743:15:00" is read by nobody.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kartovel {

// From two days on: whole days below 90 days, then months below two years, then years,
// each rounded to the nearest; shorter spans have none (the caller keeps its own form).
std::optional<std::string> SpokenLongDuration(int64_t seconds);

}  // namespace kartovel
