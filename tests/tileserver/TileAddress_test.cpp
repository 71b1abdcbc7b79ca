// Reading the service's request target back into the downloader's column, row and zoom.
#include "tileserver/TileAddress.h"

#include <gtest/gtest.h>

#include <string>

namespace kartovel::tileserver {
namespace {

struct TargetCase {
  std::string Target;
  std::optional<TileId> Expected;
};

class TileTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TileTargetTest, ParsesToTheDownloadersNumbers) {
  const auto parsed = ParseTileTarget(GetParam().Target);
  const auto& expected = GetParam().Expected;
  ASSERT_EQ(parsed.has_value(), expected.has_value());
  if (expected) {
    EXPECT_EQ(parsed->X, expected->X);
    EXPECT_EQ(parsed->Y, expected->Y);
    EXPECT_EQ(parsed->Zoom, expected->Zoom);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, TileTargetTest,
    ::testing::Values(
        TargetCase{"/hx/tl?v=4.3&r=1&x=6744&y=991&z=14", TileId{13, 6744, 3104}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=0&y=4095&z=14", TileId{13, 0, 0}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=0&y=0&z=14", TileId{13, 0, 4095}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=0&y=-1&z=14", TileId{13, 0, 4096}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=8191&y=-4096&z=14", TileId{13, 8191, 8191}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=1&y=0&z=2", TileId{1, 1, 0}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=1&y=-1&z=2", TileId{1, 1, 1}},
        TargetCase{"http://127.0.0.1:8642/hx/tl?v=4.3&r=1&x=3&y=1&z=4", TileId{3, 3, 2}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=8192&y=0&z=14", std::nullopt},
        TargetCase{"/hx/tl?v=4.3&r=1&x=-1&y=0&z=14", std::nullopt},
        TargetCase{"/hx/tl?v=4.3&r=1&x=0&y=4096&z=14", std::nullopt},
        TargetCase{"/hx/tl?v=4.3&r=1&x=0&y=-4097&z=14", std::nullopt},
        TargetCase{"/hx/tl?v=4.3&r=1&x=0&y=-9223372036854775808&z=14", std::nullopt},
        TargetCase{"/hx/tl?v=4.3&r=1&x=0&y=-0.5&z=1", std::nullopt},
        TargetCase{"/hx/tl?v=4.3&r=1&x=0&y=0&z=99", std::nullopt},
        TargetCase{"/hx/tl?v=4.3&r=1&x=1&y=2", std::nullopt},
        TargetCase{"/hx/tl?v=4.3&r=1&x=1a&y=0&z=3", std::nullopt},
        TargetCase{"/hx/tile?x=0&y=0&z=3", std::nullopt}, TargetCase{"/hx/tl", std::nullopt},
        TargetCase{"/", std::nullopt},
        // The XYZ form counts rows from the north, as the downloader does.
        TargetCase{"/13/6744/3104.png", TileId{13, 6744, 3104}},
        TargetCase{"/0/0/0.png", TileId{0, 0, 0}},
        TargetCase{"http://127.0.0.1:8642/2/3/1.png", TileId{2, 3, 1}},
        TargetCase{"/24/16777215/16777215.png", TileId{24, 16777215, 16777215}},
        TargetCase{"/25/0/0.png", std::nullopt}, TargetCase{"/2/4/0.png", std::nullopt},
        TargetCase{"/2/0/4.png", std::nullopt}, TargetCase{"/2/-1/0.png", std::nullopt},
        TargetCase{"/2/+1/0.png", std::nullopt}, TargetCase{"/2/1/0.jpg", std::nullopt},
        TargetCase{"/2/1/0/1.png", std::nullopt}, TargetCase{"/2//0.png", std::nullopt},
        TargetCase{"/2/1/0.png?x=1", std::nullopt},
        TargetCase{"/99999999999999999999/0/0.png", std::nullopt}));

}  // namespace
}  // namespace kartovel::tileserver
