// Reading a Retry-After value: delta seconds or an HTTP date.
#include "download/RetryAfter.h"

#include <curl/curl.h>

#include <string>

#include "common/Text.h"

namespace kartovel {
namespace {

constexpr std::chrono::seconds kLongestWait{24 * 60 * 60};

bool IsDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value, std::time_t now) {
  const std::string_view text = TrimBlanks(value);
  if (IsDigits(text)) {
    std::string_view digits = text;
    while (digits.size() > 1 && digits.front() == '0') {
      digits.remove_prefix(1);
    }
    // Seven digits are more than a day already; fewer cannot overflow.
    if (digits.size() > 6) {
      return kLongestWait;
    }
    const std::chrono::seconds wait{std::stol(std::string(digits))};
    return wait < kLongestWait ? wait : kLongestWait;
  }
  // curl_getdate reads the three date forms HTTP allows.
  const std::time_t date = curl_getdate(std::string(text).c_str(), nullptr);
  if (text.empty() || date == -1) {
    return std::nullopt;
  }
  const std::chrono::seconds wait{date > now ? date - now : 0};
  return wait < kLongestWait ? wait : kLongestWait;
}

}  // namespace kartovel
