// The user's locale settings that texts depend on: the decimal separator and the
// current date and time in the short date and long time form. The C locale that the
// program parses numbers with is never changed; tests can fix both values.
#pragma once

#include <optional>
#include <string>

namespace kartovel {

char DecimalSeparator();

// Current local date and time: short date, one blank, long time.
std::string NowText();

// Fixes the decimal separator and/or the date-and-time text for the life of the
// object (tests and benchmarks); the previous values come back on destruction.
class ScopedLocaleOverride {
 public:
  ScopedLocaleOverride(std::optional<char> decimalSeparator, std::optional<std::string> nowText);
  ~ScopedLocaleOverride();
  ScopedLocaleOverride(const ScopedLocaleOverride&) = delete;
  ScopedLocaleOverride& operator=(const ScopedLocaleOverride&) = delete;

 private:
  std::optional<char> previousSeparator_;
  std::optional<std::string> previousNowText_;
};

}  // namespace kartovel
