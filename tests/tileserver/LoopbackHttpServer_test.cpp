// The shared loopback HTTP server: request heads as received, keep-alive, malformed
// requests, and a prompt stop even while a reply is stalling.
#include "tileserver/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "download/HttpClient.h"

namespace kartovel::loopback {
namespace {

using namespace std::chrono_literals;

// A raw client connection: sends bytes as given and reads until the server closes.
class RawConnection {
 public:
  explicit RawConnection(uint16_t port) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ =
        ::connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const timeval limit{5, 0};
    ::setsockopt(socket_.Get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  bool Connected() const { return connected_; }
  void Send(const std::string& bytes) {
    ::send(socket_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
  std::string ReadUntilClosed() {
    std::string received;
    char chunk[4096];
    for (;;) {
      const auto count = ::recv(socket_.Get(), chunk, sizeof chunk, 0);
      if (count <= 0) {
        return received;
      }
      received.append(chunk, static_cast<std::size_t>(count));
    }
  }

 private:
  UniqueFd socket_;
  bool connected_ = false;
};

Reply EchoTarget(const Request& request) {
  return {ResponseBytes(200, "text/plain", request.Target())};
}

TEST(LoopbackHttpServerTest, ServesPipelinedRequestsOnOneConnectionInOrder) {
  HttpServer server(EchoTarget);
  RawConnection connection(server.Port());
  ASSERT_TRUE(connection.Connected());
  connection.Send(
      "GET /first HTTP/1.1\r\nHost: a\r\n\r\n"
      "POST /second HTTP/1.1\r\nContent-Length: 4\r\n\r\nbody"
      "GET /third HTTP/1.1\nConnection: close\n\n");
  EXPECT_EQ(connection.ReadUntilClosed(), ResponseBytes(200, "text/plain", "/first") +
                                              ResponseBytes(200, "text/plain", "/second") +
                                              ResponseBytes(200, "text/plain", "/third"));
}

TEST(LoopbackHttpServerTest, MalformedRequestLineGetsBadRequestAndClose) {
  std::atomic<int> handled{0};
  HttpServer server([&](const Request& request) {
    ++handled;
    return EchoTarget(request);
  });
  RawConnection connection(server.Port());
  connection.Send("NONSENSE\r\n\r\n");
  EXPECT_TRUE(connection.ReadUntilClosed().starts_with("HTTP/1.1 400 Bad Request\r\n"));
  EXPECT_EQ(handled.load(), 0);
}

TEST(LoopbackHttpServerTest, HandlerFailureGivesServerErrorInsteadOfEndingTheServer) {
  HttpServer server([](const Request&) -> Reply { throw std::runtime_error("boom"); });
  RawConnection connection(server.Port());
  connection.Send("GET / HTTP/1.1\r\n\r\n");
  EXPECT_TRUE(connection.ReadUntilClosed().starts_with("HTTP/1.1 500 "));
}

TEST(LoopbackHttpServerTest, StopEndsAStallingReplyAtOnce) {
  std::promise<void> requestSeen;
  HttpServer server([&](const Request&) {
    requestSeen.set_value();
    Reply reply;
    reply.Hold = 30s;
    reply.End = Reply::Ending::Close;
    return reply;
  });
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  auto result = std::async(std::launch::async, [&] {
    std::string body;
    return client->Get("http://127.0.0.1:" + std::to_string(server.Port()) + "/", body);
  });
  ASSERT_EQ(requestSeen.get_future().wait_for(5s), std::future_status::ready);
  const auto started = std::chrono::steady_clock::now();
  server.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
  ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
  const auto failure = result.get();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->Message, "Connection Closed Gracefully.");
}

TEST(LoopbackHttpServerTest, StopEndsAnEndlessTailAtOnce) {
  std::promise<void> requestSeen;
  HttpServer server([&](const Request&) {
    requestSeen.set_value();
    Reply reply{"HTTP/1.1 200 OK\r\n\r\n"};
    reply.Tail = [] { return std::string("x"); };
    reply.TailInterval = 30s;
    return reply;
  });
  RawConnection connection(server.Port());
  connection.Send("GET / HTTP/1.1\r\n\r\n");
  ASSERT_EQ(requestSeen.get_future().wait_for(5s), std::future_status::ready);
  const auto started = std::chrono::steady_clock::now();
  server.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
}

TEST(LoopbackHttpServerTest, ConnectionsAreNumberedInAcceptOrder) {
  std::mutex mutex;
  std::vector<int> ids;
  HttpServer server([&](const Request& request) {
    std::lock_guard lock(mutex);
    ids.push_back(request.ConnectionId);
    return EchoTarget(request);
  });
  for (int i = 0; i < 2; ++i) {
    RawConnection connection(server.Port());
    connection.Send("GET / HTTP/1.0\r\n\r\n");
    connection.ReadUntilClosed();
  }
  std::lock_guard lock(mutex);
  EXPECT_EQ(ids, (std::vector<int>{1, 2}));
}

struct HeadCase {
  const char* Head;
  bool Valid;
  const char* Method;
  const char* Target;
  std::size_t HeaderCount;
};

class ParseRequestHeadTest : public ::testing::TestWithParam<HeadCase> {};

TEST_P(ParseRequestHeadTest, SplitsRequestLineAndHeaders) {
  const auto& row = GetParam();
  const auto request = ParseRequestHead(row.Head);
  ASSERT_EQ(request.has_value(), row.Valid);
  if (request) {
    EXPECT_EQ(request->Method(), row.Method);
    EXPECT_EQ(request->Target(), row.Target);
    EXPECT_EQ(request->HeaderLines.size(), row.HeaderCount);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Heads, ParseRequestHeadTest,
    ::testing::Values(
        HeadCase{.Head = "GET /a?b=1 HTTP/1.1\r\nHost: x\r\nAccept: */*\r\n",
                 .Valid = true,
                 .Method = "GET",
                 .Target = "/a?b=1",
                 .HeaderCount = 2},
        HeadCase{.Head = "GET http://h/p HTTP/1.1\nHost: h\n",
                 .Valid = true,
                 .Method = "GET",
                 .Target = "http://h/p",
                 .HeaderCount = 1},
        HeadCase{.Head = "GET / HTTP/1.0\r\n",
                 .Valid = true,
                 .Method = "GET",
                 .Target = "/",
                 .HeaderCount = 0},
        HeadCase{.Head = "GET /\r\n", .Valid = false, .Method = "", .Target = "", .HeaderCount = 0},
        HeadCase{.Head = "GET / FTP/1.0\r\n",
                 .Valid = false,
                 .Method = "",
                 .Target = "",
                 .HeaderCount = 0},
        HeadCase{.Head = "", .Valid = false, .Method = "", .Target = "", .HeaderCount = 0}));

TEST(RequestTest, HeaderLookupIgnoresCaseAndTrimsBlanks) {
  const auto request =
      ParseRequestHead("GET / HTTP/1.1\r\nproxy-authorization:   Basic abc  \r\nConnection: close");
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->Header("Proxy-Authorization"), "Basic abc");
  EXPECT_EQ(request->Header("Referer"), std::nullopt);
  EXPECT_TRUE(WantsClose(*request));
}

}  // namespace
}  // namespace kartovel::loopback
