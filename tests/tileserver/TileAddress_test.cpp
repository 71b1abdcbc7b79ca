// Reading the service's request target back into the downloader's column, row and zoom.
#include "tileserver/TileAddress.h"

#include <gtest/gtest.h>

#include <string>

namespace kartovel::tileserver {
namespace {

struct TargetCase {
  std::string Target;
  std::optional<TileAddress> Expected;
};

class TileTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TileTargetTest, ParsesToTheDownloadersNumbers) {
  const auto parsed = ParseTileTarget(GetParam().Target);
  const auto& expected = GetParam().Expected;
  ASSERT_EQ(parsed.has_value(), expected.has_value());
  if (expected) {
    EXPECT_EQ(parsed->Column, expected->Column);
    EXPECT_EQ(parsed->Row, expected->Row);
    EXPECT_EQ(parsed->Zoom, expected->Zoom);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, TileTargetTest,
    ::testing::Values(
        TargetCase{"/hx/tl?v=4.3&r=1&x=6744&y=991&z=14", TileAddress{6744, 3104, 13}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=0&y=4095&z=14", TileAddress{0, 0, 13}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=0&y=0&z=14", TileAddress{0, 4095, 13}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=0&y=-1&z=14", TileAddress{0, 4096, 13}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=8191&y=-4096&z=14", TileAddress{8191, 8191, 13}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=1&y=0&z=2", TileAddress{1, 0, 1}},
        TargetCase{"/hx/tl?v=4.3&r=1&x=1&y=-1&z=2", TileAddress{1, 1, 1}},
        TargetCase{"http://127.0.0.1:8642/hx/tl?v=4.3&r=1&x=3&y=1&z=4", TileAddress{3, 2, 3}},
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
        TargetCase{"/", std::nullopt}));

}  // namespace
}  // namespace kartovel::tileserver
