// The tile service's address as the configuration gives it: a host name or address with
// an optional port, which becomes the start of every tile URL.
#pragma once

#include <string>
#include <string_view>

namespace kartovel {

// A DNS name or IPv4 address (letters, digits, "-", "_" and "." between non-empty
// labels) or a bracketed IPv6 address, then optionally ":" and a port from 1 to 65535.
// Anything else (blanks, a scheme, a path, a user) would make every tile URL unusable.
bool IsTileHost(std::string_view host);

// The message that stops Start when the configured host is unusable.
std::string TileHostFault(const std::string& host, const std::string& configFile);

}  // namespace kartovel
