// The demo service over real loopback HTTP: a tile for the tile path on a kept
// connection, 404 for anything else.
#include "tileserver/TileService.h"

#include <gtest/gtest.h>

#include <string>

#include "download/HttpClient.h"
#include "tileserver/LoopbackHttpServer.h"
#include "tileserver/TileImage.h"

namespace kartovel::tileserver {
namespace {

class TileServiceTest : public ::testing::Test {
 protected:
  std::string Url(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(server_.Port()) + pathAndQuery;
  }

  loopback::HttpServer server_{ServeTileRequest};
  std::unique_ptr<HttpClient> client_ = CreateCurlHttpClient(WorkerRequestProfile());
};

TEST_F(TileServiceTest, ServesTheLabelledTileForTheTaskNumbers) {
  std::string body;
  ASSERT_EQ(client_->Get(Url("/hx/tl?v=4.3&r=1&x=6744&y=991&z=14"), body), std::nullopt);
  EXPECT_EQ(body, RenderTilePng(TileId{13, 6744, 3104}));
  ASSERT_EQ(client_->Get(Url("/hx/tl?v=4.3&r=1&x=6745&y=991&z=14"), body), std::nullopt);
  EXPECT_EQ(body, RenderTilePng(TileId{13, 6745, 3104}));
  // The XYZ path of the shipped example source serves the same tiles.
  ASSERT_EQ(client_->Get(Url("/13/6744/3104.png"), body), std::nullopt);
  EXPECT_EQ(body, RenderTilePng(TileId{13, 6744, 3104}));
  ASSERT_EQ(client_->Get(Url("/0/0/0.png"), body), std::nullopt);
  EXPECT_EQ(body, RenderTilePng(TileId{0, 0, 0}));
}

TEST_F(TileServiceTest, AnswersOtherPathsAndOffGridTilesWithNotFound) {
  std::string body;
  for (const char* path : {"/", "/hx/tl?x=1&y=1", "/hx/tl?v=4.3&r=1&x=16384&y=0&z=14"}) {
    const auto failure = client_->Get(Url(path), body);
    ASSERT_TRUE(failure.has_value()) << path;
    EXPECT_EQ(failure->Message, "HTTP/1.1 404 Not Found") << path;
  }
}

TEST(TileServiceRequestTest, RefusesMethodsOtherThanGet) {
  loopback::Request request;
  request.RequestLine = "POST /hx/tl?v=4.3&r=1&x=1&y=0&z=2 HTTP/1.1";
  EXPECT_TRUE(ServeTileRequest(request).Bytes.starts_with("HTTP/1.1 405 "));
}

}  // namespace
}  // namespace kartovel::tileserver
