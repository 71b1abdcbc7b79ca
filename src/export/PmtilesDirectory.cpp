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
// Serialised bytes handed on at a time.
constexpr size_t kPieceSize = 65536;

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

void SerializeDirectory(uint64_t count, const PmtilesEntryWalk& walk,
                        const std::function<void(std::string_view piece)>& out) {
  std::string piece;
  const auto put = [&](uint64_t value) {
    AppendVarint(piece, value);
    if (piece.size() >= kPieceSize) {
      out(piece);
      piece.clear();
    }
  };
  put(count);
  uint64_t lastId = 0;
  walk([&](const PmtilesEntry& entry) {
    put(entry.TileId - lastId);
    lastId = entry.TileId;
  });
  walk([&](const PmtilesEntry& entry) { put(entry.RunLength); });
  walk([&](const PmtilesEntry& entry) { put(entry.Length); });
  std::optional<PmtilesEntry> previous;
  walk([&](const PmtilesEntry& entry) {
    const bool follows = previous && entry.Offset == previous->Offset + previous->Length;
    put(follows ? 0 : entry.Offset + 1);
    previous = entry;
  });
  out(piece);
}

std::string SerializeDirectory(const std::vector<PmtilesEntry>& entries) {
  std::string out;
  out.reserve(entries.size() * 6 + 8);
  SerializeDirectory(
      entries.size(),
      [&](const PmtilesEntryVisit& visit) {
        for (const PmtilesEntry& entry : entries) {
          visit(entry);
        }
      },
      [&](std::string_view piece) { out += piece; });
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

std::string BuildDirectories(uint64_t count, const PmtilesEntryWalk& walk,
                             const PmtilesLeafSink& leaves) {
  const size_t rootLimit = kPmtilesRootLimit - kPmtilesHeaderSize;
  {
    GzipStream whole(rootLimit);
    SerializeDirectory(count, walk, [&](std::string_view piece) { whole.Append(piece); });
    std::string root = whole.Finish();
    if (root.size() <= rootLimit) {
      return root;
    }
  }
  for (size_t leafSize = kFirstLeafSize;; leafSize *= 2) {
    leaves.Restart();
    std::vector<PmtilesEntry> root;
    std::vector<PmtilesEntry> leaf;
    uint64_t leavesLength = 0;
    const auto endLeaf = [&] {
      const std::string bytes = GzipCompress(SerializeDirectory(leaf));
      root.push_back({leaf.front().TileId, leavesLength, static_cast<uint32_t>(bytes.size()), 0});
      leavesLength += bytes.size();
      leaves.Append(bytes);
      leaf.clear();
    };
    walk([&](const PmtilesEntry& entry) {
      leaf.push_back(entry);
      if (leaf.size() == leafSize) {
        endLeaf();
      }
    });
    if (!leaf.empty()) {
      endLeaf();
    }
    std::string bytes = GzipCompress(SerializeDirectory(root));
    if (bytes.size() <= rootLimit) {
      return bytes;
    }
  }
}

}  // namespace kartovel
