// The libcurl client against loopback servers: the failure texts for every way a server
// or connection can fail, the exact header lines of both request profiles (direct and
// through a proxy), connection reuse and the emptying of the body between attempts.
#include "download/CurlHttpClient.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "support/Base64.h"
#include "support/ClosedPorts.h"
#include "support/LoopbackServer.h"

namespace kartovel {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using namespace std::chrono_literals;
using testing::LoopbackServer;
using testing::Reply;

const std::string kReset = "Socket Error # 10054\r\nConnection reset by peer.";
const std::string kClosed = "Connection Closed Gracefully.";
const std::string kRefused = "Socket Error # 10061\r\nConnection refused.";
const std::string kTimedOut = "Socket Error # 10060\r\nConnection timed out.";
const std::string kHostNotFound = "Socket Error # 11001\r\nHost not found.";
const std::string kTilePath = "/hx/tl?v=4.3&r=1&x=6744&y=991&z=14";

// A single label longer than 63 characters cannot be put into a DNS query, so the
// lookup fails inside this process and nothing is sent to a name server.
const std::string kUnresolvableHost = std::string(64, 'a') + ".invalid";

std::string FailureText(const std::optional<HttpFailure>& failure) {
  return failure ? failure->Message : "(success)";
}

Reply RawReply(std::string bytes, Reply::Ending end) {
  Reply reply;
  reply.Bytes = std::move(bytes);
  reply.End = end;
  return reply;
}

struct ServerFailureCase {
  const char* Name;
  Reply ServerReply;
  std::string Expected;
};

void PrintTo(const ServerFailureCase& row, std::ostream* out) {
  *out << row.Name;
}

class ServerFailureTest : public ::testing::TestWithParam<ServerFailureCase> {};

TEST_P(ServerFailureTest, GivesTheMessageCallersClassifyBy) {
  LoopbackServer server;
  server.Enqueue(GetParam().ServerReply);
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  EXPECT_EQ(FailureText(client->Get(server.Url(kTilePath), body)), GetParam().Expected);
  EXPECT_EQ(server.RequestCount(), 1u) << "a failure is never retried by the client itself";
}

INSTANTIATE_TEST_SUITE_P(
    EveryServerSideFailure, ServerFailureTest,
    ::testing::Values(
        ServerFailureCase{"ResetWithoutReply", testing::ResetReply(), kReset},
        ServerFailureCase{"ResetMidHeaders",
                          RawReply("HTTP/1.1 200 OK\r\nContent-Le", Reply::Ending::Reset), kReset},
        ServerFailureCase{"ResetMidBody", testing::ResetMidBodyReply("abc", 500), kReset},
        ServerFailureCase{"CloseWithoutReply", testing::CloseReply(), kClosed},
        ServerFailureCase{"CloseMidStatusLine", RawReply("HTTP/1.1 20", Reply::Ending::Close),
                          kClosed},
        ServerFailureCase{"CloseAfterStatusLine", testing::StatusLineOnlyReply(200), kClosed},
        ServerFailureCase{
            "CloseMidHeaders",
            RawReply("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n", Reply::Ending::Close), kClosed},
        ServerFailureCase{"CloseMidBody", testing::ShortBodyReply("abc", 500), kClosed},
        ServerFailureCase{"CloseMidChunkedBody",
                          RawReply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                   "10\r\nabc",
                                   Reply::Ending::Close),
                          kClosed},
        ServerFailureCase{"NotFound", testing::StatusReply(404, "missing"),
                          "HTTP/1.1 404 Not Found"},
        ServerFailureCase{"RedirectNotFollowed", testing::StatusReply(302), "HTTP/1.1 302 Found"},
        ServerFailureCase{"Forbidden", testing::StatusReply(403), "HTTP/1.1 403 Forbidden"},
        ServerFailureCase{"BadRequest", testing::StatusReply(400), "HTTP/1.1 400 Bad Request"},
        ServerFailureCase{"ServerError", testing::StatusReply(500),
                          "HTTP/1.1 500 Internal Server Error"},
        ServerFailureCase{"ReasonPhraseKeptAsSent",
                          RawReply("HTTP/1.1 503 Try Later\r\nContent-Length: 0\r\n\r\n",
                                   Reply::Ending::KeepOpen),
                          "HTTP/1.1 503 Try Later"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CurlHttpClientTest, SuccessFillsTheBodyWithExactlyTheResponseBytes) {
  LoopbackServer server;
  const std::string bytes("\x89PNG\0\r\n\x1a binary", 15);
  server.Enqueue(testing::PngReply(bytes));
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body = "left over from before";
  EXPECT_EQ(client->Get(server.Url(kTilePath), body), std::nullopt);
  EXPECT_EQ(body, bytes);
}

TEST(CurlHttpClientTest, EmptySuccessfulBodyIsASuccess) {
  LoopbackServer server;
  server.Enqueue(RawReply("HTTP/1.1 204 No Content\r\n\r\n", Reply::Ending::KeepOpen));
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body = "stale";
  EXPECT_EQ(client->Get(server.Url(kTilePath), body), std::nullopt);
  EXPECT_EQ(body, "");
}

TEST(CurlHttpClientTest, FailedShortBodyThenSuccessLeavesOnlyTheSecondBody) {
  LoopbackServer server;
  server.Enqueue({testing::ShortBodyReply("partial-bytes", 400), testing::PngReply()});
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  EXPECT_EQ(FailureText(client->Get(server.Url(kTilePath), body)), kClosed);
  EXPECT_EQ(client->Get(server.Url(kTilePath), body), std::nullopt);
  EXPECT_EQ(body, testing::SmallPng());
}

TEST(CurlHttpClientTest, RefusedConnection) {
  testing::RefusedPort port;
  ASSERT_NE(port.Port(), 0);
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  EXPECT_EQ(FailureText(client->Get(port.Url(kTilePath), body)), kRefused);
}

TEST(CurlHttpClientTest, RefusingProxy) {
  testing::RefusedPort port;
  auto options = WorkerRequestProfile();
  options.Proxy = HttpProxy{"127.0.0.1", port.Port(), "user", "secret"};
  auto client = CreateCurlHttpClient(options);
  std::string body;
  EXPECT_EQ(FailureText(client->Get("http://tile.invalid" + kTilePath, body)), kRefused);
}

TEST(CurlHttpClientTest, HostThatDoesNotResolve) {
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  EXPECT_EQ(FailureText(client->Get("http://" + kUnresolvableHost + kTilePath, body)),
            kHostNotFound);
}

TEST(CurlHttpClientTest, ProxyThatDoesNotResolve) {
  auto options = WorkerRequestProfile();
  options.Proxy = HttpProxy{kUnresolvableHost, 8080, "", ""};
  auto client = CreateCurlHttpClient(options);
  std::string body;
  EXPECT_EQ(FailureText(client->Get("http://tile.invalid" + kTilePath, body)), kHostNotFound);
}

TEST(CurlHttpClientTest, UnansweredConnectTimesOut) {
  testing::UnansweredPort port;
  ASSERT_NE(port.Port(), 0);
  auto options = WorkerRequestProfile();
  options.ConnectTimeout = 300ms;
  auto client = CreateCurlHttpClient(options);
  std::string body;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(FailureText(client->Get(port.Url(kTilePath), body)), kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST(CurlHttpClientTest, StalledServerTimesOut) {
  LoopbackServer server;
  server.Enqueue(testing::StallReply(20s));
  auto options = WorkerRequestProfile();
  options.StallLimit = 1s;
  auto client = CreateCurlHttpClient(options);
  std::string body;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(FailureText(client->Get(server.Url(kTilePath), body)), kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

TEST(CurlHttpClientTest, RedirectIsNotFollowed) {
  LoopbackServer server;
  server.Enqueue(testing::StatusReply(302));
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  EXPECT_EQ(FailureText(client->Get(server.Url(kTilePath), body)), "HTTP/1.1 302 Found");
  EXPECT_FALSE(server.WaitForRequests(2, 200ms));
}

TEST(CurlHttpClientTest, WorkerProfileSendsOnlyAcceptAndIndyUserAgent) {
  LoopbackServer server;
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  ASSERT_EQ(client->Get(server.Url(kTilePath), body), std::nullopt);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].RequestLine, "GET " + kTilePath + " HTTP/1.1");
  EXPECT_THAT(requests[0].HeaderLines,
              UnorderedElementsAre("Host: " + server.HostPort(),
                                   "User-Agent: Mozilla/3.0 (compatible; Indy Library)",
                                   "Accept: text/html, */*"));
}

TEST(CurlHttpClientTest, RedownloadProfileSendsRefererItsUserAgentAndKeepAlive) {
  LoopbackServer server;
  auto client = CreateCurlHttpClient(RedownloadRequestProfile());
  std::string body;
  ASSERT_EQ(client->Get(server.Url(kTilePath), body), std::nullopt);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_THAT(
      requests[0].HeaderLines,
      UnorderedElementsAre("Host: " + server.HostPort(), "Referer: https://www.openstreetmap.org/",
                           "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)",
                           "Connection: Keep_Alive", "Accept: text/html, */*"));
}

TEST(CurlHttpClientTest, KeepAliveTokenWithUnderscoreStillReusesTheConnection) {
  LoopbackServer server;
  auto client = CreateCurlHttpClient(RedownloadRequestProfile());
  std::string body;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(client->Get(server.Url(kTilePath), body), std::nullopt);
  }
  EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST(CurlHttpClientTest, OneClientKeepsOneConnectionAndTwoClientsUseTwo) {
  LoopbackServer server;
  auto first = CreateCurlHttpClient(WorkerRequestProfile());
  auto second = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  ASSERT_EQ(first->Get(server.Url(kTilePath), body), std::nullopt);
  ASSERT_EQ(first->Get(server.Url(kTilePath), body), std::nullopt);
  ASSERT_EQ(second->Get(server.Url(kTilePath), body), std::nullopt);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].ConnectionId, requests[1].ConnectionId);
  EXPECT_NE(requests[1].ConnectionId, requests[2].ConnectionId);
}

TEST(CurlHttpClientTest, StatusFailureKeepsTheConnectionForTheNextRequest) {
  LoopbackServer server;
  server.Enqueue(testing::StatusReply(404, "no such tile"));
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  EXPECT_EQ(FailureText(client->Get(server.Url(kTilePath), body)), "HTTP/1.1 404 Not Found");
  EXPECT_EQ(client->Get(server.Url(kTilePath), body), std::nullopt);
  EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST(CurlHttpClientTest, DeadKeptConnectionIsRetriedWithoutAStaleFailure) {
  LoopbackServer server;
  server.Enqueue({testing::PngReply(), testing::ResetReply()});
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  ASSERT_EQ(client->Get(server.Url(kTilePath), body), std::nullopt);
  EXPECT_EQ(client->Get(server.Url(kTilePath), body), std::nullopt);
  EXPECT_EQ(body, testing::SmallPng());
  EXPECT_EQ(server.RequestCount(), 3u);
}

TEST(CurlHttpClientTest, ProxiedRequestsCarryBasicCredentialsEveryTimeOnOneConnection) {
  LoopbackServer proxy(LoopbackServer::Options{{}, testing::ProxyCredentials{"user", "p@ss:w"}});
  auto options = WorkerRequestProfile();
  options.Proxy = HttpProxy{"127.0.0.1", proxy.Port(), "user", "p@ss:w"};
  auto client = CreateCurlHttpClient(options);
  std::string body;
  const std::string url = "http://tile.invalid" + kTilePath;
  ASSERT_EQ(client->Get(url, body), std::nullopt);
  ASSERT_EQ(client->Get(url, body), std::nullopt);
  EXPECT_EQ(body, testing::SmallPng());
  const auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_EQ(request.RequestLine, "GET " + url + " HTTP/1.1");
    EXPECT_THAT(
        request.HeaderLines,
        UnorderedElementsAre("Host: tile.invalid",
                             "Proxy-Authorization: Basic " + testing::Base64Encode("user:p@ss:w"),
                             "User-Agent: Mozilla/3.0 (compatible; Indy Library)",
                             "Accept: text/html, */*"));
  }
  EXPECT_EQ(requests[0].ConnectionId, requests[1].ConnectionId);
}

TEST(CurlHttpClientTest, ProxyWithoutUserNameGetsNoCredentials) {
  LoopbackServer proxy;
  auto options = WorkerRequestProfile();
  options.Proxy = HttpProxy{"127.0.0.1", proxy.Port(), "", "ignored"};
  auto client = CreateCurlHttpClient(options);
  std::string body;
  ASSERT_EQ(client->Get("http://tile.invalid" + kTilePath, body), std::nullopt);
  const auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_THAT(requests[0].HeaderLines,
              UnorderedElementsAre("Host: tile.invalid",
                                   "User-Agent: Mozilla/3.0 (compatible; Indy Library)",
                                   "Accept: text/html, */*"));
}

TEST(CurlHttpClientTest, ProxyRefusingTheCredentialsGivesItsStatusLine) {
  LoopbackServer proxy(LoopbackServer::Options{{}, testing::ProxyCredentials{"user", "right"}});
  auto options = WorkerRequestProfile();
  options.Proxy = HttpProxy{"127.0.0.1", proxy.Port(), "user", "wrong"};
  auto client = CreateCurlHttpClient(options);
  std::string body;
  EXPECT_EQ(FailureText(client->Get("http://tile.invalid" + kTilePath, body)),
            "HTTP/1.1 407 Proxy Authentication Required");
}

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() { ::unsetenv(name_); }

 private:
  const char* name_;
};

TEST(CurlHttpClientTest, ProxyEnvironmentVariablesAreIgnored) {
  LoopbackServer server;
  testing::RefusedPort deadProxy;
  const ScopedEnvironment httpProxy("http_proxy",
                                    "http://127.0.0.1:" + std::to_string(deadProxy.Port()));
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  EXPECT_EQ(client->Get(server.Url(kTilePath), body), std::nullopt);
  EXPECT_THAT(server.Requests().at(0).RequestLine, ::testing::StartsWith("GET /hx/tl?"));
}

TEST(CurlHttpClientTest, OtherSchemesAreRefusedWithATextualFailure) {
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  const auto failure = client->Get("file:///etc/passwd", body);
  ASSERT_TRUE(failure.has_value());
  EXPECT_FALSE(failure->Message.empty());
  EXPECT_EQ(body, "");
}

}  // namespace
}  // namespace kartovel
