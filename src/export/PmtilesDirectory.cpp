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

std::optional<uint64_t> ReadVarint(std::string_view bytes, size_t& at) {
  uint64_t value = 0;
  for (int shift = 0; shift < 64 && at < bytes.size(); shift += 7) {
    const auto byte = static_cast<uint8_t>(bytes[at++]);
    value |= uint64_t{byte & 0x7Fu} << shift;
    if ((byte & 0x80) == 0) {
      return value;
    }
  }
  return std::nullopt;
}

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

std::optional<std::vector<PmtilesEntry>> ParseDirectory(std::string_view bytes) {
  size_t at = 0;
  const auto count = ReadVarint(bytes, at);
  // Every entry takes at least four bytes, which bounds what a damaged count can ask for.
  if (!count || *count == 0 || *count > bytes.size() / 4) {
    return std::nullopt;
  }
  std::vector<PmtilesEntry> entries(*count);
  uint64_t id = 0;
  for (PmtilesEntry& entry : entries) {
    const auto delta = ReadVarint(bytes, at);
    if (!delta) {
      return std::nullopt;
    }
    entry.TileId = id += *delta;
  }
  for (int column = 0; column < 2; ++column) {
    for (PmtilesEntry& entry : entries) {
      const auto value = ReadVarint(bytes, at);
      if (!value || *value > UINT32_MAX || (column == 1 && *value == 0)) {
        return std::nullopt;
      }
      (column == 0 ? entry.RunLength : entry.Length) = static_cast<uint32_t>(*value);
    }
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    const auto offset = ReadVarint(bytes, at);
    if (!offset || (*offset == 0 && i == 0)) {
      return std::nullopt;
    }
    entries[i].Offset =
        *offset == 0 ? entries[i - 1].Offset + entries[i - 1].Length : *offset - 1;
  }
  if (at != bytes.size()) {
    return std::nullopt;
  }
  return entries;
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
