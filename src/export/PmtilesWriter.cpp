// The PMTiles writer: scratch storage while tiles arrive; then, walking the tiles in
// tile-id order, the directory entries and the data's order; then header, root
// directory, metadata, leaf directories and the tile data.
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

// contents: each distinct tile content, where its bytes lie in the scratch file and,
// once the walk in tile-id order has met it, in the data section (-1 before).
// places: the content at each tile id; a later tile at the same place replaces the
// earlier one. entries and data_order: the walk's results, in their order.
constexpr char kScratchSchema[] =
    "CREATE TABLE contents (id INTEGER PRIMARY KEY, scratch_offset INTEGER NOT NULL,"
    " length INTEGER NOT NULL, data_offset INTEGER NOT NULL DEFAULT -1);"
    "CREATE TABLE places (tile_id INTEGER PRIMARY KEY, content INTEGER NOT NULL);"
    "CREATE TABLE entries (tile_id INTEGER, data_offset INTEGER, length INTEGER,"
    " run_length INTEGER);"
    "CREATE TABLE data_order (scratch_offset INTEGER, length INTEGER);";
constexpr char kInsertContent[] =
    "INSERT INTO contents (id, scratch_offset, length) VALUES (?1, ?2, ?3)";
constexpr char kSelectContent[] =
    "SELECT scratch_offset, length, data_offset FROM contents WHERE id = ?1";
constexpr char kInsertPlace[] = "INSERT OR REPLACE INTO places (tile_id, content) VALUES (?1, ?2)";
constexpr char kSelectPlaces[] = "SELECT tile_id, content FROM places ORDER BY tile_id";
constexpr char kSetDataOffset[] = "UPDATE contents SET data_offset = ?2 WHERE id = ?1";
constexpr char kInsertDataOrder[] =
    "INSERT INTO data_order (scratch_offset, length) VALUES (?1, ?2)";
constexpr char kSelectDataOrder[] = "SELECT scratch_offset, length FROM data_order ORDER BY rowid";
constexpr char kInsertEntry[] =
    "INSERT INTO entries (tile_id, data_offset, length, run_length) VALUES (?1, ?2, ?3, ?4)";
constexpr char kSelectEntries[] =
    "SELECT tile_id, data_offset, length, run_length FROM entries ORDER BY rowid";

struct ContentRow {
  uint64_t ScratchOffset = 0;
  uint64_t Length = 0;
  int64_t DataOffset = -1;
};

// The one row of a content (select bound to its id), the query read to its end.
ContentRow ReadContent(SqliteStatement& select) {
  ContentRow content;
  if (select.Step()) {
    content = {static_cast<uint64_t>(select.IntegerColumn(0)),
               static_cast<uint64_t>(select.IntegerColumn(1)), select.IntegerColumn(2)};
    while (select.Step()) {
    }
  }
  return content;
}

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
  uint64_t RootLength = 0;
  uint64_t MetadataOffset = 0;
  uint64_t MetadataLength = 0;
  uint64_t LeavesOffset = 0;
  uint64_t LeavesLength = 0;
  uint64_t DataOffset = 0;
};

