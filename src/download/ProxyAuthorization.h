// The preemptive Basic credentials for a proxy, built here rather than by the HTTP
// library: some libcurl versions percent-decode a user name or password they are given,
// and the proxy must receive the bytes the user typed.
#pragma once

#include <string>
#include <string_view>

namespace kartovel {

// Base64 of the bytes as they are (RFC 4648, with padding).
std::string Base64Encode(std::string_view bytes);

// "Proxy-Authorization: Basic " + Base64(username + ":" + password)
std::string ProxyAuthorizationLine(std::string_view username, std::string_view password);

}  // namespace kartovel
