// The integer text rule: decimal with an optional sign, or unsigned hexadecimal after
// one of the prefixes "$", "x", "X", "0x", "0X"; 32-bit signed range; nothing after.
#include "common/IntegerText.h"

#include <limits>

#include "common/Text.h"

namespace kartovel {
namespace {

int DigitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < base ? value : -1;
}

// Reads digits of the base up to the end; empty when there are none, a foreign
// character follows, or the magnitude passes limit.
std::optional<int64_t> ReadMagnitude(std::string_view digits, int base, int64_t limit) {
  if (digits.empty()) {
    return std::nullopt;
  }
  int64_t magnitude = 0;
  for (char c : digits) {
    int digit = DigitValue(c, base);
    if (digit < 0) {
      return std::nullopt;
    }
    magnitude = magnitude * base + digit;
    if (magnitude > limit) {
      return std::nullopt;
    }
  }
  return magnitude;
}

size_t HexPrefixLength(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) {
    return 2;
  }
  if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) {
    return 1;
  }
  return 0;
}

}  // namespace

std::optional<int32_t> ParseIntegerText(std::string_view text) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  text = TrimLeadingBlanks(text, kSpaces);
  if (size_t prefix = HexPrefixLength(text); prefix > 0) {
    auto magnitude = ReadMagnitude(text.substr(prefix), 16, kMax);
    if (!magnitude) {
      return std::nullopt;
    }
    return static_cast<int32_t>(*magnitude);
  }
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  auto magnitude = ReadMagnitude(text, 10, negative ? kMax + 1 : kMax);
  if (!magnitude) {
    return std::nullopt;
  }
  return static_cast<int32_t>(negative ? -*magnitude : *magnitude);
}

}  // namespace kartovel
