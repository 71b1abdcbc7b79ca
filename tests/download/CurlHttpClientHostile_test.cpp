// The libcurl client against failing and hostile loopback servers: every pair of
// failures on one client, credentials that must reach the proxy byte for byte, answers
// too large to keep, a Stop that cuts a trickle, texts that name the real cause, the
// status code and Retry-After of a busy server, and a failure at every call into libcurl.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "MemoryChild.h"
#include "common/Error.h"
#include "download/CurlHttpClient.h"
#include "download/TileFailure.h"
#include "support/Base64.h"
#include "support/ClosedPorts.h"
#include "support/LoopbackServer.h"

namespace kartovel {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackServer;
using testing::Reply;

const std::string kReset = "Socket Error # 10054\r\nConnection reset by peer.";
const std::string kClosed = "Connection Closed Gracefully.";
const std::string kRefused = "Socket Error # 10061\r\nConnection refused.";
const std::string kTimedOut = "Socket Error # 10060\r\nConnection timed out.";
const std::string kNotFound = "HTTP/1.1 404 Not Found";
const std::string kTooLarge = "Error: the server's answer is too large (over 32 MB).";
const std::string kHeaderTooLarge = "Error: the server's answer has a header that is too large.";
const std::string kNotHttp = "Error: the server's answer is not HTTP.";
const std::string kSuccess = "(success)";

std::string TextOf(const std::optional<HttpFailure>& failure) {
  return failure ? failure->Message : kSuccess;
}

Reply RawReply(std::string bytes, Reply::Ending end) {
  Reply reply;
  reply.Bytes = std::move(bytes);
  reply.End = end;
  return reply;
}

// ---- Every pair of failures on one client ----

enum class Step { Reset, Refused, Close, Stall, ShortBody, NotFound, Ok };

struct StepOutcome {
  const char* Name;
  std::string Text;
  TileFailureClass Class;  // for Ok: unused
};

StepOutcome OutcomeOf(Step step) {
  switch (step) {
    case Step::Reset:
      return {"Reset", kReset, TileFailureClass::Reset};
    case Step::Refused:
      return {"Refused", kRefused, TileFailureClass::Network};
    case Step::Close:
      return {"Close", kClosed, TileFailureClass::Reset};
    case Step::Stall:
      return {"Stall", kTimedOut, TileFailureClass::Network};
    case Step::ShortBody:
      return {"ShortBody", kClosed, TileFailureClass::Reset};
    case Step::NotFound:
      return {"NotFound", kNotFound, TileFailureClass::NotFound};
    case Step::Ok:
      return {"Ok", kSuccess, TileFailureClass::Other};
  }
  return {};
}

// The replies a step takes. A reset or close without a byte on a connection kept from
// the step before makes libcurl ask once more on a new one, so it is scripted twice then.
std::vector<Reply> RepliesOf(Step step, bool connectionKept) {
  const int copies = connectionKept && (step == Step::Reset || step == Step::Close) ? 2 : 1;
  switch (step) {
    case Step::Reset:
      return std::vector<Reply>(copies, testing::ResetReply());
    case Step::Close:
      return std::vector<Reply>(copies, testing::CloseReply());
    case Step::Stall:
      return {testing::StallReply(20s)};
    case Step::ShortBody:
      return {testing::ShortBodyReply("abc", 500)};
    case Step::NotFound:
      return {testing::StatusReply(404)};
    case Step::Ok:
      return {testing::PngReply()};
    case Step::Refused:
      return {};
  }
  return {};
}

bool KeepsConnection(Step step) {
  return step == Step::NotFound || step == Step::Ok;
}

class FailurePair : public ::testing::TestWithParam<std::tuple<Step, Step>> {};

TEST_P(FailurePair, EachTransferIsToldByItsOwnFailureAlone) {
  const auto [first, second] = GetParam();
  LoopbackServer server;
  testing::RefusedPort refused;
  server.Enqueue(RepliesOf(first, false));
  server.Enqueue(RepliesOf(second, KeepsConnection(first)));
  auto options = WorkerRequestProfile();
  options.AttemptLimit = 300ms;  // a stall ends quickly
  auto client = CreateCurlHttpClient(options);

  for (const Step step : {first, second}) {
    const std::string url = step == Step::Refused ? refused.Url("/t.png") : server.Url("/t.png");
    std::string body;
    const auto failure = client->Get(url, body);
    const StepOutcome expected = OutcomeOf(step);
    SCOPED_TRACE(expected.Name);
    EXPECT_EQ(TextOf(failure), expected.Text);
    if (failure) {
      EXPECT_EQ(ClassifyTileFailure(*failure), expected.Class);
    } else {
      EXPECT_EQ(body, testing::SmallPng());
    }
  }
  EXPECT_EQ(server.PendingReplies(), 0u);
}

const auto kSteps = ::testing::Values(Step::Reset, Step::Refused, Step::Close, Step::Stall,
                                      Step::ShortBody, Step::NotFound, Step::Ok);

INSTANTIATE_TEST_SUITE_P(BothOrders, FailurePair, ::testing::Combine(kSteps, kSteps),
                         [](const auto& info) {
                           return std::string(OutcomeOf(std::get<0>(info.param)).Name) + "Then" +
                                  OutcomeOf(std::get<1>(info.param)).Name;
                         });

// ---- Proxy credentials, byte for byte ----

struct Credentials {
  const char* Name;
  std::string Username;
  std::string Password;
};

class ProxyCredentialBytes : public ::testing::TestWithParam<Credentials> {};

TEST_P(ProxyCredentialBytes, ReachTheProxyAsTyped) {
  const Credentials& typed = GetParam();
  LoopbackServer proxy(
      LoopbackServer::Options{{}, testing::ProxyCredentials{typed.Username, typed.Password}});
  auto options = WorkerRequestProfile();
  options.Proxy = HttpProxy{"127.0.0.1", proxy.Port(), typed.Username, typed.Password};
  auto client = CreateCurlHttpClient(options);
  std::string body;
  EXPECT_EQ(TextOf(client->Get("http://tile.invalid/t.png", body)), kSuccess);
  ASSERT_EQ(proxy.RequestCount(), 1u);
  EXPECT_EQ(proxy.Requests()[0].Header("Proxy-Authorization"),
            "Basic " + testing::Base64Encode(typed.Username + ":" + typed.Password));
}

INSTANTIATE_TEST_SUITE_P(
    Typed, ProxyCredentialBytes,
    ::testing::Values(Credentials{"PercentEscapes", "us%20er", "pa%20ss:w"},
                      Credentials{"LonePercents", "%", "%%41%"}, Credentials{"Colons", "a:b", "::"},
                      Credentials{"NonAscii", "J\xC3\xBCrgen", "\xE5\xAF\x86\xE7\xA0\x81\xFF"},
                      Credentials{"EmptyPassword", "user", ""},
                      Credentials{"BlanksAndAt", " user @host", "p@ss word "}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Answers too large to keep ----

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMemoryIsTheProgramsOwn = false;  // the sanitizers keep freed memory
#else
constexpr bool kMemoryIsTheProgramsOwn = true;
#endif

// Starts this test program again as the memory child (a new process image, so nothing
// this process holds counts) and returns its exit status and peak resident memory.
std::pair<int, long> RunMemoryChildProcess() {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    environment.emplace_back(*entry);
  }
  environment.push_back(std::string(testing::kMemoryChildVariable) + "=1");
  std::vector<char*> envp;
  for (auto& entry : environment) {
    envp.push_back(entry.data());
  }
  envp.push_back(nullptr);
  std::string program = "/proc/self/exe";
  std::string filter = "--gtest_filter=-*";
  char* argv[] = {program.data(), filter.data(), nullptr};
  pid_t child = -1;
  if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
    return {-1, 0};
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)) {
    return {-1, 0};
  }
  return {WEXITSTATUS(status), usage.ru_maxrss};
}

