// The PMTiles reader of the tests: header fields by their offsets, varint directories
// column by column, leaves followed, tiles checked to lie in the data section and, in a
// clustered archive, each either right after the previous one or an earlier one again.
#include "support/PmtilesReader.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <vector>

namespace kartovel::testing {

namespace {

struct Fault : std::runtime_error {
  using std::runtime_error::runtime_error;
};

uint64_t LittleEndian(const std::string& bytes, size_t at, int width) {
  if (at + static_cast<size_t>(width) > bytes.size()) {
    throw Fault("header cut short");
  }
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
  }
  return value;
}

std::string Inflate(const std::string& compressed) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 32) != Z_OK) {
    throw Fault("inflate init");
  }
  std::string out;
  char chunk[65536];
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - stream.avail_out);
  }
  inflateEnd(&stream);
  if (result != Z_STREAM_END) {
    throw Fault("a gzip stream does not inflate");
  }
  return out;
}

struct Entry {
  uint64_t id, offset, length, run;
};

uint64_t Varint(const std::string& bytes, size_t& at) {
  uint64_t value = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    if (at >= bytes.size()) {
      throw Fault("directory cut short");
    }
    const auto byte = static_cast<uint8_t>(bytes[at++]);
    value |= uint64_t{byte & 0x7Fu} << shift;
    if ((byte & 0x80) == 0) {
      return value;
    }
  }
  throw Fault("varint too long");
}

std::vector<Entry> Directory(const std::string& compressed) {
  const std::string bytes = Inflate(compressed);
  size_t at = 0;
  const uint64_t count = Varint(bytes, at);
  if (count == 0 || count > bytes.size()) {
    throw Fault("a directory of no entries");
  }
  std::vector<Entry> entries(count);
  uint64_t id = 0;
  for (auto& entry : entries) {
    entry.id = id += Varint(bytes, at);
  }
  for (auto& entry : entries) {
    entry.run = Varint(bytes, at);
  }
  for (auto& entry : entries) {
    entry.length = Varint(bytes, at);
    if (entry.length == 0) {
      throw Fault("an entry of length 0");
    }
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    const uint64_t offset = Varint(bytes, at);
    if (offset == 0 && i == 0) {
      throw Fault("the first offset follows nothing");
    }
    entries[i].offset =
        offset == 0 ? entries[i - 1].offset + entries[i - 1].length : offset - 1;
  }
  if (at != bytes.size()) {
    throw Fault("bytes after a directory");
  }
  return entries;
}

}  // namespace

std::tuple<int, uint64_t, uint64_t> PmtilesPlaceOf(uint64_t tileId) {
  int zoom = 0;
  uint64_t first = 0;
  while (first + (uint64_t{1} << (2 * zoom)) <= tileId) {
    first += uint64_t{1} << (2 * zoom);
    ++zoom;
  }
  // Walk down the curve from its smallest quadrants, undoing each level's turn.
  const uint64_t side = uint64_t{1} << zoom;
  uint64_t t = tileId - first;
  uint64_t x = 0;
  uint64_t y = 0;
  for (uint64_t s = 1; s < side; s *= 2) {
    const uint64_t rx = 1 & (t / 2);
    const uint64_t ry = 1 & (t ^ rx);
    if (ry == 0) {
      if (rx == 1) {
        x = s - 1 - x;
        y = s - 1 - y;
      }
      std::swap(x, y);
    }
    x += s * rx;
    y += s * ry;
    t /= 4;
  }
  return {zoom, x, y};
}

PmtilesContent ReadPmtiles(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  PmtilesContent content;
  try {
    if (file.size() < 127 || file.compare(0, 7, "PMTiles") != 0 || file[7] != 3) {
      throw Fault("no PMTiles version 3 header");
    }
    const auto section = [&](size_t at) {
      const uint64_t offset = LittleEndian(file, at, 8);
      const uint64_t length = LittleEndian(file, at + 8, 8);
      if (offset > file.size() || length > file.size() - offset) {
        throw Fault("a section beyond the end of the file");
      }
      return std::pair(offset, length);
    };
    const auto [rootOffset, rootLength] = section(8);
    const auto [metadataOffset, metadataLength] = section(24);
    const auto [leavesOffset, leavesLength] = section(40);
    const auto [dataOffset, dataLength] = section(56);
    content.AddressedTiles = LittleEndian(file, 72, 8);
    content.TileEntries = LittleEndian(file, 80, 8);
    content.TileContents = LittleEndian(file, 88, 8);
    const bool clustered = file[96] == 1;
    if (file[97] != 2) {
      throw Fault("directories not gzip-compressed");
    }
    content.TileType = file[99];
    content.MinZoom = file[100];
    content.MaxZoom = file[101];
    content.RootLength = rootLength;
    if (rootOffset + rootLength > 16384) {
      throw Fault("the root directory beyond the first 16384 bytes");
    }
    content.Metadata = Inflate(file.substr(metadataOffset, metadataLength));

    std::vector<Entry> tiles;
    std::vector<std::vector<Entry>> pending = {Directory(file.substr(rootOffset, rootLength))};
    while (!pending.empty()) {
      const std::vector<Entry> entries = std::move(pending.back());
      pending.pop_back();
      for (const Entry& entry : entries) {
        if (entry.run == 0) {
          if (entry.offset + entry.length > leavesLength) {
            throw Fault("a leaf beyond the leaf section");
          }
          ++content.LeafDirectories;
          pending.push_back(Directory(file.substr(leavesOffset + entry.offset, entry.length)));
        } else {
          tiles.push_back(entry);
        }
      }
    }
    std::sort(tiles.begin(), tiles.end(),
              [](const Entry& a, const Entry& b) { return a.id < b.id; });
    uint64_t end = 0;
    std::set<uint64_t> offsets;
    for (size_t i = 0; i < tiles.size(); ++i) {
      const Entry& entry = tiles[i];
      if (i > 0 && entry.id < tiles[i - 1].id + tiles[i - 1].run) {
        throw Fault("entries overlap");
      }
      if (entry.offset + entry.length > dataLength) {
        throw Fault("a tile beyond the data section");
      }
      if (clustered && entry.offset != end && entry.offset >= end) {
        throw Fault("a clustered archive's tile out of order");
      }
      end = std::max(end, entry.offset + entry.length);
      offsets.insert(entry.offset);
      content.RunEntries += entry.run > 1 ? 1 : 0;
      content.AddressedTiles -= std::min(content.AddressedTiles, entry.run);
      for (uint64_t k = 0; k < entry.run; ++k) {
        const auto [zoom, x, y] = PmtilesPlaceOf(entry.id + k);
        content.Tiles[{zoom, static_cast<int>(x), static_cast<int>(y)}] =
            file.substr(dataOffset + entry.offset, entry.length);
      }
    }
    if (content.AddressedTiles != 0 || content.TileEntries != tiles.size() ||
        content.TileContents != offsets.size()) {
      throw Fault("the header's counts differ from the directories");
    }
    content.AddressedTiles = content.Tiles.size();
    content.Structure = "ok";
  } catch (const Fault& fault) {
    content.Structure = fault.what();
  }
  return content;
}

}  // namespace kartovel::testing
