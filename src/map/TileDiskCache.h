// Map tiles kept on disk between sessions, so a map window shows the places seen before
// at once and asks the tile service for them only once. The cache holds at most a limit
// of bytes: the tiles used longest ago go first. Safe to use from several threads.
//
// The folder is trusted only when it is a real folder of this user: a symbolic link or a
// folder of someone else turns the cache off for the run (OffReason says why). Inside it,
// only regular files of this user reached without a link are entries; a link planted in
// the cache is neither indexed, read nor removed, and eviction removes only entries of
// the index. Several programs may share the folder: each scans it again every
// kWritesBetweenScans writes (and so sees the others' files before it evicts), which
// keeps the limit across them without a lock or a shared index file; the files'
// modification times are the use order they all share.
#pragma once

#include <cstdint>
#include <filesystem>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kartovel {

// The user's cache folder for Kartovel: $XDG_CACHE_HOME/kartovel/, or ~/.cache/kartovel/
// when that variable is unset, empty or not an absolute path. Ends with "/".
std::string KartovelCacheFolder();
// The same rule over given values of XDG_CACHE_HOME and HOME (either may be null).
std::string KartovelCacheFolder(const char* xdgCacheHome, const char* home);

class TileDiskCache {
 public:
  static constexpr uint64_t kDefaultLimitBytes = uint64_t{200} << 20;
  // No tile image comes near this; a larger body is not kept.
  static constexpr uint64_t kMaxEntryBytes = uint64_t{2} << 20;
  static constexpr int kWritesBetweenScans = 16;

  // The folder is created at the first write; the files already in it are counted at
  // the first use, oldest first by their modification times.
  explicit TileDiskCache(std::string folder, uint64_t limitBytes = kDefaultLimitBytes);

  // The bytes stored under key, which becomes the most recently used; none when absent.
  std::optional<std::string> Read(const std::string& key);
  // Stores bytes under key (replacing what was there) and removes the least recently
  // used tiles until the cache fits its limit. Bytes larger than the limit are not
  // stored. A tile that cannot be written is left out; the cache never throws.
  void Write(const std::string& key, std::string_view bytes);
  void Erase(const std::string& key);

  uint64_t UsedBytes();
  size_t Count();
  // Why the cache is off for this run ("... is a symbolic link"); empty while it is on.
  // Only the folder is looked at, never scanned, so a window may ask on its own thread.
  std::string OffReason();

  // A key for one tile of a source: "source/zoom/x/y". The source name is reduced to
  // letters, digits, "-" and "_", so that a key is always a path inside the folder.
  static std::string TileKey(std::string_view source, int32_t zoom, int32_t x, int32_t y);

 private:
  struct Entry {
    std::string key;
    uint64_t bytes = 0;
  };
  using Order = std::list<Entry>;  // most recently used first

  void CheckFolderOnce();
  void LoadIndexOnce();
  void ScanFolder();
  void Forget(const std::string& key);
  void RemoveOldestBeyond(uint64_t limit);
  std::filesystem::path PathOf(const std::string& key) const;

  std::mutex mutex_;
  std::filesystem::path folder_;
  uint64_t limit_;
  bool checked_ = false;  // the folder's trust, decided once for the run
  bool loaded_ = false;
  std::string offReason_;
  int writesSinceScan_ = 0;
  uint64_t used_ = 0;
  Order order_;
  std::unordered_map<std::string, Order::iterator> index_;
};

}  // namespace kartovel
