// Conditional requests over real loopback HTTP: the header lines sent, the version heard
// back, and a 304 that is an answer only when the request asked whether the tile changed.
#include <gtest/gtest.h>

#include <ostream>

#include "download/HttpClient.h"
#include "download/TileFailure.h"
#include "support/LoopbackServer.h"
#include "tileserver/ConditionalReply.h"

namespace kartovel {
namespace {

using testing::LoopbackServer;

const loopback::ResourceVersion kVersion{"\"v7\"", "Mon, 01 Jan 2024 00:00:00 GMT", "max-age=120"};

struct AskCase {
  const char* Name;
  std::optional<TileValidators> Revalidate;
  bool NotModified;
  std::vector<std::string> SentLines;  // the conditional header lines the server saw
};

void PrintTo(const AskCase& row, std::ostream* out) {
  *out << row.Name;
}

class RevalidationTest : public ::testing::TestWithParam<AskCase> {};

TEST_P(RevalidationTest, TheAnswerAndItsVersion) {
  const AskCase& row = GetParam();
  LoopbackServer server({[](const loopback::Request& request) {
                           return loopback::VersionedReply(request, "image/png", "PNGBYTES", kVersion);
                         },
                         std::nullopt});
  const auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  const HttpAnswer answer = client->Send({server.Url("/1/2/3.png"), row.Revalidate}, body);
  ASSERT_EQ(answer.Failure, std::nullopt) << answer.Failure->Message;
  EXPECT_EQ(answer.NotModified, row.NotModified);
  EXPECT_EQ(body, row.NotModified ? "" : "PNGBYTES");
  EXPECT_EQ(answer.Headers.ETag, "\"v7\"");
  EXPECT_EQ(answer.Headers.LastModified, "Mon, 01 Jan 2024 00:00:00 GMT");
  EXPECT_EQ(answer.Headers.CacheControl, "max-age=120");
  std::vector<std::string> sent;
  for (const char* name : {"If-None-Match", "If-Modified-Since"}) {
    if (const auto value = server.Requests().at(0).Header(name)) {
      sent.push_back(std::string(name) + ": " + *value);
    }
  }
  EXPECT_EQ(sent, row.SentLines);
}

// 2024-01-01 00:00:00 UTC.
constexpr int64_t kChanged = 1704067200;

INSTANTIATE_TEST_SUITE_P(
    Requests, RevalidationTest,
    ::testing::Values(
        AskCase{"plain GET", std::nullopt, false, {}},
        AskCase{"current tag", TileValidators{"\"v7\"", {}, {}}, true, {"If-None-Match: \"v7\""}},
        AskCase{"old tag", TileValidators{"\"v6\"", {}, {}}, false, {"If-None-Match: \"v6\""}},
        AskCase{"current date", TileValidators{"", kChanged, {}}, true,
                {"If-Modified-Since: Mon, 01 Jan 2024 00:00:00 GMT"}},
        AskCase{"older date", TileValidators{"", kChanged - 1, {}}, false,
                {"If-Modified-Since: Sun, 31 Dec 2023 23:59:59 GMT"}},
        AskCase{"nothing to send back", TileValidators{}, false, {}}));

TEST(Revalidation, A304ToARequestThatAskedNothingIsAFailureOfTheOtherClass) {
  LoopbackServer server({[](const loopback::Request&) {
                           return loopback::Reply{"HTTP/1.1 304 Not Modified\r\nETag: \"x\"\r\n\r\n"};
                         },
                         std::nullopt});
  const auto client = CreateCurlHttpClient(WorkerRequestProfile());
  std::string body;
  const HttpAnswer answer = client->Send({server.Url("/1/2/3.png"), std::nullopt}, body);
  ASSERT_TRUE(answer.Failure);
  EXPECT_FALSE(answer.NotModified);
  EXPECT_EQ(answer.Failure->Status, 304);
  EXPECT_EQ(ClassifyTileFailure(*answer.Failure), TileFailureClass::Other);
  // Then an ordinary request again goes out without the last one's conditional lines.
  const HttpAnswer revalidated = client->Send({server.Url("/a"), TileValidators{"\"x\"", {}, {}}}, body);
  EXPECT_TRUE(revalidated.NotModified);
  EXPECT_TRUE(client->Get(server.Url("/b"), body).has_value());
  EXPECT_EQ(server.Requests().at(2).Header("If-None-Match"), std::nullopt);
}

}  // namespace
}  // namespace kartovel
