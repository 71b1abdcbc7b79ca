// The disk tile cache: its folder, its index of files in order of use, and eviction.
#include "map/TileDiskCache.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

#include "common/AtomicFile.h"

namespace kartovel {
namespace {

namespace fs = std::filesystem;

constexpr char kTileSuffix[] = ".tile";

bool IsKeyCharacter(char character) {
  return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
         (character >= '0' && character <= '9') || character == '-' || character == '_';
}

}  // namespace

std::string KartovelCacheFolder(const char* xdgCacheHome, const char* home) {
  std::string base;
  if (xdgCacheHome != nullptr && xdgCacheHome[0] == '/') {
    base = xdgCacheHome;
  } else {
    base = std::string(home != nullptr ? home : "") + "/.cache";
  }
  if (base.back() != '/') {
    base.push_back('/');
  }
  return base + "kartovel/";
}

std::string KartovelCacheFolder() {
  return KartovelCacheFolder(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
}

std::string TileDiskCache::TileKey(std::string_view source, int32_t zoom, int32_t x, int32_t y) {
  std::string key;
  for (char character : source) {
    key.push_back(IsKeyCharacter(character) ? character : '_');
  }
  if (key.empty()) {
    key = "_";
  }
  return key + "/" + std::to_string(zoom) + "/" + std::to_string(x) + "/" + std::to_string(y);
}

TileDiskCache::TileDiskCache(std::string folder, uint64_t limitBytes)
    : folder_(std::move(folder)), limit_(limitBytes) {}

fs::path TileDiskCache::PathOf(const std::string& key) const {
  return folder_ / (key + kTileSuffix);
}

void TileDiskCache::LoadIndexOnce() {
  if (loaded_) {
    return;
  }
  loaded_ = true;
  struct Found {
    fs::file_time_type time;
    Entry entry;
  };
  std::vector<Found> found;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder_, error), end; !error && it != end;
       it.increment(error)) {
    const fs::path& path = it->path();
    std::error_code statError;
    if (path.extension() != kTileSuffix || !it->is_regular_file(statError)) {
      continue;
    }
    const uint64_t bytes = it->file_size(statError);
    const fs::file_time_type time = it->last_write_time(statError);
    if (!statError) {
      std::string key = path.lexically_relative(folder_).replace_extension().generic_string();
      found.push_back(Found{time, Entry{std::move(key), bytes}});
    }
  }
  std::sort(found.begin(), found.end(),
            [](const Found& a, const Found& b) { return a.time > b.time; });
  for (Found& item : found) {
    used_ += item.entry.bytes;
    order_.push_back(std::move(item.entry));
    index_[order_.back().key] = std::prev(order_.end());
  }
  RemoveOldestBeyond(limit_);
}

std::optional<std::string> TileDiskCache::Read(const std::string& key) {
  std::lock_guard lock(mutex_);
  LoadIndexOnce();
  const auto found = index_.find(key);
  if (found == index_.end()) {
    return std::nullopt;
  }
  std::ifstream file(PathOf(key), std::ios::binary);
  if (!file.is_open()) {
    Forget(key);  // removed behind the cache's back, by another program for instance
    return std::nullopt;
  }
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  order_.splice(order_.begin(), order_, found->second);
  // The file's time records the use, so the order survives the session.
  std::error_code ignored;
  fs::last_write_time(PathOf(key), fs::file_time_type::clock::now(), ignored);
  return bytes;
}

void TileDiskCache::Write(const std::string& key, std::string_view bytes) {
  std::lock_guard lock(mutex_);
  LoadIndexOnce();
  if (bytes.size() > limit_) {
    return;
  }
  Forget(key);
  RemoveOldestBeyond(limit_ - bytes.size());
  const fs::path path = PathOf(key);
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  try {
    WriteFileAtomically(path.string(), bytes);
  } catch (const std::exception&) {
    return;  // a full or read-only disk: the tile is simply not kept
  }
  order_.push_front(Entry{key, bytes.size()});
  index_[key] = order_.begin();
  used_ += bytes.size();
}

void TileDiskCache::Erase(const std::string& key) {
  std::lock_guard lock(mutex_);
  LoadIndexOnce();
  std::error_code ignored;
  fs::remove(PathOf(key), ignored);
  Forget(key);
}

void TileDiskCache::Forget(const std::string& key) {
  const auto found = index_.find(key);
  if (found == index_.end()) {
    return;
  }
  used_ -= found->second->bytes;
  order_.erase(found->second);
  index_.erase(found);
}

void TileDiskCache::RemoveOldestBeyond(uint64_t limit) {
  while (used_ > limit && !order_.empty()) {
    const std::string key = order_.back().key;
    std::error_code ignored;
    fs::remove(PathOf(key), ignored);
    Forget(key);
  }
}

uint64_t TileDiskCache::UsedBytes() {
  std::lock_guard lock(mutex_);
  LoadIndexOnce();
  return used_;
}

size_t TileDiskCache::Count() {
  std::lock_guard lock(mutex_);
  LoadIndexOnce();
  return order_.size();
}

}  // namespace kartovel
