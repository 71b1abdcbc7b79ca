// Checking the configured tile service host before it goes into tile URLs.
#include "engine/TileHost.h"

#include <algorithm>
#include <cctype>

namespace kartovel {
namespace {

constexpr std::size_t kMaxHostNameLength = 253;
constexpr long kMaxPort = 65535;

bool IsNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
}

bool IsHostName(std::string_view name) {
  if (name.empty() || name.size() > kMaxHostNameLength) {
    return false;
  }
  std::size_t labelStart = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || name[i] == '.') {
      if (i == labelStart) {
        return false;  // an empty label: "..", or a point at either end
      }
      labelStart = i + 1;
    } else if (!IsNameCharacter(name[i])) {
      return false;
    }
  }
  return true;
}

bool IsBracketedIpv6(std::string_view text) {
  if (text.size() < 4 || text.front() != '[' || text.back() != ']') {
    return false;
  }
  const std::string_view inside = text.substr(1, text.size() - 2);
  return inside.find(':') != std::string_view::npos &&
         std::all_of(inside.begin(), inside.end(), [](char c) {
           return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
         });
}

bool IsPort(std::string_view text) {
  if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
      })) {
    return false;
  }
  const long port = std::stol(std::string(text));
  return port >= 1 && port <= kMaxPort;
}

}  // namespace

bool IsTileHost(std::string_view host) {
  std::string_view name = host;
  const std::size_t bracketEnd = host.rfind(']');
  const std::size_t colon = host.rfind(':');
  const bool hasPort = colon != std::string_view::npos &&
                       (bracketEnd == std::string_view::npos || colon > bracketEnd);
  if (hasPort) {
    if (!IsPort(host.substr(colon + 1))) {
      return false;
    }
    name = host.substr(0, colon);
  }
  return !name.empty() && name.front() == '[' ? IsBracketedIpv6(name) : IsHostName(name);
}

std::string TileHostFault(const std::string& host, const std::string& configFile) {
  return "The tile service host \"" + host + "\" in " + configFile +
         " is not a host name or address with an optional port, such as 127.0.0.1:8642.";
}

}  // namespace kartovel
