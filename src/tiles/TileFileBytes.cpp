// One descriptor per read, closed on every way out.
#include "tiles/TileFileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace kartovel::tools {
namespace {

class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& fileName)
      : descriptor_(open(fileName.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~ReadOnlyFile() {
    if (descriptor_ >= 0) {
      close(descriptor_);
    }
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool Read(std::vector<uint8_t>& bytes, size_t limit, bool wholeFile) const {
    struct stat status {};
    if (descriptor_ < 0 || fstat(descriptor_, &status) != 0 || status.st_size < 0 ||
        (wholeFile && static_cast<uint64_t>(status.st_size) > limit)) {
      return false;
    }
    bytes.resize(std::min(static_cast<size_t>(status.st_size), limit));
    size_t filled = 0;
    while (filled < bytes.size()) {
      const ssize_t got = read(descriptor_, bytes.data() + filled, bytes.size() - filled);
      if (got <= 0) {
        return false;  // an error, or the file shrank while being read
      }
      filled += static_cast<size_t>(got);
    }
    return true;
  }

 private:
  int descriptor_;
};

}  // namespace

bool ReadTileFileBytes(const std::string& fileName, std::vector<uint8_t>& bytes, size_t limit,
                       bool wholeFile) {
  return ReadOnlyFile(fileName).Read(bytes, limit, wholeFile);
}

}  // namespace kartovel::tools
