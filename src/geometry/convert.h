// Degrees, minutes and seconds to decimal degrees, as the converter dialog computes it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kartovel {

// Degrees and minutes by the integer text rule, seconds as the longest leading decimal
// number (0 when none), held in single precision. Empty for an input error.
std::optional<std::string> DmsToDegrees(std::string_view degrees, std::string_view minutes,
                                        std::string_view seconds);

}  // namespace kartovel
