// Reading a tile service's validators and freshness, and writing conditional requests.
#include "download/TileValidators.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>

#include "common/Text.h"

namespace kartovel {
namespace {

// A date in one of the forms HTTP allows; curl_getdate reads all three.
std::optional<int64_t> ParseHttpDate(std::string_view text) {
  const std::string_view trimmed = TrimBlanks(text);
  if (trimmed.empty()) {
    return std::nullopt;
  }
  const std::time_t date = curl_getdate(std::string(trimmed).c_str(), nullptr);
  if (date == -1) {
    return std::nullopt;
  }
  return int64_t{date};
}

// The seconds of a "max-age=N" directive; none without one or with digits that are not
// a number. A number too large for 64 bits is simply very long.
std::optional<int64_t> MaxAgeOf(std::string_view cacheControl) {
  std::optional<int64_t> maxAge;
  while (!cacheControl.empty()) {
    const std::size_t comma = cacheControl.find(',');
    const std::string_view directive = TrimBlanks(cacheControl.substr(0, comma));
    cacheControl = comma == std::string_view::npos ? std::string_view() : cacheControl.substr(comma + 1);
    if (EqualsIgnoringCase(directive, "no-cache") || EqualsIgnoringCase(directive, "no-store")) {
      return int64_t{0};
    }
    if (!StartsWithIgnoringCase(directive, "max-age=")) {
      continue;
    }
    std::string_view digits = directive.substr(8);
    if (digits.size() >= 2 && digits.front() == '"' && digits.back() == '"') {
      digits = digits.substr(1, digits.size() - 2);
    }
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
      continue;
    }
    int64_t seconds = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
    maxAge = parsed.ec == std::errc() ? seconds : kMaxFreshSeconds;
  }
  return maxAge;
}

std::optional<int64_t> ExpiryOf(const ValidatorHeaders& headers, std::time_t fetchedAt) {
  std::optional<int64_t> fresh;
  if (headers.CacheControl) {
    fresh = MaxAgeOf(*headers.CacheControl);
  }
  if (!fresh && headers.Expires) {
    // An Expires that cannot be read means "already expired" (RFC 9111, 5.3).
    const std::optional<int64_t> date = ParseHttpDate(*headers.Expires);
    fresh = date ? std::max<int64_t>(*date - fetchedAt, 0) : 0;
  }
  if (!fresh) {
    return std::nullopt;
  }
  return int64_t{fetchedAt} + std::min(*fresh, kMaxFreshSeconds);
}

}  // namespace

bool IsUsableEntityTag(std::string_view tag) {
  if (tag.empty() || tag.size() > kMaxEntityTagBytes) {
    return false;
  }
  return std::none_of(tag.begin(), tag.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
  });
}

TileValidators ValidatorsOf(const ValidatorHeaders& headers, std::time_t fetchedAt) {
  TileValidators validators;
  if (headers.ETag && IsUsableEntityTag(*headers.ETag)) {
    validators.ETag = *headers.ETag;
  }
  if (headers.LastModified) {
    const std::optional<int64_t> date = ParseHttpDate(*headers.LastModified);
    // A change said to lie in the future is a broken clock's: sending it back would ask
    // about a time that never was.
    if (date && *date <= fetchedAt) {
      validators.LastModified = date;
    }
  }
  validators.Expires = ExpiryOf(headers, fetchedAt);
  return validators;
}

std::string HttpDateText(int64_t seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm parts{};
  gmtime_r(&time, &parts);
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[parts.tm_wday],
                parts.tm_mday, kMonths[parts.tm_mon], parts.tm_year + 1900, parts.tm_hour,
                parts.tm_min, parts.tm_sec);
  return text;
}

std::vector<std::string> ConditionalHeaderLines(const TileValidators& validators) {
  std::vector<std::string> lines;
  if (IsUsableEntityTag(validators.ETag)) {
    lines.push_back("If-None-Match: " + validators.ETag);
  }
  if (validators.LastModified) {
    lines.push_back("If-Modified-Since: " + HttpDateText(*validators.LastModified));
  }
  return lines;
}

}  // namespace kartovel
