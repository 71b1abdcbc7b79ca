// A strict decimal number reader: the whole text must be the number.
#include "engine/DecimalText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstddef>

#include "common/Text.h"

namespace kartovel {

namespace {

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Length of the run of digits at position, possibly 0.
std::size_t DigitsAt(std::string_view text, std::size_t position) {
  std::size_t end = position;
  while (end < text.size() && IsDigit(text[end])) {
    ++end;
  }
  return end - position;
}

// True when text (without its sign) is digits[.digits][e[sign]digits] with a digit in
// the mantissa; from_chars would also take "inf", "nan" and hexadecimal forms.
bool IsPlainDecimal(std::string_view text) {
  std::size_t position = 0;
  std::size_t mantissaDigits = DigitsAt(text, position);
  position += mantissaDigits;
  if (position < text.size() && text[position] == '.') {
    ++position;
    const std::size_t fraction = DigitsAt(text, position);
    mantissaDigits += fraction;
    position += fraction;
  }
  if (mantissaDigits == 0) {
    return false;
  }
  if (position < text.size() && (text[position] == 'e' || text[position] == 'E')) {
    ++position;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
      ++position;
    }
    const std::size_t exponentDigits = DigitsAt(text, position);
    if (exponentDigits == 0) {
      return false;
    }
    position += exponentDigits;
  }
  return position == text.size();
}

}  // namespace

std::optional<double> ParseDecimalText(std::string_view text) {
  // Blanks around the number are the space character only, as in integer texts.
  std::string_view number = TrimBlanks(text, kSpaces);
  bool negative = false;
  if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
    negative = number.front() == '-';
    number.remove_prefix(1);
  }
  if (!IsPlainDecimal(number)) {
    return std::nullopt;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace kartovel
