// Tile status by file size first and bytes only when the size matches the blank's.
#include "tiles/TileStatus.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

namespace kartovel::tools {
namespace {

std::string ReadWholeFile(const std::string& fileName) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) {
    return {};
  }
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

TileStatusScanner::TileStatusScanner(std::string blankBytes) : blankBytes_(std::move(blankBytes)) {}

TileStatus TileStatusScanner::StatusOf(const std::string& tilePath) const {
  struct stat info {};
  if (stat(tilePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return TileStatus::Missing;
  }
  bool sizedLikeBlank =
      !blankBytes_.empty() && static_cast<uint64_t>(info.st_size) == blankBytes_.size();
  if (sizedLikeBlank && ReadWholeFile(tilePath) == blankBytes_) {
    return TileStatus::Blank;
  }
  return TileStatus::Present;
}

std::string ReadBlankImage(const std::string& blankFile) {
  return ReadWholeFile(blankFile);
}

std::vector<TileStatus> ScanTiles(const std::vector<TileEntry>& tiles,
                                  const std::string& tileFolder, const TileStatusScanner& scanner) {
  std::vector<TileStatus> statuses;
  statuses.reserve(tiles.size());
  for (const TileEntry& tile : tiles) {
    statuses.push_back(scanner.StatusOf(tileFolder + tile.name));
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
