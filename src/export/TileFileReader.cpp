// Tile files read relative to their folder with O_NOFOLLOW and O_NONBLOCK, checked to be
// regular files before and after they are opened.
#include "export/TileFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kartovel {
namespace {

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

// Reads the open regular file whole into bytes; false when it is empty, too large or
// shorter than it said.
bool ReadOpenFile(int descriptor, const struct stat& info, int64_t maxBytes, std::string& bytes) {
  if (info.st_size <= 0 || info.st_size > maxBytes) {
    return false;
  }
  bytes.resize(static_cast<size_t>(info.st_size));
  size_t filled = 0;
  ssize_t got = 0;
  while (filled < bytes.size() &&
         (got = read(descriptor, bytes.data() + filled, bytes.size() - filled)) > 0) {
    filled += static_cast<size_t>(got);
  }
  return filled == bytes.size();
}

}  // namespace

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
  if (folder_ < 0 || fstatat(folder_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return reading;
  }
  if (!S_ISREG(info.st_mode)) {
    reading.Result = TileFileReading::Outcome::NotRegular;
    reading.What = KindOf(info.st_mode);
    return reading;
  }
  // The name may have been replaced since: the open refuses a link, does not wait on a
  // pipe, and what it opened is checked again.
  const int descriptor =
      openat(folder_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    if (errno == ELOOP) {
      reading.Result = TileFileReading::Outcome::NotRegular;
      reading.What = KindOf(S_IFLNK);
    }
    return reading;
  }
  if (fstat(descriptor, &info) != 0) {
    // unreadable
  } else if (!S_ISREG(info.st_mode)) {
    reading.Result = TileFileReading::Outcome::NotRegular;
    reading.What = KindOf(info.st_mode);
  } else if (ReadOpenFile(descriptor, info, maxBytes_, bytes)) {
    reading.Result = TileFileReading::Outcome::Read;
    reading.Modified = info.st_mtim;
  }
  close(descriptor);
  return reading;
}

bool ReadSmallRegularFile(const std::string& path, int64_t maxBytes, std::string& bytes) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    return false;
  }
  struct stat info {};
  const bool read = fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) &&
                    ReadOpenFile(descriptor, info, maxBytes, bytes);
  close(descriptor);
  return read;
}

}  // namespace kartovel
