// Maps libcurl results and socket errno values to the failure texts callers classify.
#include "download/CurlFailureText.h"

#include <cerrno>
#include <optional>

namespace kartovel {
namespace {

struct SocketError {
  int Number;
  std::string_view Text;
};

std::optional<SocketError> FromErrno(long osErrno) {
  switch (osErrno) {
    case ECONNRESET:
    case EPIPE:  // writing to a connection the peer has reset
      return SocketError{10054, "Connection reset by peer."};
    case ECONNREFUSED:
      return SocketError{10061, "Connection refused."};
    case ETIMEDOUT:
      return SocketError{10060, "Connection timed out."};
    case EADDRINUSE:
      return SocketError{10048, "Address already in use."};
    case EADDRNOTAVAIL:
      return SocketError{10049, "Cannot assign requested address."};
    case ENETDOWN:
      return SocketError{10050, "Network is down."};
    case ENETUNREACH:
      return SocketError{10051, "Network is unreachable."};
    case ECONNABORTED:
      return SocketError{10053, "Software caused connection abort."};
    case EHOSTUNREACH:
      return SocketError{10065, "No route to host."};
    default:
      return std::nullopt;
  }
}

std::optional<SocketError> FromResult(CURLcode result) {
  switch (result) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return SocketError{11001, "Host not found."};
    case CURLE_OPERATION_TIMEDOUT:
      return SocketError{10060, "Connection timed out."};
    case CURLE_COULDNT_CONNECT:
      return SocketError{10061, "Connection refused."};
    default:
      return std::nullopt;
  }
}

}  // namespace

std::string SocketErrorText(int number, std::string_view text) {
  return "Socket Error # " + std::to_string(number) + "\r\n" + std::string(text);
}

std::string CurlFailureText(CURLcode result, long osErrno, std::string_view statusLine) {
  // errno first: a reset or a time-out is told apart from the result code alone only by it.
  if (const auto error = FromErrno(osErrno)) {
    return SocketErrorText(error->Number, error->Text);
  }
  if (const auto error = FromResult(result)) {
    return SocketErrorText(error->Number, error->Text);
  }
  if (result == CURLE_PARTIAL_FILE || result == CURLE_GOT_NOTHING) {
    return std::string(kClosedGracefully);
  }
  if (result == CURLE_RECV_ERROR && !statusLine.empty()) {
    return std::string(statusLine);  // a proxy refused the tunnel: its status says why
  }
  // libcurl's fixed description; it names the kind of failure and never an address.
  return curl_easy_strerror(result);
}

}  // namespace kartovel
