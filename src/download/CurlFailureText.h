// The message texts of failed requests: Winsock-style socket errors, "Connection Closed
// Gracefully." and status lines, worked out from what libcurl reports.
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

namespace kartovel {

// "Socket Error # N\r\ntext"
std::string SocketErrorText(int number, std::string_view text);

inline constexpr std::string_view kClosedGracefully = "Connection Closed Gracefully.";

// The message for a transfer that ended with result != CURLE_OK. osErrno is
// CURLINFO_OS_ERRNO; statusLine is the last status line received (a proxy's answer to
// CONNECT), empty when none.
std::string CurlFailureText(CURLcode result, long osErrno, std::string_view statusLine);

}  // namespace kartovel
