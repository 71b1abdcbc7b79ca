// Tile status by file size first and bytes only when the size matches the blank's.
#include "tiles/TileStatus.h"

#include <sys/stat.h>

#include <cstring>

#include "tiles/TileFileReader.h"

namespace kartovel::tools {

TileStatusScanner::TileStatusScanner(std::string blankBytes) : blankBytes_(std::move(blankBytes)) {}

TileStatus TileStatusScanner::StatusOf(const std::string& tilePath) const {
  // A link (even to a tile elsewhere), a pipe or a device is no tile of the task.
  struct stat info {};
  if (lstat(tilePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return TileStatus::Missing;
  }
  bool sizedLikeBlank =
      !blankBytes_.empty() && static_cast<uint64_t>(info.st_size) == blankBytes_.size();
  if (!sizedLikeBlank) {
    return TileStatus::Present;
  }
  std::vector<uint8_t> bytes;
  if (!ReadTileFileBytes(tilePath, bytes, blankBytes_.size(), true)) {
    return TileStatus::Missing;  // replaced by something else since
  }
  return bytes.size() == blankBytes_.size() &&
                 std::memcmp(bytes.data(), blankBytes_.data(), bytes.size()) == 0
             ? TileStatus::Blank
             : TileStatus::Present;
}

std::string ReadBlankImage(const std::string& blankFile) {
  std::string bytes;
  if (!ReadSmallRegularFile(blankFile, static_cast<int64_t>(kMaxTileFileBytes), bytes)) {
    return {};
  }
  return bytes;
}

std::vector<TileStatus> ScanTiles(const std::vector<TileEntry>& tiles,
                                  const std::string& tileFolder, const TileStatusScanner& scanner) {
  std::vector<TileStatus> statuses;
  statuses.reserve(tiles.size());
  for (const TileEntry& tile : tiles) {
    statuses.push_back(IsNameInFolder(tile.name) ? scanner.StatusOf(tileFolder + tile.name)
                                                 : TileStatus::Missing);
  }
  return statuses;
}

TileStatusCounts CountStatuses(const std::vector<TileStatus>& statuses) {
  TileStatusCounts counts;
  for (TileStatus status : statuses) {
    switch (status) {
      case TileStatus::Present:
        ++counts.present;
        break;
      case TileStatus::Missing:
        ++counts.missing;
        break;
      case TileStatus::Blank:
        ++counts.blank;
        break;
    }
  }
  return counts;
}

}  // namespace kartovel::tools
