// The disk tile cache: its place, its keys, and the limit it keeps by dropping the tiles
// used longest ago, within a session and across sessions.
#include "map/TileDiskCache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/Sandbox.h"

namespace kartovel {
namespace {

using testing::Sandbox;
namespace fs = std::filesystem;

std::string Bytes(char fill, size_t count) {
  return std::string(count, fill);
}

TEST(TileDiskCacheTest, TheFolderFollowsTheXdgRule) {
  struct Case {
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/var/cache/me", "/home/me", "/var/cache/me/kartovel/"},
      {"/var/cache/me/", "/home/me", "/var/cache/me/kartovel/"},
      {nullptr, "/home/me", "/home/me/.cache/kartovel/"},
      {"", "/home/me", "/home/me/.cache/kartovel/"},
      {"relative/cache", "/home/me", "/home/me/.cache/kartovel/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KartovelCacheFolder(c.xdg, c.home), c.expected) << (c.xdg ? c.xdg : "(unset)");
  }
}

TEST(TileDiskCacheTest, AKeyIsAlwaysAPathInsideTheFolder) {
  EXPECT_EQ(TileDiskCache::TileKey("Orvex Maps", 13, 6744, 3104), "Orvex_Maps/13/6744/3104");
  EXPECT_EQ(TileDiskCache::TileKey("../../etc", 1, 0, 1), "______etc/1/0/1");
  EXPECT_EQ(TileDiskCache::TileKey("", 0, 0, 0), "_/0/0/0");
}

TEST(TileDiskCacheTest, TheTilesUsedLongestAgoGoFirstWhenTheLimitIsReached) {
  Sandbox box;
  TileDiskCache cache(box.Path("cache"), 300);
  cache.Write("s/1/0/0", Bytes('a', 100));
  cache.Write("s/1/0/1", Bytes('b', 100));
  cache.Write("s/1/1/0", Bytes('c', 100));
  ASSERT_EQ(cache.Read("s/1/0/0"), Bytes('a', 100));  // now the most recently used
  cache.Write("s/1/1/1", Bytes('d', 150));
  EXPECT_FALSE(cache.Read("s/1/0/1"));
  EXPECT_FALSE(cache.Read("s/1/1/0"));
  EXPECT_EQ(cache.Read("s/1/0/0"), Bytes('a', 100));
  EXPECT_EQ(cache.Read("s/1/1/1"), Bytes('d', 150));
  EXPECT_EQ(cache.UsedBytes(), 250u);
  EXPECT_FALSE(fs::exists(box.Path("cache/s/1/0/1.tile")));
  cache.Write("s/2/0/0", Bytes('e', 301));  // larger than the whole cache: not kept
  EXPECT_FALSE(cache.Read("s/2/0/0"));
  EXPECT_EQ(cache.Count(), 2u);
}

TEST(TileDiskCacheTest, ALaterSessionKeepsTheNewestFilesWithinItsLimit) {
  Sandbox box;
  {
    TileDiskCache first(box.Path("cache"), 1000);
    for (int x = 0; x < 5; ++x) {
      first.Write(TileDiskCache::TileKey("s", 3, x, 0), Bytes('x', 100));
    }
  }
  // The files' times are the use order: tile x was used x minutes after tile 0.
  const auto base = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (int x = 0; x < 5; ++x) {
    fs::last_write_time(box.Path("cache/s/3/" + std::to_string(x) + "/0.tile"),
                        base + std::chrono::minutes(x));
  }
  TileDiskCache second(box.Path("cache"), 250);
  EXPECT_EQ(second.Count(), 2u);
  EXPECT_TRUE(second.Read(TileDiskCache::TileKey("s", 3, 4, 0)));
  EXPECT_TRUE(second.Read(TileDiskCache::TileKey("s", 3, 3, 0)));
  EXPECT_FALSE(second.Read(TileDiskCache::TileKey("s", 3, 2, 0)));
  EXPECT_FALSE(fs::exists(box.Path("cache/s/3/0/0.tile")));
}

TEST(TileDiskCacheTest, AFileRemovedBehindTheCacheIsAMissAndAnErasedOneIsGone) {
  Sandbox box;
  TileDiskCache cache(box.Path("cache"), 1000);
  cache.Write("s/1/0/0", "one");
  cache.Write("s/1/0/1", "two");
  fs::remove(box.Path("cache/s/1/0/0.tile"));
  cache.Erase("s/1/0/1");
  EXPECT_FALSE(cache.Read("s/1/0/0"));
  EXPECT_FALSE(cache.Read("s/1/0/1"));
  EXPECT_EQ(cache.UsedBytes(), 0u);
}

}  // namespace
}  // namespace kartovel