std::string Header(const Layout& layout, const PmtilesCounts& counts, const TilesetInfo& info,
                   int32_t minZoom, int32_t maxZoom, const GeoBounds& bounds) {
  std::string header = "PMTiles";
  header.push_back(3);
  PutLittleEndian(header, layout.RootOffset, 8);
  PutLittleEndian(header, layout.RootLength, 8);
  PutLittleEndian(header, layout.MetadataOffset, 8);
  PutLittleEndian(header, layout.MetadataLength, 8);
  PutLittleEndian(header, layout.LeavesOffset, 8);
  PutLittleEndian(header, layout.LeavesLength, 8);
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
    : info_(info),
      temp_(targetFile),
      index_("Cannot write file " + targetFile),
      places_("Cannot write file " + targetFile, kScratchSchema),
      insertContent_(places_.Prepare(kInsertContent)),
      selectContent_(places_.Prepare(kSelectContent)),
      insertPlace_(places_.Prepare(kInsertPlace)) {
  // The scratch file has no name from the start, so nothing of it outlives the export.
  std::string name = temp_.Name() + "-XXXXXX";
  scratch_ = FileDescriptor(mkstemp(name.data()));
  if (scratch_.Get() < 0) {
    // The reason (a folder that does not exist, no write access) is what the user can fix.
    throw AppError(WithSystemReason(CannotCreateFile(targetFile).what(), errno));
  }
  unlink(name.c_str());
  scratchBuffer_.reserve(kBufferSize);
}

void PmtilesWriter::FailWrite(int systemError) const {
  throw ExportWriteError(CannotWriteFile(temp_.Target(), systemError).what());
}

void PmtilesWriter::FlushScratch() {
  for (size_t written = 0; written < scratchBuffer_.size();) {
    const ssize_t wrote =
        pwrite(scratch_.Get(), scratchBuffer_.data() + written, scratchBuffer_.size() - written,
               static_cast<off_t>(scratchFlushed_ + written));
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    if (wrote <= 0) {
      FailWrite(wrote < 0 ? errno : ENOSPC);
    }
    written += static_cast<size_t>(wrote);
  }
  scratchFlushed_ += scratchBuffer_.size();
  scratchBuffer_.clear();
}

void PmtilesWriter::AppendScratch(std::string_view bytes) {
  scratchBuffer_.append(bytes);
  if (scratchBuffer_.size() >= kBufferSize) {
    FlushScratch();
  }
}

void PmtilesWriter::ReadScratch(uint64_t offset, uint64_t length, std::string& out) {
  out.resize(length);
  if (offset >= scratchFlushed_) {
    out.assign(scratchBuffer_, offset - scratchFlushed_, length);
    return;
  }
  for (size_t done = 0; done < length;) {
    const ssize_t got = pread(scratch_.Get(), out.data() + done, length - done,
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

bool PmtilesWriter::CopyScratch(uint64_t offset, uint64_t length,
                                const std::function<bool(std::string_view)>& out) {
  for (uint64_t done = 0; done < length;) {
    const uint64_t piece = std::min<uint64_t>(length - done, kBufferSize);
    ReadScratch(offset + done, piece, compared_);
    if (!out(compared_)) {
      return false;
    }
    done += piece;
  }
  return true;
}

bool PmtilesWriter::ScratchEquals(int64_t content, std::string_view data) {
  selectContent_.BindInteger(1, content);
  const ContentRow stored = ReadContent(selectContent_);
  if (stored.Length != data.size()) {
    return false;
  }
  ReadScratch(stored.ScratchOffset, stored.Length, compared_);
  return compared_ == data;
}

int64_t PmtilesWriter::StoredContent(std::string_view data) {
  const auto stored =
      index_.Find(data, [&](int64_t id) { return ScratchEquals(id, data); });
  if (stored) {
    return *stored;
  }
  const int64_t id = index_.Count();
  insertContent_.BindInteger(1, id);
  insertContent_.BindInteger(2, static_cast<int64_t>(scratchFlushed_ + scratchBuffer_.size()));
  insertContent_.BindInteger(3, static_cast<int64_t>(data.size()));
  insertContent_.Run();
  AppendScratch(data);
  index_.Add(data, id);
  return id;
}

void PmtilesWriter::AddTile(int32_t zoom, int32_t column, int32_t row, std::string_view data) {
  if (data.empty()) {
    return;  // an entry's length must be positive; the export never hands over none
  }
  const int64_t content = StoredContent(data);
  insertPlace_.BindInteger(
      1, static_cast<int64_t>(
             PmtilesTileId(zoom, static_cast<uint32_t>(column), static_cast<uint32_t>(row))));
  insertPlace_.BindInteger(2, content);
  insertPlace_.Run();
  minZoom_ = std::min(minZoom_, zoom);
  maxZoom_ = std::max(maxZoom_, zoom);
  ++tiles_;
}

PmtilesCounts PmtilesWriter::PlaceTiles() {
  SqliteStatement& places = places_.Prepare(kSelectPlaces);
  SqliteStatement& setDataOffset = places_.Prepare(kSetDataOffset);
  SqliteStatement& insertDataOrder = places_.Prepare(kInsertDataOrder);
  SqliteStatement& insertEntry = places_.Prepare(kInsertEntry);
  PmtilesCounts counts;
  std::optional<PmtilesEntry> pending;
  const auto putPending = [&] {
    insertEntry.BindInteger(1, static_cast<int64_t>(pending->TileId));
    insertEntry.BindInteger(2, static_cast<int64_t>(pending->Offset));
    insertEntry.BindInteger(3, pending->Length);
    insertEntry.BindInteger(4, pending->RunLength);
    insertEntry.Run();
    ++counts.Entries;
  };
  while (places.Step()) {
    const auto tileId = static_cast<uint64_t>(places.IntegerColumn(0));
    const int64_t id = places.IntegerColumn(1);
    selectContent_.BindInteger(1, id);
    ContentRow content = ReadContent(selectContent_);
    if (content.DataOffset < 0) {
      // The first tile of this content: its bytes come next in the data section.
      content.DataOffset = static_cast<int64_t>(counts.DataLength);
      counts.DataLength += content.Length;
      ++counts.Contents;
      setDataOffset.BindInteger(1, id);
      setDataOffset.BindInteger(2, content.DataOffset);
      setDataOffset.Run();
      insertDataOrder.BindInteger(1, static_cast<int64_t>(content.ScratchOffset));
      insertDataOrder.BindInteger(2, static_cast<int64_t>(content.Length));
      insertDataOrder.Run();
    }
    const auto offset = static_cast<uint64_t>(content.DataOffset);
    ++counts.Addressed;
    if (pending && pending->Offset == offset && pending->TileId + pending->RunLength == tileId) {
      ++pending->RunLength;
      continue;
    }
    if (pending) {
      putPending();
    }
    pending = PmtilesEntry{tileId, offset, static_cast<uint32_t>(content.Length), 1};
  }
  if (pending) {
    putPending();
  }
  return counts;
}

std::string PmtilesWriter::BuildDirectoriesIntoScratch(uint64_t entries) {
  SqliteStatement& select = places_.Prepare(kSelectEntries);
  const uint64_t leavesStart = scratchFlushed_;
  const PmtilesEntryWalk walk = [&](const PmtilesEntryVisit& visit) {
    while (select.Step()) {
      visit({static_cast<uint64_t>(select.IntegerColumn(0)),
             static_cast<uint64_t>(select.IntegerColumn(1)),
             static_cast<uint32_t>(select.IntegerColumn(2)),
             static_cast<uint32_t>(select.IntegerColumn(3))});
    }
  };
  const PmtilesLeafSink leaves{
      [this](std::string_view leaf) { AppendScratch(leaf); },
      [this, leavesStart] {
        scratchBuffer_.clear();
        if (scratchFlushed_ > leavesStart) {
          scratchFlushed_ = leavesStart;
          if (ftruncate(scratch_.Get(), static_cast<off_t>(leavesStart)) != 0) {
            FailWrite(errno);
          }
        }
      }};
  std::string root = BuildDirectories(entries, walk, leaves);
  FlushScratch();
  return root;
}

void PmtilesWriter::Commit() {
  FlushScratch();
  const PmtilesCounts counts = PlaceTiles();
  // The leaves are put after the tiles' bytes in the scratch file.
  Layout layout;
  const uint64_t leavesStart = scratchFlushed_;
  const std::string root = BuildDirectoriesIntoScratch(counts.Entries);
  layout.LeavesLength = scratchFlushed_ - leavesStart;

  const GeoBounds bounds = info_.Bounds.value_or(GeoBounds{-180, -85.0511287798066, 180,
                                                           85.0511287798066});
  const std::string metadata = GzipCompress(MetadataJson(info_, bounds));
  layout.RootLength = root.size();
  layout.MetadataOffset = layout.RootOffset + root.size();
  layout.MetadataLength = metadata.size();
  layout.LeavesOffset = layout.MetadataOffset + metadata.size();
  layout.DataOffset = layout.LeavesOffset + layout.LeavesLength;

  const int descriptor = open(temp_.Name().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (descriptor < 0) {
    FailWrite(errno);
  }
  BufferedFile out(descriptor);
  const auto append = [&out](std::string_view bytes) { return out.Append(bytes); };
  const bool empty = counts.Contents == 0;
  bool written = out.Append(Header(layout, counts, info_, empty ? 0 : minZoom_,
                                   empty ? 0 : maxZoom_, bounds)) &&
                 out.Append(root) && out.Append(metadata) &&
                 CopyScratch(leavesStart, layout.LeavesLength, append);
  SqliteStatement& dataOrder = places_.Prepare(kSelectDataOrder);
  while (dataOrder.Step()) {
    // The query is read to its end even after a failed write, so it is left reset.
    written = written && CopyScratch(static_cast<uint64_t>(dataOrder.IntegerColumn(0)),
                                     static_cast<uint64_t>(dataOrder.IntegerColumn(1)), append);
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
