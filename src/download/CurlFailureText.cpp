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

constexpr SocketError kReset{10054, "Connection reset by peer."};
constexpr SocketError kRefused{10061, "Connection refused."};
constexpr SocketError kTimedOut{10060, "Connection timed out."};
constexpr SocketError kHostNotFound{11001, "Host not found."};
constexpr SocketError kAddressNotAvailable{10049, "Cannot assign requested address."};

std::optional<SocketError> FromErrno(long osErrno) {
  switch (osErrno) {
    case ECONNRESET:
    case EPIPE:  // writing to a connection the peer has reset
      return kReset;
    case ECONNREFUSED:
      return kRefused;
    case ETIMEDOUT:
      return kTimedOut;
    case EADDRINUSE:
      return SocketError{10048, "Address already in use."};
    case EADDRNOTAVAIL:
      return kAddressNotAvailable;
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

std::string TextOf(const SocketError& error) {
  return SocketErrorText(error.Number, error.Text);
}

// A failed socket call of this transfer: its errno says what happened, else the result.
std::string SocketCallText(const CurlTransferEnd& end, const SocketError& fallback) {
  const auto error = FromErrno(end.OsErrno);
  return TextOf(error ? *error : fallback);
}

std::string ReceiveErrorText(const CurlTransferEnd& end) {
  if (const auto error = FromErrno(end.OsErrno)) {
    return TextOf(*error);
  }
  if (!end.StatusLine.empty()) {
    return std::string(end.StatusLine);  // a proxy refused the tunnel: its status says why
  }
  return curl_easy_strerror(end.Result);
}

}  // namespace

std::string SocketErrorText(int number, std::string_view text) {
  return "Socket Error # " + std::to_string(number) + "\r\n" + std::string(text);
}

std::string CurlFailureText(const CurlTransferEnd& end) {
  switch (end.Result) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return TextOf(kHostNotFound);
    case CURLE_OPERATION_TIMEDOUT:
      return TextOf(kTimedOut);
    case CURLE_COULDNT_CONNECT:
      return SocketCallText(end, kRefused);
    case CURLE_INTERFACE_FAILED:
      return SocketCallText(end, kAddressNotAvailable);
    case CURLE_SEND_ERROR:
      return SocketCallText(end, kReset);
    case CURLE_RECV_ERROR:
      return ReceiveErrorText(end);
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
      return std::string(kClosedGracefully);
    case CURLE_FILESIZE_EXCEEDED:
      return std::string(kAnswerTooLarge);
    case CURLE_ABORTED_BY_CALLBACK:
      return std::string(kRequestStopped);
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
      // Once connected, these mean that the bytes that came back were not HTTP.
      return end.Connected ? std::string(kNotHttp) : curl_easy_strerror(end.Result);
    case CURLE_OUT_OF_MEMORY:
      // libcurl refuses a header line longer than it keeps with this result.
      return end.Connected && !end.HeadComplete ? std::string(kHeaderTooLarge)
                                                : curl_easy_strerror(end.Result);
    default:
      // libcurl's fixed description; it names the kind of failure and never an address.
      return curl_easy_strerror(end.Result);
  }
}

}  // namespace kartovel
