// Failure texts for the outcomes a loopback server cannot produce (local address
// shortage, a proxy refusing a tunnel), an errno left over from an earlier transfer, and
// the client's own texts that name the real cause.
#include "download/CurlFailureText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>

namespace kartovel {
namespace {

struct FailureTextCase {
  CURLcode Result;
  long OsErrno;
  const char* StatusLine;
  bool Connected;
  bool HeadComplete;
  const char* Expected;
};

void PrintTo(const FailureTextCase& row, std::ostream* out) {
  *out << "result " << row.Result << ", errno " << row.OsErrno;
}

class CurlFailureTextTest : public ::testing::TestWithParam<FailureTextCase> {};

TEST_P(CurlFailureTextTest, MapsToTheClassifiedText) {
  const auto& row = GetParam();
  EXPECT_EQ(
      CurlFailureText({row.Result, row.OsErrno, row.StatusLine, row.Connected, row.HeadComplete}),
      row.Expected);
}

constexpr char kReset[] = "Socket Error # 10054\r\nConnection reset by peer.";
constexpr char kRefused[] = "Socket Error # 10061\r\nConnection refused.";
constexpr char kTimedOut[] = "Socket Error # 10060\r\nConnection timed out.";
constexpr char kClosed[] = "Connection Closed Gracefully.";

INSTANTIATE_TEST_SUITE_P(
    Rows, CurlFailureTextTest,
    ::testing::Values(
        FailureTextCase{CURLE_RECV_ERROR, ECONNRESET, "", true, false, kReset},
        FailureTextCase{CURLE_SEND_ERROR, EPIPE, "", true, false, kReset},
        FailureTextCase{CURLE_INTERFACE_FAILED, EADDRINUSE, "", false, false,
                        "Socket Error # 10048\r\nAddress already in use."},
        FailureTextCase{CURLE_INTERFACE_FAILED, EADDRNOTAVAIL, "", false, false,
                        "Socket Error # 10049\r\nCannot assign requested address."},
        FailureTextCase{CURLE_COULDNT_CONNECT, ECONNREFUSED, "", false, false, kRefused},
        FailureTextCase{CURLE_COULDNT_CONNECT, EHOSTUNREACH, "", false, false,
                        "Socket Error # 10065\r\nNo route to host."},
        FailureTextCase{CURLE_OPERATION_TIMEDOUT, 0, "", true, false, kTimedOut},
        FailureTextCase{CURLE_COULDNT_CONNECT, ETIMEDOUT, "", false, false, kTimedOut},
        FailureTextCase{CURLE_COULDNT_RESOLVE_PROXY, 0, "", false, false,
                        "Socket Error # 11001\r\nHost not found."},
        FailureTextCase{CURLE_GOT_NOTHING, 0, "HTTP/1.1 200 OK", true, false, kClosed},
        FailureTextCase{CURLE_PARTIAL_FILE, 0, "HTTP/1.1 200 OK", true, true, kClosed},
        FailureTextCase{CURLE_RECV_ERROR, 0, "HTTP/1.1 407 Proxy Authentication Required", true,
                        true, "HTTP/1.1 407 Proxy Authentication Required"},
        FailureTextCase{CURLE_RECV_ERROR, ECONNRESET, "HTTP/1.1 200 OK", true, true, kReset},
        // errno outlives its transfer on a reused handle: results that no failed socket
        // call of this transfer gives never read it.
        FailureTextCase{CURLE_GOT_NOTHING, ECONNRESET, "", true, false, kClosed},
        FailureTextCase{CURLE_PARTIAL_FILE, ECONNREFUSED, "HTTP/1.1 200 OK", true, true, kClosed},
        FailureTextCase{CURLE_OPERATION_TIMEDOUT, ECONNRESET, "", true, false, kTimedOut},
        FailureTextCase{CURLE_COULDNT_RESOLVE_HOST, ECONNRESET, "", false, false,
                        "Socket Error # 11001\r\nHost not found."},
        // The client's own texts name what went wrong.
        FailureTextCase{CURLE_FILESIZE_EXCEEDED, 0, "HTTP/1.1 200 OK", true, true,
                        "Error: the server's answer is too large (over 32 MB)."},
        FailureTextCase{CURLE_OUT_OF_MEMORY, 0, "HTTP/1.1 200 OK", true, false,
                        "Error: the server's answer has a header that is too large."},
        FailureTextCase{CURLE_UNSUPPORTED_PROTOCOL, 0, "", true, false,
                        "Error: the server's answer is not HTTP."},
        FailureTextCase{CURLE_WEIRD_SERVER_REPLY, ECONNRESET, "", true, false,
                        "Error: the server's answer is not HTTP."},
        FailureTextCase{CURLE_UNSUPPORTED_PROTOCOL, 0, "", false, false, "Unsupported protocol"}));

TEST(CurlFailureTextTest, UnmappedFailuresCarryATextWithoutSocketErrorOrStatusCodes) {
  for (const CURLcode result :
       {CURLE_URL_MALFORMAT, CURLE_UNSUPPORTED_PROTOCOL, CURLE_WEIRD_SERVER_REPLY, CURLE_RECV_ERROR,
        CURLE_OUT_OF_MEMORY, CURLE_FILESIZE_EXCEEDED, CURLE_ABORTED_BY_CALLBACK}) {
    for (const bool connected : {false, true}) {
      const auto text = CurlFailureText({result, 0, "", connected, false});
      SCOPED_TRACE(text);
      EXPECT_FALSE(text.empty());
      for (const char* classified : {"Socket Error", "Connection Closed Gracefully", "10054",
                                     "10048", "302", "403", "404", "400"}) {
        EXPECT_EQ(text.find(classified), std::string::npos);
      }
    }
  }
}

}  // namespace
}  // namespace kartovel