TEST(OversizedAnswer, PeakMemoryStaysUnderAHundredMegabytesWhileAGigabyteComes) {
  if (!kMemoryIsTheProgramsOwn) {
    GTEST_SKIP() << "sanitizers hold freed memory back";
  }
  const auto [status, peakKilobytes] = RunMemoryChildProcess();
  EXPECT_EQ(status, testing::kMemoryChildPassed);
  // The client held a full buffer of 32 MB before it gave up, and not much more.
  EXPECT_GT(peakKilobytes, 32 * 1024);
  EXPECT_LT(peakKilobytes, 100 * 1024);
}

constexpr uint64_t kGigabyte = uint64_t{1} << 30;

class OversizedAnswer : public ::testing::TestWithParam<testing::BodyFraming> {};

TEST_P(OversizedAnswer, IsCutAtTheCapAndNothingOfItIsKept) {
  LoopbackServer server;
  auto sent = std::make_shared<std::atomic<uint64_t>>(0);
  server.Enqueue(testing::StreamedBodyReply(kGigabyte, GetParam(), sent));
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;

  const auto failure = client->Get(server.Url("/t.png"), body);

  EXPECT_EQ(TextOf(failure), kTooLarge);
  ASSERT_TRUE(failure);
  EXPECT_EQ(ClassifyTileFailure(*failure), TileFailureClass::Other);
  EXPECT_EQ(body.capacity(), std::string().capacity());
  EXPECT_LT(sent->load(), kGigabyte / 8) << "the client stopped reading";
}

