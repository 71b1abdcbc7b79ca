// Conditional requests answered the way RFC 9110 section 13 orders them.
#include "tileserver/ConditionalReply.h"

#include <ctime>
#include <optional>
#include <vector>

namespace kartovel::loopback {
namespace {

// An IMF-fixdate ("Sun, 06 Nov 1994 08:49:37 GMT") as seconds since 1970.
std::optional<std::time_t> ParseFixDate(const std::string& text) {
  std::tm parts{};
  const char* end = strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &parts);
  if (end == nullptr || *end != '\0') {
    return std::nullopt;
  }
  return timegm(&parts);
}

bool NamesTag(std::string_view list, std::string_view tag) {
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    std::string_view item = list.substr(0, comma);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    if (item.starts_with("W/")) item.remove_prefix(2);  // weak comparison, as for GET
    if (item == "*" || (!tag.empty() && item == tag)) {
      return true;
    }
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
  }
  return false;
}

}  // namespace

bool HoldsCurrentVersion(const Request& request, const ResourceVersion& version) {
  if (const auto match = request.Header("If-None-Match")) {
    return NamesTag(*match, version.ETag);
  }
  const auto since = request.Header("If-Modified-Since");
  if (!since || version.LastModified.empty()) {
    return false;
  }
  const auto asked = ParseFixDate(*since);
  const auto changed = ParseFixDate(version.LastModified);
  return asked && changed && *asked >= *changed;
}

Reply VersionedReply(const Request& request, std::string_view contentType, std::string_view body,
                     const ResourceVersion& version) {
  std::vector<std::string> lines;
  if (!version.ETag.empty()) lines.push_back("ETag: " + version.ETag);
  if (!version.LastModified.empty()) lines.push_back("Last-Modified: " + version.LastModified);
  if (!version.CacheControl.empty()) lines.push_back("Cache-Control: " + version.CacheControl);
  if (HoldsCurrentVersion(request, version)) {
    std::string head = "HTTP/1.1 304 Not Modified\r\n";
    for (const auto& line : lines) head += line + "\r\n";
    return {head + "\r\n"};
  }
  return {ResponseBytes(200, contentType, body, lines)};
}

}  // namespace kartovel::loopback
