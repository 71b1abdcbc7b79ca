// Directory serialisation and the split into leaves.
#include "export/PmtilesDirectory.h"

#include <algorithm>

#include "export/Gzip.h"

namespace kartovel {

namespace {

void AppendVarint(std::string& out, uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<char>((value & 0x7F) | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<char>(value));
}

constexpr size_t kFirstLeafSize = 4096;

}  // namespace

std::string SerializeDirectory(const std::vector<PmtilesEntry>& entries) {
  std::string out;
  out.reserve(entries.size() * 6 + 8);
  AppendVarint(out, entries.size());
  uint64_t lastId = 0;
  for (const PmtilesEntry& entry : entries) {
    AppendVarint(out, entry.TileId - lastId);
    lastId = entry.TileId;
  }
  for (const PmtilesEntry& entry : entries) {
    AppendVarint(out, entry.RunLength);
  }
  for (const PmtilesEntry& entry : entries) {
    AppendVarint(out, entry.Length);
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    const bool follows =
        i > 0 && entries[i].Offset == entries[i - 1].Offset + entries[i - 1].Length;
    AppendVarint(out, follows ? 0 : entries[i].Offset + 1);
  }
  return out;
}

PmtilesDirectories BuildDirectories(const std::vector<PmtilesEntry>& entries) {
  const size_t rootLimit = kPmtilesRootLimit - kPmtilesHeaderSize;
  PmtilesDirectories directories{GzipCompress(SerializeDirectory(entries)), {}};
  for (size_t leafSize = kFirstLeafSize; directories.Root.size() > rootLimit; leafSize *= 2) {
    std::vector<PmtilesEntry> root;
    directories.Leaves.clear();
    for (size_t first = 0; first < entries.size(); first += leafSize) {
      const size_t last = std::min(entries.size(), first + leafSize);
      const std::string leaf = GzipCompress(SerializeDirectory(
          std::vector<PmtilesEntry>(entries.begin() + static_cast<std::ptrdiff_t>(first),
                                    entries.begin() + static_cast<std::ptrdiff_t>(last))));
      root.push_back({entries[first].TileId, directories.Leaves.size(),
                      static_cast<uint32_t>(leaf.size()), 0});
      directories.Leaves += leaf;
    }
    directories.Root = GzipCompress(SerializeDirectory(root));
  }
  return directories;
}

}  // namespace kartovel
