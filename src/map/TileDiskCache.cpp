// The disk tile cache: its folder, its index of files in order of use, and eviction.
#include "map/TileDiskCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

#include "common/AtomicFile.h"
#include "common/FileDescriptor.h"

namespace kartovel {
namespace {

namespace fs = std::filesystem;

constexpr char kTileSuffix[] = ".tile";

bool IsOwnEntry(const struct stat& info) {
  return S_ISREG(info.st_mode) && info.st_uid == geteuid();
}

bool IsOwnFolder(const struct stat& info) {
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid();
}

// The folder's name without a closing "/": lstat of "link/" looks through the link, so a
// cache folder that is a link would pass for a real one.
std::string WithoutClosingSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') {
    folder.pop_back();
  }
  return folder;
}

// Why the cache's folder cannot be trusted; empty when it is a real folder of this user
// or (unless it must exist) not there yet.
std::string FolderFault(const fs::path& folder, bool mustExist) {
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) {
    return errno == ENOENT && !mustExist
               ? ""
               : "The tile cache is off: " + folder.string() + " cannot be used.";
  }
  if (S_ISLNK(info.st_mode)) {
    return "The tile cache is off: " + folder.string() + " is a symbolic link.";
  }
  if (!IsOwnFolder(info)) {
    return "The tile cache is off: " + folder.string() + " is no folder of this user.";
  }
  return "";
}

// The folder that holds a key's file, opened from the cache's folder one part at a time
// without following a link; leaf receives the file's name. With create, missing folders
// are made (the cache's own for its owner only). -1 when a part is no folder of this user.
FileDescriptor OpenKeyFolder(const fs::path& root, const std::string& key, bool create,
                         std::string& leaf) {
  struct stat rootInfo {};
  if (create && lstat(root.c_str(), &rootInfo) != 0) {
    std::error_code ignored;
    fs::create_directories(root.parent_path(), ignored);
    mkdir(root.c_str(), 0700);
  }
  if (!FolderFault(root, true).empty()) {
    return FileDescriptor(-1);
  }
  FileDescriptor folder(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  std::string_view rest = key;
  for (size_t slash = rest.find('/'); folder.Get() >= 0 && slash != std::string_view::npos;
       slash = rest.find('/')) {
    const std::string part(rest.substr(0, slash));
    rest.remove_prefix(slash + 1);
    if (part.empty() || part == "." || part == "..") {
      return FileDescriptor(-1);
    }
    if (create) {
      mkdirat(folder.Get(), part.c_str(), 0700);
    }
    FileDescriptor next(openat(folder.Get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (next.Get() >= 0 && (fstat(next.Get(), &info) != 0 || !IsOwnFolder(info))) {
      return FileDescriptor(-1);
    }
    folder = std::move(next);
  }
  leaf = std::string(rest) + kTileSuffix;
  return folder;
}

// The whole of an entry's file: a regular file of this user; none otherwise.
std::optional<std::string> ReadEntry(int descriptor) {
  struct stat info {};
  if (descriptor < 0 || fstat(descriptor, &info) != 0 || !IsOwnEntry(info)) {
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(info.st_size), '\0');
  size_t filled = 0;
  ssize_t got = 0;
  while (filled < bytes.size() &&
         (got = read(descriptor, bytes.data() + filled, bytes.size() - filled)) > 0) {
    filled += static_cast<size_t>(got);
  }
  if (filled != bytes.size()) {
    return std::nullopt;
  }
  return bytes;
}

// Removes the name of an entry's file, never through a link on the way.
void RemoveEntryFile(const fs::path& root, const std::string& key) {
  std::string leaf;
  const FileDescriptor folder = OpenKeyFolder(root, key, false, leaf);
  if (folder.Get() >= 0) {
    unlinkat(folder.Get(), leaf.c_str(), 0);
  }
}

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
    : folder_(WithoutClosingSlash(std::move(folder))), limit_(limitBytes) {}

fs::path TileDiskCache::PathOf(const std::string& key) const {
  return folder_ / (key + kTileSuffix);
}

void TileDiskCache::CheckFolderOnce() {
  if (!checked_) {
    checked_ = true;
    offReason_ = FolderFault(folder_, false);
  }
}

void TileDiskCache::LoadIndexOnce() {
  if (loaded_) {
    return;
  }
  loaded_ = true;
  CheckFolderOnce();
  if (offReason_.empty()) {
    ScanFolder();
  }
}

void TileDiskCache::ScanFolder() {
  writesSinceScan_ = 0;
  used_ = 0;
  order_.clear();
  index_.clear();
  struct Found {
    timespec time;
    Entry entry;
  };
  std::vector<Found> found;
  std::error_code error;
  // Links to folders are not followed, and a link or a foreign file is no entry.
  for (fs::recursive_directory_iterator it(folder_, fs::directory_options::skip_permission_denied,
                                           error),
       end;
       !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    struct stat info {};
    if (path.extension() != kTileSuffix || lstat(path.c_str(), &info) != 0 ||
        !IsOwnEntry(info)) {
      continue;
    }
    std::string key = path.lexically_relative(folder_).replace_extension().generic_string();
    found.push_back(Found{info.st_mtim, Entry{std::move(key), static_cast<uint64_t>(info.st_size)}});
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return a.time.tv_sec != b.time.tv_sec ? a.time.tv_sec > b.time.tv_sec
                                          : a.time.tv_nsec > b.time.tv_nsec;
  });
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
  std::string leaf;
  const FileDescriptor folder = OpenKeyFolder(folder_, key, false, leaf);
  const FileDescriptor file(
      folder.Get() < 0 ? -1
                       : openat(folder.Get(), leaf.c_str(),
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  std::optional<std::string> bytes = ReadEntry(file.Get());
  if (!bytes) {
    Forget(key);  // removed or replaced behind the cache's back, by another program for instance
    return std::nullopt;
  }
  order_.splice(order_.begin(), order_, found->second);
  // The file's time records the use, so the order survives the session and is shared
  // with other programs on the folder.
  futimens(file.Get(), nullptr);
  return bytes;
}

void TileDiskCache::Write(const std::string& key, std::string_view bytes) {
  std::lock_guard lock(mutex_);
  LoadIndexOnce();
  if (!offReason_.empty() || bytes.size() > limit_ || bytes.size() > kMaxEntryBytes) {
    return;
  }
  if (++writesSinceScan_ >= kWritesBetweenScans) {
    ScanFolder();  // the files other programs wrote count too
  }
  std::string leaf;
  if (OpenKeyFolder(folder_, key, true, leaf).Get() < 0) {
    return;  // a part of the way is no real folder of this user: the tile is not kept
  }
  Forget(key);
  RemoveOldestBeyond(limit_ - bytes.size());
  try {
    WriteFileAtomically(PathOf(key).string(), bytes);
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
  if (index_.count(key) != 0) {
    RemoveEntryFile(folder_, key);
  }
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
    RemoveEntryFile(folder_, key);
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

std::string TileDiskCache::OffReason() {
  std::lock_guard lock(mutex_);
  CheckFolderOnce();  // a window asks on its own thread: no scan of the folder for it
  return offReason_;
}

}  // namespace kartovel
