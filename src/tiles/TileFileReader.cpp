// Tile files read with O_NOFOLLOW and O_NONBLOCK, checked to be regular files before and
// after they are opened.
#include "tiles/TileFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/FileDescriptor.h"

namespace kartovel {
namespace {

constexpr int kTileOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

const char* KindOf(mode_t mode) {
  if (S_ISLNK(mode)) {
    return "a symbolic link";
  }
  if (S_ISFIFO(mode)) {
    return "a named pipe";
  }
  if (S_ISDIR(mode)) {
    return "a folder";
  }
  if (S_ISSOCK(mode)) {
    return "a socket";
  }
  return "a device";
}

// Fills bytes (sized already) from the open file; false when it is shorter than that.
template <typename Buffer>
bool Fill(int descriptor, Buffer& bytes) {
  size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = read(descriptor, bytes.data() + filled, bytes.size() - filled);
    if (got <= 0) {
      return false;  // an error, or the file shrank while being read
    }
    filled += static_cast<size_t>(got);
  }
  return true;
}

// Reads the open regular file whole into bytes; false when it is empty, too large or
// shorter than it said.
bool ReadOpenFile(int descriptor, const struct stat& info, int64_t maxBytes, std::string& bytes) {
  if (info.st_size <= 0 || info.st_size > maxBytes) {
    return false;
  }
  bytes.resize(static_cast<size_t>(info.st_size));
  return Fill(descriptor, bytes);
}

}  // namespace

bool IsNameInFolder(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

TileFileReader::TileFileReader(const std::string& folder, int64_t maxBytes)
    : folder_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), maxBytes_(maxBytes) {}

TileFileReader::~TileFileReader() {
  if (folder_ >= 0) {
    close(folder_);
  }
}

TileFileReading TileFileReader::Read(const std::string& name, std::string& bytes) const {
  TileFileReading reading;
  struct stat info {};
  if (folder_ < 0 || !IsNameInFolder(name) ||
      fstatat(folder_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return reading;
  }
  if (!S_ISREG(info.st_mode)) {
    reading.Result = TileFileReading::Outcome::NotRegular;
    reading.What = KindOf(info.st_mode);
    return reading;
  }
  // The name may have been replaced since: the open refuses a link, does not wait on a
  // pipe, and what it opened is checked again.
  const FileDescriptor file(openat(folder_, name.c_str(), kTileOpenFlags));
  if (file.Get() < 0) {
    if (errno == ELOOP) {
      reading.Result = TileFileReading::Outcome::NotRegular;
      reading.What = KindOf(S_IFLNK);
    }
    return reading;
  }
  if (fstat(file.Get(), &info) != 0) {
    // unreadable
  } else if (!S_ISREG(info.st_mode)) {
    reading.Result = TileFileReading::Outcome::NotRegular;
    reading.What = KindOf(info.st_mode);
  } else if (ReadOpenFile(file.Get(), info, maxBytes_, bytes)) {
    reading.Result = TileFileReading::Outcome::Read;
    reading.Modified = info.st_mtim;
  }
  return reading;
}

bool ReadSmallRegularFile(const std::string& path, int64_t maxBytes, std::string& bytes) {
  const FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat info {};
  return file.Get() >= 0 && fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode) &&
         ReadOpenFile(file.Get(), info, maxBytes, bytes);
}

bool ReadTileFileBytes(const std::string& path, std::vector<uint8_t>& bytes, size_t limit,
                       bool wholeFile) {
  // The callers join the folder and a name that IsNameInFolder let through, so refusing
  // a link in the last part keeps the read inside the folder.
  const FileDescriptor file(open(path.c_str(), kTileOpenFlags));
  struct stat info {};
  if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      info.st_size < 0 || (wholeFile && static_cast<uint64_t>(info.st_size) > limit)) {
    return false;
  }
  bytes.resize(std::min(static_cast<size_t>(info.st_size), limit));
  return Fill(file.Get(), bytes);
}

std::string WhyNotATileFile(const std::string& folder, const std::string& name) {
  if (!IsNameInFolder(name)) {
    return "a name outside the tile folder";
  }
  struct stat info {};
  if (lstat((folder + name).c_str(), &info) != 0 || S_ISREG(info.st_mode)) {
    return {};
  }
  return std::string(KindOf(info.st_mode)) + ", not a regular file";
}

}  // namespace kartovel
