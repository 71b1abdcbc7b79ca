// The value of a Retry-After header: how long a server that is busy (503) or rate
// limiting (429) asks a client to wait before it asks again.
#pragma once

#include <chrono>
#include <ctime>
#include <optional>
#include <string_view>

namespace kartovel {

// Either a number of seconds or an HTTP date (counted from now; a date in the past is 0).
// Values beyond a day are held at a day, which no caller waits anyway. No value when the
// text is neither.
std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value, std::time_t now);

}  // namespace kartovel
