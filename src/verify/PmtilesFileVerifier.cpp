// A PMTiles archive verified: the header's sections inside the file, the root directory
// inside the first 16 kB, every directory inflating and parsing (leaves at most three
// levels below the root), every tile inside the data section and decoding. A tile of a
// run is decoded once for the whole run.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "export/Gzip.h"
#include "export/PmtilesDirectory.h"
#include "imaging/TileBytesDecoder.h"
#include "verify/Verify.h"

namespace kartovel {

namespace {

constexpr size_t kMaxDirectoryBytes = size_t{64} << 20;
constexpr int kMaxDepth = 4;
constexpr uint64_t kMaxTileBytes = uint64_t{16} << 20;

struct Section {
  uint64_t Offset = 0;
  uint64_t Length = 0;
};

struct Archive {
  int Descriptor = -1;
  Section Root, Metadata, Leaves, Data;
  bool Gzip = false;
};

uint64_t LittleEndian(const std::string& bytes, size_t at, int width) {
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
  }
  return value;
}

bool ReadAt(int descriptor, uint64_t offset, uint64_t length, std::string& out) {
  out.resize(length);
  for (size_t done = 0; done < length;) {
    const ssize_t got = pread(descriptor, out.data() + done, length - done,
                              static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return false;
    }
    done += static_cast<size_t>(got);
  }
  return true;
}

int32_t ZoomOf(uint64_t tileId) {
  int32_t zoom = 0;
  for (uint64_t first = 0; zoom < 32 && first + (uint64_t{1} << (2 * zoom)) <= tileId; ++zoom) {
    first += uint64_t{1} << (2 * zoom);
  }
  return zoom;
}

class Walk {
 public:
  Walk(const Archive& archive, VerifyReport& report, const VerifyStop& stop)
      : archive_(archive), report_(report), stop_(stop) {}

  // False when the walk ended (a damaged directory or a stop).
  bool Directory(uint64_t offset, uint64_t length, int depth) {
    if (depth > kMaxDepth) {
      report_.Broken("directories nested deeper than " + std::to_string(kMaxDepth));
      return false;
    }
    std::string compressed;
    if (length > kMaxDirectoryBytes || !ReadAt(archive_.Descriptor, offset, length, compressed)) {
      report_.Broken("a directory cannot be read");
      return false;
    }
    const auto bytes = archive_.Gzip ? GzipDecompress(compressed, kMaxDirectoryBytes)
                                     : std::optional<std::string>(compressed);
    const auto entries = bytes ? ParseDirectory(*bytes) : std::nullopt;
    if (!entries) {
      report_.Broken("a directory is damaged");
      return false;
    }
    for (const PmtilesEntry& entry : *entries) {
      if (entry.RunLength == 0) {
        if (entry.Offset + entry.Length > archive_.Leaves.Length) {
          report_.Broken("a leaf directory lies beyond the leaf section");
          return false;
        }
        if (!Directory(archive_.Leaves.Offset + entry.Offset, entry.Length, depth + 1)) {
          return false;
        }
      } else if (!Tile(entry)) {
        return false;
      }
    }
    return true;
  }

 private:
  bool Tile(const PmtilesEntry& entry) {
    if (stop_ && stop_()) {
      report_.Stopped = true;
      return false;
    }
    const int32_t zoom = ZoomOf(entry.TileId);
    const std::string name = "tile id " + std::to_string(entry.TileId);
    std::string why;
    if (entry.Offset + entry.Length > archive_.Data.Length || entry.Length > kMaxTileBytes) {
      why = "lies beyond the data section";
    } else if (!ReadAt(archive_.Descriptor, archive_.Data.Offset + entry.Offset, entry.Length,
                       bytes_)) {
      why = "cannot be read";
    } else if (tools::DecodeTileBytes(bytes_, why)) {
      for (uint32_t i = 0; i < entry.RunLength; ++i) {
        report_.Present(ZoomOf(entry.TileId + i));
      }
      return true;
    }
    report_.Damaged(zoom, name, why);
    return true;
  }

  const Archive& archive_;
  VerifyReport& report_;
  const VerifyStop& stop_;
  std::string bytes_;
};

}  // namespace

void VerifyPmtilesFile(int descriptor, VerifyReport& report, const VerifyStop& stop) {
  struct stat info {};
  std::string header;
  if (fstat(descriptor, &info) != 0 || !ReadAt(descriptor, 0, 127, header)) {
    report.Broken("cut short in its header");
    return;
  }
  if (header[7] != 3) {
    report.Broken("PMTiles version " + std::to_string(static_cast<uint8_t>(header[7])) +
                  ", not 3");
    return;
  }
  Archive archive;
  archive.Descriptor = descriptor;
  Section* sections[] = {&archive.Root, &archive.Metadata, &archive.Leaves, &archive.Data};
  const auto size = static_cast<uint64_t>(info.st_size);
  for (size_t i = 0; i < 4; ++i) {
    sections[i]->Offset = LittleEndian(header, 8 + 16 * i, 8);
    sections[i]->Length = LittleEndian(header, 16 + 16 * i, 8);
    if (sections[i]->Offset > size || sections[i]->Length > size - sections[i]->Offset) {
      report.Broken("cut short: a section ends beyond the end of the file");
      return;
    }
  }
  if (archive.Root.Offset + archive.Root.Length > 16384) {
    report.Broken("the root directory lies beyond the first 16384 bytes");
    return;
  }
  const auto compression = static_cast<uint8_t>(header[97]);
  if (compression != 1 && compression != 2) {
    report.Broken("directories compressed in a way verify does not read");
    return;
  }
  archive.Gzip = compression == 2;
  Walk(archive, report, stop).Directory(archive.Root.Offset, archive.Root.Length, 0);
}

}  // namespace kartovel
