// Degrees, minutes and seconds to decimal degrees: the arithmetic of the converter dialog.
#include "geometry/convert.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

#include "common/IntegerText.h"
#include "common/NumberFormat.h"
#include "common/Text.h"

namespace kartovel {
namespace {

constexpr long double kOneOver60 = 1.0L / 60.0L;
constexpr long double kOneOver3600 = 1.0L / 3600.0L;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The leading decimal number of a text, as located by ScanLeadingNumber.
struct NumberSpan {
  std::string_view text;  // digits, fraction and exponent, without the sign
  bool negative = false;  // the sign, kept apart because from_chars refuses "+"
  long decimalOrder = 0;  // decimal exponent of the first significant digit, roughly
  bool allZero = true;    // no significant digit at all
};

size_t SkipDigits(std::string_view text, size_t at) {
  while (at < text.size() && IsDigit(text[at])) {
    ++at;
  }
  return at;
}

// Reads the exponent digits at `at` (after "e" and its sign) into a clamped value.
long ExponentValue(std::string_view digits) {
  constexpr long kClamp = 100000;
  long value = 0;
  for (char c : digits) {
    value = std::min(kClamp, value * 10 + (c - '0'));
  }
  return value;
}

// Reads an exponent ("e" or "E", an optional sign, digits) at `at`; returns where the
// number ends, which stays at `at` when no digit follows the "e".
size_t ScanExponent(std::string_view text, size_t at, long& exponent) {
  if (at >= text.size() || (text[at] != 'e' && text[at] != 'E')) {
    return at;
  }
  size_t digitsAt = at + 1;
  const bool negative = digitsAt < text.size() && text[digitsAt] == '-';
  if (digitsAt < text.size() && (text[digitsAt] == '+' || text[digitsAt] == '-')) {
    ++digitsAt;
  }
  const size_t digitsEnd = SkipDigits(text, digitsAt);
  if (digitsEnd == digitsAt) {
    return at;
  }
  const long value = ExponentValue(text.substr(digitsAt, digitsEnd - digitsAt));
  exponent = negative ? -value : value;
  return digitsEnd;
}

// Finds the longest leading part of the text that forms a decimal number with an
// optional sign, fraction and exponent; the decimal point is always ".".
NumberSpan ScanLeadingNumber(std::string_view text) {
  // Leading white space is skipped as the C library's number readers skip it.
  size_t at = text.size() - TrimLeadingBlanks(text, kWhiteSpace).size();
  NumberSpan span;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    span.negative = text[at] == '-';
    ++at;
  }
  const size_t mantissaAt = at;
  const size_t integerEnd = SkipDigits(text, at);
  size_t end = integerEnd;
  size_t fractionEnd = integerEnd;
  if (end < text.size() && text[end] == '.') {
    fractionEnd = SkipDigits(text, end + 1);
    end = fractionEnd;
  }
  const std::string_view integerDigits = text.substr(mantissaAt, integerEnd - mantissaAt);
  const std::string_view fractionDigits =
      fractionEnd > integerEnd ? text.substr(integerEnd + 1, fractionEnd - integerEnd - 1)
                               : std::string_view();
  if (integerDigits.empty() && fractionDigits.empty()) {
    return NumberSpan{};
  }
  long exponent = 0;
  end = ScanExponent(text, end, exponent);
  // The order of magnitude tells an overflow from an underflow when the value does not fit.
  const size_t firstSignificant = integerDigits.find_first_not_of('0');
  if (firstSignificant != std::string_view::npos) {
    span.allZero = false;
    span.decimalOrder = exponent + static_cast<long>(integerDigits.size() - firstSignificant);
  } else if (const size_t inFraction = fractionDigits.find_first_not_of('0');
             inFraction != std::string_view::npos) {
    span.allZero = false;
    span.decimalOrder = exponent - static_cast<long>(inFraction);
  }
  span.text = text.substr(mantissaAt, end - mantissaAt);
  return span;
}

// The seconds as a number: the leading decimal number of the text, 0 when there is none.
long double ReadSeconds(std::string_view text) {
  const NumberSpan span = ScanLeadingNumber(text);
  if (span.allZero) {
    return 0.0L;
  }
  long double magnitude = 0;
  const std::from_chars_result parsed =
      std::from_chars(span.text.data(), span.text.data() + span.text.size(), magnitude);
  if (parsed.ec == std::errc::result_out_of_range) {
    magnitude = span.decimalOrder > 0 ? std::numeric_limits<long double>::infinity() : 0.0L;
  }
  return span.negative ? -magnitude : magnitude;
}

}  // namespace

std::optional<std::string> DmsToDegrees(std::string_view degrees, std::string_view minutes,
                                        std::string_view seconds) {
  const std::optional<int32_t> wholeDegrees = ParseIntegerText(degrees);
  if (!wholeDegrees) {
    return std::nullopt;
  }
  const std::optional<int32_t> wholeMinutes = ParseIntegerText(minutes);
  if (!wholeMinutes) {
    return std::nullopt;
  }
  const float singleSeconds = static_cast<float>(ReadSeconds(seconds));
  // Extended precision in this order, then single precision: the result shows the digits
  // of the single-precision value (40, 26, 46 gives 40.4461097717285).
  long double sum = static_cast<long double>(*wholeDegrees) + *wholeMinutes * kOneOver60;
  sum += kOneOver3600 * singleSeconds;
  const float result = static_cast<float>(sum);
  return FormatGeneral(static_cast<double>(result));
}

}  // namespace kartovel
