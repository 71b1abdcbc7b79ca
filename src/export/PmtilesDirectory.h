// The directories of a PMTiles archive: entries (a tile id, where its bytes lie in the
// data section, and how many consecutive ids share them) serialised column by column
// as varints, gzip-compressed, and split into leaf directories when the root would not
// fit with the header into the first 16 kB that readers fetch at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kartovel {

struct PmtilesEntry {
  uint64_t TileId = 0;
  uint64_t Offset = 0;  // in the data section, or in the leaf section for a leaf
  uint32_t Length = 0;
  uint32_t RunLength = 0;  // 0: the entry points to a leaf directory
};

// The uncompressed directory: the entry count, the tile ids as differences, the run
// lengths, the lengths, then the offsets (0 for one that follows the previous entry's
// bytes, else offset + 1).
std::string SerializeDirectory(const std::vector<PmtilesEntry>& entries);

// The entries of an uncompressed directory; none when its bytes break the layout (cut
// short, bytes left over, a length of 0, an offset that follows no entry).
std::optional<std::vector<PmtilesEntry>> ParseDirectory(std::string_view bytes);

// The compressed root directory and the leaf section after it.
struct PmtilesDirectories {
  std::string Root;
  std::string Leaves;
};

// Bytes the header and the root directory may take together.
inline constexpr size_t kPmtilesRootLimit = 16384;
inline constexpr size_t kPmtilesHeaderSize = 127;

// The entries (ordered by tile id) in a root directory of at most
// kPmtilesRootLimit - kPmtilesHeaderSize compressed bytes: all of them when they fit,
// else leaves of 4096 entries, or twice, four times ... as many, until the root of
// their first ids fits.
PmtilesDirectories BuildDirectories(const std::vector<PmtilesEntry>& entries);

}  // namespace kartovel
