// The message texts of failed requests: Winsock-style socket errors, "Connection Closed
// Gracefully.", status lines and the client's own texts, worked out from what libcurl
// reports about one transfer.
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

namespace kartovel {

// "Socket Error # N\r\ntext"
std::string SocketErrorText(int number, std::string_view text);

inline constexpr std::string_view kClosedGracefully = "Connection Closed Gracefully.";
inline constexpr std::string_view kAnswerTooLarge =
    "Error: the server's answer is too large (over 32 MB).";
inline constexpr std::string_view kHeaderTooLarge =
    "Error: the server's answer has a header that is too large.";
inline constexpr std::string_view kNotHttp = "Error: the server's answer is not HTTP.";
inline constexpr std::string_view kRequestStopped = "Error: the request was stopped.";

// What one transfer that ended with Result != CURLE_OK left behind.
struct CurlTransferEnd {
  CURLcode Result = CURLE_OK;
  // CURLINFO_OS_ERRNO. libcurl does not clear it between the transfers of a handle, so
  // it is believed only for the results that a failed socket call of this transfer gives.
  long OsErrno = 0;
  std::string_view StatusLine;  // the last status line of this transfer, empty when none
  bool Connected = false;       // a connection to the server (or proxy) was made
  bool HeadComplete = false;    // the empty line after the last status line arrived
};

std::string CurlFailureText(const CurlTransferEnd& end);

}  // namespace kartovel
