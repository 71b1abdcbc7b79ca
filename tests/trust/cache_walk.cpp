// The map tile cache on folders it must not trust, driven as a map window drives it, for
// fault_walk.sh: it is built by the script against a source tree's cache and fetch, so
// the same scenarios run on two versions of the program. Each scenario prints one line
// "name: figures"; nothing here decides what is right, the script does.
//
// Usage: cache_walk SCENARIO FOLDER   (FOLDER an empty scratch folder)
//   root-link, root-link-slash   the cache folder a link to a folder holding a 3 MB file
//   planted-link                 a link to an owner-only file planted as an entry
//   two-instances                two caches on one folder, each under a 1 MB limit
//   non-image                    answers that are no image, then 30 MB answers
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <condition_variable>
#include <optional>
#include <string>
#include <vector>

#include "map/TileDiskCache.h"
#include "map/TileFetcher.h"

// The walk builds against trees from before and after the map fetch took the tile identity.
#if __has_include("geometry/TileId.h")
using WalkTile = kartovel::TileId;
#else
using WalkTile = kartovel::TileKey;
#endif

namespace {

using kartovel::TileDiskCache;
namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

uint64_t BytesUnder(const fs::path& folder) {
  uint64_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && !entry.is_symlink()) {
      bytes += entry.file_size();
    }
  }
  return bytes;
}

// The start of a 256 x 256 PNG: what a content check looks at, padded to size.
std::string PngBody(size_t size) {
  std::string body("\x89PNG\r\n\x1a\n", 8);
  body += std::string("\0\0\0\x0dIHDR\0\0\x01\0\0\0\x01\0\x08\x06\0\0\0", 21);
  body += std::string(4, '\0');  // the CRC, which no check here reads
  body.resize(std::max(size, body.size()), '\0');
  return body;
}

int RootLink(const fs::path& box, const std::string& closing) {
  const fs::path elsewhere = box / "elsewhere";
  WriteFile(elsewhere / "keep/important.tile", std::string(3 << 20, 'k'));
  fs::last_write_time(elsewhere / "keep/important.tile",
                      fs::file_time_type::clock::now() - std::chrono::hours(24));
  fs::create_directory_symlink(elsewhere, box / "cache");
  {
    TileDiskCache cache((box / "cache").string() + closing, 4 << 20);
    for (int x = 0; x < 2; ++x) {
      cache.Write(TileDiskCache::TileKey("s", 3, x, 0), std::string(1 << 20, 'a'));
    }
  }
  std::printf("important.tile kept=%d, bytes written into the other folder=%llu\n",
              fs::exists(elsewhere / "keep/important.tile") ? 1 : 0,
              static_cast<unsigned long long>(BytesUnder(elsewhere) -
                                              (fs::exists(elsewhere / "keep/important.tile")
                                                   ? uint64_t{3} << 20
                                                   : 0)));
  return 0;
}

int PlantedLink(const fs::path& box) {
  WriteFile(box / "secret", "private bytes");
  fs::permissions(box / "secret", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_directories(box / "cache/s/1/0");
  fs::create_symlink(box / "secret", box / "cache/s/1/0/0.tile");
  TileDiskCache cache((box / "cache").string(), 1 << 20);
  const std::optional<std::string> read = cache.Read("s/1/0/0");
  std::printf("indexed=%zu, secret read=%d\n", cache.Count(),
              read && *read == "private bytes" ? 1 : 0);
  return 0;
}

int TwoInstances(const fs::path& box) {
  constexpr uint64_t kLimit = 1 << 20;
  TileDiskCache first((box / "cache").string(), kLimit);
  TileDiskCache second((box / "cache").string(), kLimit);
  for (int x = 0; x < 80; ++x) {
    TileDiskCache& cache = x % 2 == 0 ? first : second;
    cache.Write(TileDiskCache::TileKey("s", 10, x, 0), std::string(20 << 10, 'a'));
  }
  std::printf("bytes on disk=%llu against a limit of %llu\n",
              static_cast<unsigned long long>(BytesUnder(box / "cache")),
              static_cast<unsigned long long>(kLimit));
  return 0;
}

// Answers by column: a page of text, or a large image; good tiles elsewhere.
class ScriptedClient : public kartovel::HttpClient {
 public:
  std::optional<kartovel::HttpFailure> Get(const std::string& url, std::string& body) override {
    const int x = std::stoi(url.substr(url.rfind('/') + 1));
    body = x < 4 ? "<html>Service busy</html>" : x < 8 ? PngBody(30 << 20) : PngBody(2000);
    return std::nullopt;
  }
};

int NonImage(const fs::path& box) {
  auto cache = std::make_shared<TileDiskCache>((box / "cache").string(), 64 << 20);
  kartovel::TileSource source;
  source.Name = "s";
  source.TileUrl = [](int32_t x, int32_t, int32_t) { return "http://127.0.0.1:9/" + std::to_string(x); };
  std::mutex mutex;
  std::condition_variable arrived;
  int delivered = 0;
  const auto fetchColumns = [&](int from, int to) {
    kartovel::TileFetcher fetcher(
        source, cache,
        [](const kartovel::HttpClientOptions&) { return std::make_unique<ScriptedClient>(); },
        [&](const WalkTile&, std::optional<std::string>) {
          std::lock_guard lock(mutex);
          ++delivered;
          arrived.notify_all();
        });
    std::vector<WalkTile> tiles;
    for (int x = from; x < to; ++x) {
      tiles.push_back({10, x, 0});
    }
    std::unique_lock lock(mutex);
    delivered = 0;
    lock.unlock();
    fetcher.Want(tiles);
    lock.lock();
    arrived.wait_for(lock, std::chrono::seconds(30),
                     [&] { return delivered == static_cast<int>(tiles.size()); });
  };
  fetchColumns(8, 11);  // three good tiles first
  fetchColumns(0, 8);   // then four pages of text and four 30 MB answers
  int good = 0;
  int text = 0;
  int large = 0;
  for (int x = 0; x < 11; ++x) {
    if (cache->Read(TileDiskCache::TileKey("s", 10, x, 0))) {
      (x < 4 ? text : x < 8 ? large : good) += 1;
    }
  }
  std::printf("cached: %d of 4 text pages, %d of 4 30 MB answers, %d of 3 good tiles kept\n", text,
              large, good);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SCENARIO FOLDER\n", argv[0]);
    return 2;
  }
  const std::string scenario = argv[1];
  const fs::path box = argv[2];
  if (scenario == "root-link") return RootLink(box, "");
  if (scenario == "root-link-slash") return RootLink(box, "/");
  if (scenario == "planted-link") return PlantedLink(box);
  if (scenario == "two-instances") return TwoInstances(box);
  if (scenario == "non-image") return NonImage(box);
  std::fprintf(stderr, "unknown scenario %s\n", scenario.c_str());
  return 2;
}
