// Which tiles of a task are on disk: present, missing, or a copy of the blank image
// that the downloader puts in place of a tile it could not get.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tiles/TileList.h"

namespace kartovel::tools {

enum class TileStatus : uint8_t { Present, Missing, Blank };

struct TileStatusCounts {
  int64_t present = 0;
  int64_t missing = 0;
  int64_t blank = 0;
};

// Tells tiles apart by their files. blankBytes is the blank image's content (empty
// when there is none, and then no tile counts as blank); only files of the blank's
// size are read, so a scan of many tiles costs little more than a stat per tile.
class TileStatusScanner {
 public:
  explicit TileStatusScanner(std::string blankBytes);
  TileStatus StatusOf(const std::string& tilePath) const;

 private:
  std::string blankBytes_;
};

// The blank image's bytes, or an empty text when the file cannot be read.
std::string ReadBlankImage(const std::string& blankFile);

std::vector<TileStatus> ScanTiles(const std::vector<TileEntry>& tiles,
                                  const std::string& tileFolder, const TileStatusScanner& scanner);

TileStatusCounts CountStatuses(const std::vector<TileStatus>& statuses);

}  // namespace kartovel::tools
