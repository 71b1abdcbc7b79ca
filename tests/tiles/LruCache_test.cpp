// The viewer's image cache: least recently used values go first, within a budget.
#include "tiles/LruCache.h"

#include <gtest/gtest.h>

#include <string>

namespace kartovel::tools {
namespace {

TEST(LruCacheTest, DropsTheLeastRecentlyUsedWhenOverBudget) {
  LruCache<int, std::string> cache(10);
  cache.Put(1, "one", 4);
  cache.Put(2, "two", 4);
  ASSERT_NE(cache.Find(1), nullptr);  // 1 is now more recent than 2
  cache.Put(3, "three", 4);
  EXPECT_EQ(cache.Find(2), nullptr);
  ASSERT_NE(cache.Find(1), nullptr);
  EXPECT_EQ(*cache.Find(1), "one");
  EXPECT_EQ(*cache.Find(3), "three");
  EXPECT_EQ(cache.Used(), 8u);
}

TEST(LruCacheTest, ReplacingAKeyReplacesItsCost) {
  LruCache<int, std::string> cache(10);
  cache.Put(1, "a", 6);
  cache.Put(1, "b", 3);
  EXPECT_EQ(cache.Count(), 1u);
  EXPECT_EQ(cache.Used(), 3u);
  EXPECT_EQ(*cache.Find(1), "b");
}

TEST(LruCacheTest, AValueOverTheWholeBudgetStaysAlone) {
  LruCache<int, std::string> cache(10);
  cache.Put(1, "a", 2);
  std::string& big = cache.Put(2, "big", 50);
  EXPECT_EQ(big, "big");
  EXPECT_EQ(cache.Count(), 1u);
  EXPECT_EQ(cache.Find(1), nullptr);
  cache.Clear();
  EXPECT_EQ(cache.Used(), 0u);
  EXPECT_EQ(cache.Find(2), nullptr);
}

}  // namespace
}  // namespace kartovel::tools
