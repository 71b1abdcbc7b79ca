// The PMTiles writer: scratch storage while tiles arrive, then header, root directory,
// metadata, leaf directories and the tile data in tile-id order.
#include "export/PmtilesWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <nlohmann/json.hpp>

#include "common/Error.h"
#include "common/NumberFormat.h"
#include "export/Gzip.h"
#include "export/PmtilesDirectory.h"
#include "export/PmtilesTileId.h"

namespace kartovel {

namespace {

constexpr size_t kBufferSize = size_t{1} << 20;
constexpr uint32_t kNoPlace = UINT32_MAX;

// A file written from the start through a buffer; false on the first failed write,
// with errno set.
class BufferedFile {
 public:
  explicit BufferedFile(int descriptor) : descriptor_(descriptor) { buffer_.reserve(kBufferSize); }
  bool Append(std::string_view bytes) {
    buffer_.append(bytes);
    return buffer_.size() < kBufferSize || Flush();
  }
  bool Flush() {
    for (size_t written = 0; written < buffer_.size();) {
      const ssize_t wrote = write(descriptor_, buffer_.data() + written, buffer_.size() - written);
      if (wrote < 0 && errno == EINTR) {
        continue;
      }
      if (wrote <= 0) {
        errno = wrote < 0 ? errno : ENOSPC;
        return false;
      }
      written += static_cast<size_t>(wrote);
    }
    buffer_.clear();
    return true;
  }