INSTANTIATE_TEST_SUITE_P(Framings, OversizedAnswer,
                         ::testing::Values(testing::BodyFraming::ContentLength,
                                           testing::BodyFraming::Chunked,
                                           testing::BodyFraming::UntilClose));

TEST(OversizedAnswer, TheCapItselfIsStillAccepted) {
  LoopbackServer server;
  server.Enqueue(testing::StreamedBodyReply(kMaxResponseBodyBytes, testing::BodyFraming::Chunked));
  server.Enqueue(
      testing::StreamedBodyReply(kMaxResponseBodyBytes + 1, testing::BodyFraming::UntilClose));
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  EXPECT_EQ(TextOf(client->Get(server.Url("/t.png"), body)), kSuccess);
  EXPECT_EQ(body.size(), kMaxResponseBodyBytes);
  EXPECT_EQ(TextOf(client->Get(server.Url("/t.png"), body)), kTooLarge);
}

// ---- Stop and the bound of one attempt ----

// Sets the flag once the server has the request, and tells how long the client took
// from then on.
std::chrono::steady_clock::duration TimeFromStopToReturn(LoopbackServer& server,
                                                         std::optional<HttpFailure>& failure) {
  std::stop_source stop;
  auto options = WorkerRequestProfile();
  options.Stop = stop.get_token();
  auto client = CreateCurlHttpClient(options);
  std::chrono::steady_clock::time_point stoppedAt;
  std::thread stopper([&] {
    server.WaitForRequests(1, 5s);
    std::this_thread::sleep_for(300ms);
    stoppedAt = std::chrono::steady_clock::now();
    stop.request_stop();
  });
  std::string body;
  failure = client->Get(server.Url("/t.png"), body);
  const auto returnedAt = std::chrono::steady_clock::now();
  stopper.join();
  return returnedAt - stoppedAt;
}

class StopDuring : public ::testing::TestWithParam<Reply> {};

TEST_P(StopDuring, EndsTheTransferWithinASecond) {
  LoopbackServer server;
  server.Enqueue(GetParam());
  std::optional<HttpFailure> failure;
  EXPECT_LT(TimeFromStopToReturn(server, failure), 1s);
  ASSERT_TRUE(failure);
  EXPECT_TRUE(failure->Stopped);
}

INSTANTIATE_TEST_SUITE_P(Servers, StopDuring,
                         ::testing::Values(testing::TrickleReply(500ms), testing::StallReply(30s),
                                           testing::DelayedReply(testing::PngReply(), 30s)));

TEST(AttemptLimit, EndsATrickleThatTheStallCheckLetsThroughAsATimeOut) {
  LoopbackServer server;
  server.Enqueue(testing::TrickleReply(100ms));
  auto options = WorkerRequestProfile();
  options.AttemptLimit = 700ms;
  auto client = CreateCurlHttpClient(options);
  std::string body;
  const auto failure = client->Get(server.Url("/t.png"), body);
  EXPECT_EQ(TextOf(failure), kTimedOut);
  EXPECT_EQ(ClassifyTileFailure(*failure), TileFailureClass::Network);
}

// ---- Texts that name the real cause ----

struct HostileCase {
  const char* Name;
  std::function<Reply()> MakeReply;  // made when the test runs: some are megabytes
  std::string Expected;
};

class HostileAnswer : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileAnswer, IsNamedForWhatItIs) {
  LoopbackServer server;
  server.Enqueue(GetParam().MakeReply());
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  EXPECT_EQ(TextOf(client->Get(server.Url("/t.png"), body)), GetParam().Expected);
}

std::string RandomBytes(std::size_t count) {
  std::string bytes;
  uint32_t state = 12345;
  for (std::size_t i = 0; i < count; ++i) {
    state = state * 1103515245 + 12345;
    bytes += static_cast<char>(state >> 24);
  }
  return bytes;
}

