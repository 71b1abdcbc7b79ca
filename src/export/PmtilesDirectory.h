// The directories of a PMTiles archive: entries (a tile id, where its bytes lie in the
// data section, and how many consecutive ids share them) serialised column by column
// as varints, gzip-compressed, and split into leaf directories when the root would not
// fit with the header into the first 16 kB that readers fetch at once.
#pragma once

#include <cstdint>
#include <functional>
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

// Entries in tile-id order, visited from the first by each call, as often as a build
// needs them: an archive's entries can be read back from disk instead of held in memory.
using PmtilesEntryVisit = std::function<void(const PmtilesEntry&)>;
using PmtilesEntryWalk = std::function<void(const PmtilesEntryVisit&)>;

// The uncompressed directory: the entry count, the tile ids as differences, the run
// lengths, the lengths, then the offsets (0 for one that follows the previous entry's
// bytes, else offset + 1). The streamed form walks the entries once per column and hands
// the bytes over in pieces.
std::string SerializeDirectory(const std::vector<PmtilesEntry>& entries);
void SerializeDirectory(uint64_t count, const PmtilesEntryWalk& walk,
                        const std::function<void(std::string_view piece)>& out);

// The entries of an uncompressed directory; none when its bytes break the layout (cut
// short, bytes left over, a length of 0, an offset that follows no entry).
std::optional<std::vector<PmtilesEntry>> ParseDirectory(std::string_view bytes);

// Where the leaf directories go as they are made, one after another; Restart drops those
// made so far, when a larger leaf size is tried.
struct PmtilesLeafSink {
  std::function<void(std::string_view leaf)> Append;
  std::function<void()> Restart;
};

// Bytes the header and the root directory may take together.
inline constexpr size_t kPmtilesRootLimit = 16384;
inline constexpr size_t kPmtilesHeaderSize = 127;

// The compressed root directory of count entries (ordered by tile id), at most
// kPmtilesRootLimit - kPmtilesHeaderSize bytes: all of them when they fit, else leaves of
// 4096 entries, or twice, four times ... as many, until the root of their first ids fits.
// The leaves go to leaves; memory holds one leaf and the root, never all the entries.
std::string BuildDirectories(uint64_t count, const PmtilesEntryWalk& walk,
                             const PmtilesLeafSink& leaves);

}  // namespace kartovel
