// Failure texts for the outcomes a loopback server cannot produce (local address
// shortage, a proxy refusing a tunnel) and the order in which errno and result count.
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
  const char* Expected;
};

void PrintTo(const FailureTextCase& row, std::ostream* out) {
  *out << "result " << row.Result << ", errno " << row.OsErrno;
}

class CurlFailureTextTest : public ::testing::TestWithParam<FailureTextCase> {};

TEST_P(CurlFailureTextTest, MapsToTheClassifiedText) {
  const auto& row = GetParam();
  EXPECT_EQ(CurlFailureText(row.Result, row.OsErrno, row.StatusLine), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CurlFailureTextTest,
    ::testing::Values(
        FailureTextCase{CURLE_RECV_ERROR, ECONNRESET, "",
                        "Socket Error # 10054\r\nConnection reset by peer."},
        FailureTextCase{CURLE_INTERFACE_FAILED, EADDRINUSE, "",
                        "Socket Error # 10048\r\nAddress already in use."},
        FailureTextCase{CURLE_INTERFACE_FAILED, EADDRNOTAVAIL, "",
                        "Socket Error # 10049\r\nCannot assign requested address."},
        FailureTextCase{CURLE_COULDNT_CONNECT, ECONNREFUSED, "",
                        "Socket Error # 10061\r\nConnection refused."},
        FailureTextCase{CURLE_OPERATION_TIMEDOUT, 0, "",
                        "Socket Error # 10060\r\nConnection timed out."},
        FailureTextCase{CURLE_OPERATION_TIMEDOUT, ETIMEDOUT, "",
                        "Socket Error # 10060\r\nConnection timed out."},
        FailureTextCase{CURLE_COULDNT_CONNECT, ETIMEDOUT, "",
                        "Socket Error # 10060\r\nConnection timed out."},
        FailureTextCase{CURLE_COULDNT_RESOLVE_PROXY, 0, "",
                        "Socket Error # 11001\r\nHost not found."},
        FailureTextCase{CURLE_GOT_NOTHING, 0, "HTTP/1.1 200 OK", "Connection Closed Gracefully."},
        FailureTextCase{CURLE_PARTIAL_FILE, 0, "HTTP/1.1 200 OK", "Connection Closed Gracefully."},
        FailureTextCase{CURLE_RECV_ERROR, 0, "HTTP/1.1 407 Proxy Authentication Required",
                        "HTTP/1.1 407 Proxy Authentication Required"},
        FailureTextCase{CURLE_RECV_ERROR, ECONNRESET, "HTTP/1.1 200 OK",
                        "Socket Error # 10054\r\nConnection reset by peer."}));

TEST(CurlFailureTextTest, UnmappedFailuresCarryATextWithoutSocketErrorOrStatusCodes) {
  for (const CURLcode result : {CURLE_URL_MALFORMAT, CURLE_UNSUPPORTED_PROTOCOL,
                                CURLE_WEIRD_SERVER_REPLY, CURLE_RECV_ERROR}) {
    const auto text = CurlFailureText(result, 0, "");
    SCOPED_TRACE(text);
    EXPECT_FALSE(text.empty());
    for (const char* classified :
         {"Socket Error", "Connection Closed Gracefully", "302", "403", "404", "400"}) {
      EXPECT_EQ(text.find(classified), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace kartovel
