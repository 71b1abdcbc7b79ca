// The integer text rule used wherever the program reads a text as an integer.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kartovel {

// Leading spaces are skipped; then either an optional sign and decimal digits, or
// (without a sign) hexadecimal digits after "$", "x", "X", "0x" or "0X". Nothing may
// follow the digits and the value must fit a signed 32-bit integer; otherwise empty.
std::optional<int32_t> ParseIntegerText(std::string_view text);

}  // namespace kartovel
