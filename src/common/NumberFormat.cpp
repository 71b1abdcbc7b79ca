// The general number format (15 significant digits) and the fixed "%20.14f" format.
#include "common/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "common/Locale.h"

namespace kartovel {
namespace {

constexpr int kSignificantDigits = 15;

// The value rounded to 15 significant digits: its digits without trailing zeros and
// the decimal exponent of the first digit.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

Decimal ToDecimal(double magnitude) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                              std::chars_format::scientific, kSignificantDigits - 1);
  std::string_view text(buffer, result.ptr - buffer);  // "d.dddddddddddddde+XX"
  size_t exponentAt = text.find('e');
  Decimal decimal;
  for (char c : text.substr(0, exponentAt)) {
    if (c != '.') {
      decimal.digits += c;
    }
  }
  decimal.exponent = std::atoi(std::string(text.substr(exponentAt + 1)).c_str());
  while (decimal.digits.size() > 1 && decimal.digits.back() == '0') {
    decimal.digits.pop_back();
  }
  return decimal;
}

std::string FixedNotation(const Decimal& decimal, char separator) {
  const std::string& digits = decimal.digits;
  if (decimal.exponent < 0) {
    return "0" + std::string(1, separator) + std::string(-decimal.exponent - 1, '0') + digits;
  }
  size_t integerDigits = static_cast<size_t>(decimal.exponent) + 1;
  if (digits.size() <= integerDigits) {
    return digits + std::string(integerDigits - digits.size(), '0');
  }
  return digits.substr(0, integerDigits) + separator + digits.substr(integerDigits);
}

std::string ScientificNotation(const Decimal& decimal, char separator) {
  std::string text = decimal.digits.substr(0, 1);
  if (decimal.digits.size() > 1) {
    text += separator;
    text += decimal.digits.substr(1);
  }
  text += 'E';
  text += std::to_string(decimal.exponent);
  return text;
}

}  // namespace

std::string FormatGeneral(double value, char decimalSeparator) {
  if (value == 0 || !std::isfinite(value)) {
    if (std::isnan(value)) {
      return "NAN";
    }
    if (std::isinf(value)) {
      return value > 0 ? "INF" : "-INF";
    }
    return "0";
  }
  Decimal decimal = ToDecimal(std::fabs(value));
  bool fixed = decimal.exponent >= -4 && decimal.exponent < 15;
  std::string text = fixed ? FixedNotation(decimal, decimalSeparator)
                           : ScientificNotation(decimal, decimalSeparator);
  return value < 0 ? "-" + text : text;
}

std::string FormatGeneral(double value) {
  return FormatGeneral(value, DecimalSeparator());
}

void AppendFixed(std::string& out, double value) {
  constexpr int kWidth = 20;
  char buffer[400];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 14);
  size_t length = static_cast<size_t>(result.ptr - buffer);
  if (length < kWidth) {
    out.append(kWidth - length, ' ');
  }
  out.append(buffer, length);
}

std::string FormatFixed(double value) {
  std::string text;
  AppendFixed(text, value);
  return text;
}

}  // namespace kartovel