Reply ManyHeaderLines() {
  std::string lines;
  for (int i = 0; i < 40000; ++i) {
    lines += "X-Pad-" + std::to_string(i) + ": " + std::string(40, 'b') + "\r\n";
  }
  return RawReply("HTTP/1.1 200 OK\r\n" + lines, Reply::Ending::Close);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, HostileAnswer,
    ::testing::Values(
        HostileCase{"TenMegabyteHeader",
                    [] {
                      return RawReply(
                          "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(10 << 20, 'a') + "\r\n\r\n",
                          Reply::Ending::Close);
                    },
                    kHeaderTooLarge},
        HostileCase{"TwoMegabytesOfShortHeaderLines", ManyHeaderLines, kHeaderTooLarge},
        HostileCase{"RandomBytes", [] { return RawReply(RandomBytes(4096), Reply::Ending::Close); },
                    kNotHttp},
        HostileCase{"GarbledStatusLine",
                    [] {
                      return RawReply("HTTP/1.1 2x0 OK\r\nContent-Length: 0\r\n\r\n",
                                      Reply::Ending::Close);
                    },
                    kNotHttp},
        HostileCase{"ReasonPhraseWithSocketWords",
                    [] {
                      return RawReply(
                          "HTTP/1.1 503 Service Unavailable 10054\r\nContent-Length: 0\r\n\r\n",
                          Reply::Ending::KeepOpen);
                    },
                    "HTTP/1.1 503 Service Unavailable 10054"}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Status codes and Retry-After ----

struct BusyCase {
  const char* Name;
  std::string Head;
  int Status;
  std::optional<std::chrono::seconds> RetryAfter;
  TileFailureClass Class;
};

class BusyServer : public ::testing::TestWithParam<BusyCase> {};

TEST_P(BusyServer, GivesItsCodeAndTheWaitItAskedFor) {
  LoopbackServer server;
  server.Enqueue(RawReply(GetParam().Head + "Content-Length: 0\r\n\r\n", Reply::Ending::KeepOpen));
  auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  const auto failure = client->Get(server.Url("/t.png"), body);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->Status, GetParam().Status);
  EXPECT_EQ(failure->RetryAfter, GetParam().RetryAfter);
  EXPECT_EQ(ClassifyTileFailure(*failure), GetParam().Class);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BusyServer,
    ::testing::Values(BusyCase{"ServiceUnavailable",
                               "HTTP/1.1 503 Service Unavailable\r\nRetry-After: 120\r\n", 503,
                               120s, TileFailureClass::Other},
                      BusyCase{"TooManyRequests", "HTTP/1.1 429 Slow Down\r\nretry-after:  7 \r\n",
                               429, 7s, TileFailureClass::Other},
                      BusyCase{"RetryAfterOnlyCountsForBusyAnswers",
                               "HTTP/1.1 500 Oops\r\nRetry-After: 30\r\n", 500, std::nullopt,
                               TileFailureClass::Other},
                      BusyCase{"ReasonPhraseWordsAreNotTheCode", "HTTP/1.1 500 Error 404 302\r\n",
                               500, std::nullopt, TileFailureClass::Other}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- A failure at every call into libcurl ----

TEST(HttpFaultPlan, AFailureAtAnyCallIsAnErrorOrAFailureTextNeverACrash) {
  LoopbackServer server;
  const std::string url = server.Url("/t.png");
  int construction = 0;
  int request = 0;
  for (int call = 1;; ++call) {
    SCOPED_TRACE(call);
    HttpFaultPlan plan{call, 0};
    auto options = WorkerRequestProfile();
    options.Proxy = HttpProxy{"127.0.0.1", server.Port(), "user", "secret"};
    options.Faults = &plan;
    std::unique_ptr<HttpClient> client;
    try {
      client = CreateCurlHttpClient(options);
    } catch (const AppError& error) {
      EXPECT_STRNE(error.what(), "");
      ++construction;
      continue;
    }
    std::string body;
    const auto failure = client->Get(url, body);
    if (!failure) {
      EXPECT_GT(call, plan.CallsMade) << "every call was made, none failed";
      break;
    }
    ++request;
    EXPECT_FALSE(failure->Message.empty());
    EXPECT_EQ(TextOf(client->Get(url, body)), kSuccess) << "the client is still usable";
  }
  EXPECT_GT(construction, 20);
  EXPECT_GT(request, 0);
}

}  // namespace
}  // namespace kartovel
