// Reading a coordinate box: a text that must be a decimal number as a whole.
#pragma once

#include <optional>
#include <string_view>

namespace kartovel {

// An optional sign, digits with at most one decimal point (at least one digit), and an
// optional exponent ("e" or "E", optional sign, digits); blanks before and after are
// ignored. Anything else, the empty text included, gives no value. The point is always
// the separator, whatever the locale.
std::optional<double> ParseDecimalText(std::string_view text);

}  // namespace kartovel