 private:
  int descriptor_;
  std::string buffer_;
};

void PutLittleEndian(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

int64_t E7(double degrees) { return std::llround(degrees * 1e7); }

uint8_t TileTypeOf(const std::string& format) {
  return format == "png" ? 2 : format == "jpg" ? 3 : format == "webp" ? 4 : 0;
}

std::string MetadataJson(const TilesetInfo& info, const GeoBounds& bounds) {
  nlohmann::ordered_json json;
  json["name"] = info.Name;
  json["format"] = info.Format;
  json["type"] = "baselayer";
  json["version"] = "1";
  json["minzoom"] = std::to_string(info.MinZoom);
  json["maxzoom"] = std::to_string(info.MaxZoom);
  json["bounds"] = FormatGeneral(bounds.West, '.') + "," + FormatGeneral(bounds.South, '.') +
                   "," + FormatGeneral(bounds.East, '.') + "," + FormatGeneral(bounds.North, '.');
  if (!info.Attribution.empty()) {
    json["attribution"] = info.Attribution;
  }
  return json.dump();
}

struct Layout {
  uint64_t RootOffset = kPmtilesHeaderSize;
  uint64_t MetadataOffset = 0;
  uint64_t LeavesOffset = 0;
  uint64_t DataOffset = 0;
};

struct Counts {
  uint64_t Addressed = 0;
  uint64_t Entries = 0;
  uint64_t Contents = 0;
  uint64_t DataLength = 0;
};

std::string Header(const Layout& layout, const PmtilesDirectories& directories,
                   size_t metadataLength, const Counts& counts, const TilesetInfo& info,
                   int32_t minZoom, int32_t maxZoom, const GeoBounds& bounds) {
  std::string header = "PMTiles";
  header.push_back(3);
  PutLittleEndian(header, layout.RootOffset, 8);
  PutLittleEndian(header, directories.Root.size(), 8);
  PutLittleEndian(header, layout.MetadataOffset, 8);
  PutLittleEndian(header, metadataLength, 8);
  PutLittleEndian(header, layout.LeavesOffset, 8);
  PutLittleEndian(header, directories.Leaves.size(), 8);
  PutLittleEndian(header, layout.DataOffset, 8);
  PutLittleEndian(header, counts.DataLength, 8);
  PutLittleEndian(header, counts.Addressed, 8);
  PutLittleEndian(header, counts.Entries, 8);
  PutLittleEndian(header, counts.Contents, 8);
  header.push_back(1);  // clustered
  header.push_back(2);  // directories and metadata: gzip
  header.push_back(1);  // tiles: as they are
  header.push_back(static_cast<char>(TileTypeOf(info.Format)));
  header.push_back(static_cast<char>(minZoom));
  header.push_back(static_cast<char>(maxZoom));
  PutLittleEndian(header, static_cast<uint64_t>(E7(bounds.West)), 4);
  PutLittleEndian(header, static_cast<uint64_t>(E7(bounds.South)), 4);
  PutLittleEndian(header, static_cast<uint64_t>(E7(bounds.East)), 4);
  PutLittleEndian(header, static_cast<uint64_t>(E7(bounds.North)), 4);
  header.push_back(static_cast<char>(minZoom));
  PutLittleEndian(header, static_cast<uint64_t>(E7((bounds.West + bounds.East) / 2)), 4);
  PutLittleEndian(header, static_cast<uint64_t>(E7((bounds.South + bounds.North) / 2)), 4);
  return header;
}

}  // namespace

PmtilesWriter::PmtilesWriter(const std::string& targetFile, const TilesetInfo& info)
    : info_(info), temp_(targetFile) {
  // The scratch file has no name from the start, so nothing of it outlives the export.
  std::string name = temp_.Name() + "-XXXXXX";
  scratch_ = mkstemp(name.data());
  if (scratch_ < 0) {
    // The reason (a folder that does not exist, no write access) is what the user can fix.
    throw AppError(WithSystemReason(CannotCreateFile(targetFile).what(), errno));
  }
  unlink(name.c_str());
  scratchBuffer_.reserve(kBufferSize);
}

PmtilesWriter::~PmtilesWriter() {
  if (scratch_ >= 0) {
    close(scratch_);
  }
}

void PmtilesWriter::FailWrite(int systemError) const {
  throw ExportWriteError(CannotWriteFile(temp_.Target(), systemError).what());
}

void PmtilesWriter::FlushScratch() {
  BufferedFile file(scratch_);
  if (!file.Append(scratchBuffer_) || !file.Flush()) {
    FailWrite(errno);
  }
  scratchFlushed_ += scratchBuffer_.size();
  scratchBuffer_.clear();
}

void PmtilesWriter::ReadScratch(uint64_t offset, uint32_t length, std::string& out) {
  out.resize(length);
  if (offset >= scratchFlushed_) {
    out.assign(scratchBuffer_, offset - scratchFlushed_, length);
    return;
  }
  for (size_t done = 0; done < length;) {
    const ssize_t got = pread(scratch_, out.data() + done, length - done,
                              static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      FailWrite(got < 0 ? errno : EIO);
    }
    done += static_cast<size_t>(got);
  }
}

bool PmtilesWriter::ScratchEquals(const Content& content, std::string_view data) {
  if (content.Length != data.size()) {
    return false;
  }
  ReadScratch(content.ScratchOffset, content.Length, compared_);
  return compared_ == data;
}

uint32_t PmtilesWriter::StoredContent(std::string_view data) {
  const auto stored = index_.Find(data, [&](int64_t id) {
    return ScratchEquals(contents_[static_cast<size_t>(id)], data);
  });
  if (stored) {
    return static_cast<uint32_t>(*stored);
  }
  const auto id = static_cast<uint32_t>(contents_.size());
  contents_.push_back({scratchFlushed_ + scratchBuffer_.size(), static_cast<uint32_t>(data.size())});
  scratchBuffer_.append(data);
  if (scratchBuffer_.size() >= kBufferSize) {
    FlushScratch();
  }
  index_.Add(data, id);
  return id;
}

void PmtilesWriter::AddTile(int32_t zoom, int32_t column, int32_t row, std::string_view data) {
  if (data.empty()) {
    return;  // an entry's length must be positive; the export never hands over none
  }
  placed_.push_back({PmtilesTileId(zoom, static_cast<uint32_t>(column),
                                   static_cast<uint32_t>(row)),
                     StoredContent(data)});
  minZoom_ = std::min(minZoom_, zoom);
  maxZoom_ = std::max(maxZoom_, zoom);
  ++tiles_;
}

void PmtilesWriter::Commit() {
  FlushScratch();
  index_ = TileContentIndex();  // no tile comes any more; its memory goes to the directories
  // Tile-id order; of two tiles at one place the later one stays.
  std::stable_sort(placed_.begin(), placed_.end(),
                   [](const Placed& a, const Placed& b) { return a.TileId < b.TileId; });
  std::vector<uint64_t> dataOffset(contents_.size(), kNoPlace);
  std::vector<uint32_t> order;  // contents in the order of their bytes in the data section
  std::vector<PmtilesEntry> entries;
  Counts counts;
  for (size_t i = 0; i < placed_.size(); ++i) {
    if (i + 1 < placed_.size() && placed_[i + 1].TileId == placed_[i].TileId) {
      continue;
    }
    const Placed& tile = placed_[i];
    const Content& content = contents_[tile.Content];
    if (dataOffset[tile.Content] == kNoPlace) {
      dataOffset[tile.Content] = counts.DataLength;
      counts.DataLength += content.Length;
      order.push_back(tile.Content);
    }
    const uint64_t offset = dataOffset[tile.Content];
    ++counts.Addressed;
    if (!entries.empty() && entries.back().Offset == offset &&
        entries.back().TileId + entries.back().RunLength == tile.TileId) {
      ++entries.back().RunLength;
      continue;
    }
    entries.push_back({tile.TileId, offset, content.Length, 1});
  }
  counts.Entries = entries.size();
  counts.Contents = order.size();
  std::vector<Placed>().swap(placed_);

  const GeoBounds bounds = info_.Bounds.value_or(GeoBounds{-180, -85.0511287798066, 180,
                                                           85.0511287798066});
  const PmtilesDirectories directories = BuildDirectories(entries);
  std::vector<PmtilesEntry>().swap(entries);
  const std::string metadata = GzipCompress(MetadataJson(info_, bounds));
  Layout layout;
  layout.MetadataOffset = layout.RootOffset + directories.Root.size();
  layout.LeavesOffset = layout.MetadataOffset + metadata.size();
  layout.DataOffset = layout.LeavesOffset + directories.Leaves.size();

  const int descriptor = open(temp_.Name().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (descriptor < 0) {
    FailWrite(errno);
  }
  BufferedFile out(descriptor);
  bool written = out.Append(Header(layout, directories, metadata.size(), counts, info_,
                                   order.empty() ? 0 : minZoom_, order.empty() ? 0 : maxZoom_,
                                   bounds)) &&
                 out.Append(directories.Root) && out.Append(metadata) &&
                 out.Append(directories.Leaves);
  std::string bytes;
  for (size_t i = 0; written && i < order.size(); ++i) {
    const Content& content = contents_[order[i]];
    ReadScratch(content.ScratchOffset, content.Length, bytes);
    written = out.Append(bytes);
  }
  written = written && out.Flush();
  const int failure = written ? 0 : errno;
  if (close(descriptor) != 0 && written) {
    FailWrite(errno);
  }
  if (!written) {
    FailWrite(failure);
  }
  temp_.PutInPlace();
}

}  // namespace kartovel
