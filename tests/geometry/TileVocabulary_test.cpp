// The tile identity, the range's walk and the coverage walk: serials against the worked
// example of the walk (3 columns by 2 rows), counts beyond 32 bits, keys without collisions.
#include "geometry/TileCoverage.h"

#include <gtest/gtest.h>

#include <set>
#include <unordered_set>
#include <vector>

namespace kartovel {
namespace {

TEST(TileRangeTest, SerialsFollowColumnsOuterRowsInnerAndInvert) {
  const TileRange example{5, 10, 12, 20, 21};
  const std::vector<TileId> walk = {{5, 10, 20}, {5, 10, 21}, {5, 11, 20},
                                    {5, 11, 21}, {5, 12, 20}, {5, 12, 21}};
  ASSERT_EQ(example.Count(), 6);
  for (size_t i = 0; i < walk.size(); ++i) {
    EXPECT_EQ(example.SerialOf(walk[i].X, walk[i].Y), int64_t(i + 1));
    EXPECT_EQ(example.AtSerial(int64_t(i + 1)), walk[i]);
  }
  const TileRange whole{30, 0, (1 << 30) - 1, 0, (1 << 30) - 1};
  EXPECT_EQ(whole.Count(), int64_t{1} << 60);
  EXPECT_EQ(whole.SerialOf(whole.MaxX, whole.MaxY), whole.Count());
  EXPECT_EQ(whole.AtSerial(whole.Count()), (TileId{30, whole.MaxX, whole.MaxY}));
  EXPECT_FALSE(example.Contains(TileId{6, 10, 20}));
}

TEST(TileIdTest, OrderAndHashTellEveryTileApart) {
  std::set<TileId> ordered;
  std::unordered_set<TileId> hashed;
  std::unordered_set<size_t> hashes;
  for (int32_t zoom : {0, 1, 17, 30})
    for (int32_t x : {0, 1, 2, (1 << 30) - 1})
      for (int32_t y : {0, 1, 2, (1 << 30) - 1}) {
        ordered.insert({zoom, x, y});
        hashed.insert({zoom, x, y});
        hashes.insert(std::hash<TileId>{}({zoom, x, y}));
      }
  EXPECT_EQ(ordered.size(), 64u);
  EXPECT_EQ(hashed.size(), 64u);
  EXPECT_EQ(hashes.size(), 64u);
  EXPECT_LT((TileId{1, 5, 0}), (TileId{2, 0, 0}));
  EXPECT_LT((TileId{2, 0, 9}), (TileId{2, 1, 0}));
}

// A coverage that leaves out the tiles with x + y odd: the default walk must keep the
// range's order and count only what it holds, and stop when told to.
class CheckerCoverage final : public TileCoverage {
 public:
  const TileRange& Bounds() const override { return range_; }
  bool Holds(int32_t x, int32_t y) const override { return (x + y) % 2 == 0; }

 private:
  TileRange range_{3, 0, 2, 0, 1};
};

TEST(TileCoverageTest, WalkKeepsOrderSkipsWhatIsNotHeldAndStops) {
  const CheckerCoverage checker;
  std::vector<TileId> seen;
  checker.ForEachCovered([&seen](const TileId& tile) {
    seen.push_back(tile);
    return true;
  });
  EXPECT_EQ(seen, (std::vector<TileId>{{3, 0, 0}, {3, 1, 1}, {3, 2, 0}}));
  EXPECT_EQ(checker.CoveredCount(), 3);
  int visits = 0;
  checker.ForEachCovered([&visits](const TileId&) { return ++visits < 2; });
  EXPECT_EQ(visits, 2);

  const RectangleCoverage rectangle(TileRange{3, 0, 2, 0, 1});
  EXPECT_EQ(rectangle.CoveredCount(), 6);
  EXPECT_TRUE(rectangle.Holds(2, 1));
  EXPECT_FALSE(rectangle.Holds(3, 1));
}

}  // namespace
}  // namespace kartovel
