// The tile cache on a folder it must not trust: a cache folder that is a link or someone
// else's, links planted inside it, and two programs sharing it under one limit.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "map/TileDiskCache.h"
#include "support/FolderSnapshot.h"
#include "support/Sandbox.h"

namespace kartovel {
namespace {

using testing::Sandbox;
namespace fs = std::filesystem;

uint64_t BytesOnDisk(const std::string& folder) {
  uint64_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      bytes += entry.file_size();
    }
  }
  return bytes;
}

TEST(TileDiskCacheTrustTest, ACacheFolderThatIsALinkOrSomeoneElsesTurnsTheCacheOff) {
  enum class Root { Link, Foreign, File };
  const struct {
    Root root;
    std::string reason;
    std::string closing;  // the program names its folder with a closing "/"
  } cases[] = {
      {Root::Link, "is a symbolic link.", ""},
      {Root::Link, "is a symbolic link.", "/"},
      {Root::Foreign, "is no folder of this user.", ""},
      {Root::File, "is no folder of this user.", ""},
  };
  for (const auto& c : cases) {
    if (c.root == Root::Foreign && geteuid() != 0) {
      continue;  // only the superuser can give a folder to someone else
    }
    Sandbox box;
    // Another folder with a file that was there before, older than anything the cache
    // writes: eviction would take it first.
    fs::create_directories(box.Path("other/s/1/0"));
    Sandbox::WriteAll(box.Path("other/s/1/0/0.tile"), std::string(80, 'o'));
    fs::last_write_time(box.Path("other/s/1/0/0.tile"),
                        fs::file_time_type::clock::now() - std::chrono::hours(24));
    const std::string root = box.Path("cache");
    if (c.root == Root::Link) {
      fs::create_directory_symlink(box.Path("other"), root);
    } else if (c.root == Root::Foreign) {
      fs::rename(box.Path("other"), root);
      ASSERT_EQ(chown(root.c_str(), 12345, 12345), 0);
    } else {
      Sandbox::WriteAll(root, "a file");
    }
    const testing::FolderSnapshot before = testing::SnapshotFolder(box.Folder());
    TileDiskCache cache(root + c.closing, 100);
    cache.Write("s/1/0/1", std::string(80, 'a'));
    cache.Write("s/1/1/0", std::string(80, 'b'));
    EXPECT_FALSE(cache.Read("s/1/0/0"));
    EXPECT_FALSE(cache.Read("s/1/0/1"));
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_EQ(cache.OffReason(), "The tile cache is off: " + root + " " + c.reason);
    EXPECT_EQ(testing::SnapshotFolder(box.Folder()), before);
  }
}

TEST(TileDiskCacheTrustTest, LinksPlantedInTheCacheAreNeitherIndexedReadNorRemoved) {
  Sandbox box;
  // An owner-only file and a folder outside the cache, reached by planted links.
  Sandbox::WriteAll(box.Path("secret"), "private bytes");
  fs::permissions(box.Path("secret"), fs::perms::owner_read | fs::perms::owner_write);
  fs::create_directories(box.Path("outside/1/0"));
  Sandbox::WriteAll(box.Path("outside/1/0/0.tile"), "outside tile");
  const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(24);
  fs::last_write_time(box.Path("secret"), longAgo);
  fs::last_write_time(box.Path("outside/1/0/0.tile"), longAgo);
  {
    TileDiskCache first(box.Path("cache"), 1000);
    first.Write("s/1/0/1", "own tile");
  }
  fs::create_symlink(box.Path("secret"), box.Path("cache/s/1/0/0.tile"));
  fs::create_directory_symlink(box.Path("outside"), box.Path("cache/t"));
  const testing::FolderSnapshot outside = testing::SnapshotFolder(box.Path("outside"));

  TileDiskCache cache(box.Path("cache"), 20);
  EXPECT_EQ(cache.Count(), 1u);
  EXPECT_EQ(cache.UsedBytes(), 8u);
  EXPECT_FALSE(cache.Read("s/1/0/0"));
  EXPECT_FALSE(cache.Read("t/1/0/0"));
  EXPECT_EQ(cache.Read("s/1/0/1"), "own tile");
  // Writes that evict everything, and one whose way runs through the planted folder link.
  cache.Write("s/2/0/0", std::string(20, 'a'));
  cache.Write("s/2/0/1", std::string(20, 'b'));
  cache.Write("t/1/0/1", "through the link");
  cache.Erase("s/1/0/0");
  EXPECT_EQ(cache.Count(), 1u);
  EXPECT_EQ(Sandbox::ReadAll(box.Path("secret")), "private bytes");
  EXPECT_EQ(fs::last_write_time(box.Path("secret")), longAgo);  // not even touched
  EXPECT_TRUE(fs::is_symlink(box.Path("cache/s/1/0/0.tile")));
  EXPECT_EQ(testing::SnapshotFolder(box.Path("outside")), outside);
}

TEST(TileDiskCacheTrustTest, TwoProgramsOnOneFolderKeepItsLimitBetweenThem) {
  Sandbox box;
  constexpr uint64_t kLimit = 4000;
  constexpr uint64_t kTile = 100;
  TileDiskCache first(box.Path("cache"), kLimit);
  TileDiskCache second(box.Path("cache"), kLimit);
  for (int i = 0; i < 100; ++i) {
    first.Write(TileDiskCache::TileKey("a", 10, i, 0), std::string(kTile, 'a'));
    second.Write(TileDiskCache::TileKey("b", 10, i, 0), std::string(kTile, 'b'));
  }
  // Each sees the other's files at its next scan: beyond the limit by at most what the
  // other wrote since.
  EXPECT_LE(BytesOnDisk(box.Path("cache")), kLimit + TileDiskCache::kWritesBetweenScans * kTile);
  // The newest tiles of both stay.
  EXPECT_TRUE(first.Read(TileDiskCache::TileKey("a", 10, 99, 0)));
  EXPECT_TRUE(second.Read(TileDiskCache::TileKey("b", 10, 99, 0)));
}

}  // namespace
}  // namespace kartovel
