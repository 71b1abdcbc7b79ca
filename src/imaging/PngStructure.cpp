// Strict PNG chunk parsing. A file passes only when libpng, given the same bytes, would
// decode it to the same pixels without a transformation of its own: 8 bits or fewer a
// sample, not interlaced, every CRC right, chunks in their places, and no colour-space
// chunk that could make libpng correct the pixels (a gamma other than sRGB's, cHRM, iCCP).
#include "imaging/PngStructure.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>

namespace kartovel::tools {
namespace {

constexpr std::array<uint8_t, 8> kSignature = {137, 80, 78, 71, 13, 10, 26, 10};
// Larger chunks and images are rare in tiles; libpng keeps its own limits for them.
constexpr uint32_t kMaxChunkBytes = 1 << 22;
constexpr uint32_t kMaxSide = 1000000;
// The gAMA value of sRGB, under which libpng leaves 8-bit samples as they are.
constexpr uint32_t kSrgbGamma = 45455;

constexpr uint32_t ChunkType(const char (&name)[5]) {
  return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 |
         uint32_t(uint8_t(name[2])) << 8 | uint32_t(uint8_t(name[3]));
}

constexpr uint32_t kIhdr = ChunkType("IHDR");
constexpr uint32_t kPlte = ChunkType("PLTE");
constexpr uint32_t kTrns = ChunkType("tRNS");
constexpr uint32_t kIdat = ChunkType("IDAT");
constexpr uint32_t kIend = ChunkType("IEND");
constexpr uint32_t kGama = ChunkType("gAMA");
constexpr uint32_t kSrgb = ChunkType("sRGB");
constexpr uint32_t kChrm = ChunkType("cHRM");
constexpr uint32_t kIccp = ChunkType("iCCP");

uint32_t BigEndian32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 |
         uint32_t(bytes[3]);
}

bool IsLetter(uint8_t byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

bool IsCritical(uint32_t type) {
  return (type & 0x20000000) == 0;
}

struct Chunk {
  uint32_t type = 0;
  std::span<const uint8_t> data;
};

// Steps through the chunks of a file; Next() gives nothing at the end of the bytes, at a
// malformed chunk or, when asked to check, at a CRC that does not match.
class ChunkWalker {
 public:
  explicit ChunkWalker(std::span<const uint8_t> file) : file_(file) {}

  bool SignatureMatches() const {
    return file_.size() >= kSignature.size() &&
           std::equal(kSignature.begin(), kSignature.end(), file_.begin());
  }

  std::optional<Chunk> Next(bool checkCrc) {
    const size_t left = file_.size() - offset_;
    if (left < 12) {
      return std::nullopt;
    }
    const uint8_t* start = file_.data() + offset_;
    const uint32_t length = BigEndian32(start);
    if (length > kMaxChunkBytes || left - 12 < length ||
        !std::all_of(start + 4, start + 8, IsLetter)) {
      return std::nullopt;
    }
    if (checkCrc && libdeflate_crc32(0, start + 4, length + 4) != BigEndian32(start + 8 + length)) {
      return std::nullopt;
    }
    offset_ += 12 + size_t{length};
    return Chunk{BigEndian32(start + 4), std::span<const uint8_t>(start + 8, length)};
  }

  // The type of the next chunk, without checking or passing it.
  std::optional<uint32_t> PeekType() const {
    if (file_.size() - offset_ < 8) {
      return std::nullopt;
    }
    return BigEndian32(file_.data() + offset_ + 4);
  }

 private:
  std::span<const uint8_t> file_;
  size_t offset_ = kSignature.size();
};

bool DepthAllowed(PngColourType type, uint8_t depth) {
  switch (type) {
    case PngColourType::kGrey:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case PngColourType::kPalette:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case PngColourType::kRgb:
    case PngColourType::kGreyAlpha:
    case PngColourType::kRgba:
      return depth == 8 || depth == 16;
  }
  return false;
}

std::optional<PngHeader> ReadHeader(const Chunk& chunk) {
  if (chunk.type != kIhdr || chunk.data.size() != 13) {
    return std::nullopt;
  }
  const uint8_t* data = chunk.data.data();
  PngHeader header;
  header.width = BigEndian32(data);
  header.height = BigEndian32(data + 4);
  header.bitDepth = data[8];
  header.colourType = static_cast<PngColourType>(data[9]);
  header.interlaced = data[12] == 1;
  const bool knownType = data[9] <= 6 && data[9] != 1 && data[9] != 5;
  if (header.width == 0 || header.height == 0 || header.width > kMaxSide ||
      header.height > kMaxSide || !knownType || !DepthAllowed(header.colourType, data[8]) ||
      data[10] != 0 || data[11] != 0 || data[12] > 1) {
    return std::nullopt;
  }
  return header;
}

// The samples of a colour key must lie within the bit depth: libpng masks them otherwise.
bool ColourKeyFits(std::span<const uint8_t> key, uint8_t bitDepth) {
  const uint32_t largest = (1u << bitDepth) - 1;
  for (size_t sample = 0; sample + 1 < key.size(); sample += 2) {
    if ((uint32_t(key[sample]) << 8 | key[sample + 1]) > largest) {
      return false;
    }
  }
  return true;
}

bool TransparencyValid(const PngStructure& png, std::span<const uint8_t> data) {
  switch (png.header.colourType) {
    case PngColourType::kGrey:
      return data.size() == 2 && ColourKeyFits(data, png.header.bitDepth);
    case PngColourType::kRgb:
      return data.size() == 6 && ColourKeyFits(data, png.header.bitDepth);
    case PngColourType::kPalette:
      return !png.palette.empty() && !data.empty() && data.size() <= png.palette.size() / 3;
    default:
      return false;  // an alpha channel and a tRNS chunk: libpng ignores the chunk
  }
}

bool PaletteValid(const PngHeader& header, std::span<const uint8_t> data) {
  const size_t entries = data.size() / 3;
  if (data.size() % 3 != 0 || entries == 0 || entries > 256) {
    return false;
  }
  if (header.colourType == PngColourType::kPalette) {
    return entries <= (size_t{1} << header.bitDepth);
  }
  return header.colourType == PngColourType::kRgb || header.colourType == PngColourType::kRgba;
}

// A chunk before the image data; false when the file is not for the fast decoder.
bool TakeLeadingChunk(PngStructure& png, const Chunk& chunk) {
  switch (chunk.type) {
    case kPlte:
      if (!png.palette.empty() || !png.transparency.empty() ||
          !PaletteValid(png.header, chunk.data)) {
        return false;
      }
      png.palette = chunk.data;
      return true;
    case kTrns:
      if (!png.transparency.empty() || !TransparencyValid(png, chunk.data)) {
        return false;
      }
      png.transparency = chunk.data;
      return true;
    case kGama:
      return chunk.data.size() == 4 && BigEndian32(chunk.data.data()) == kSrgbGamma;
    case kSrgb:
      return chunk.data.size() == 1;
    case kChrm:
    case kIccp:
      return false;
    default:
      return !IsCritical(chunk.type);
  }
}

// After the image data only ancillary chunks that do not bear on the pixels may follow.
bool TakeTrailingChunk(const Chunk& chunk) {
  switch (chunk.type) {
    case kTrns:
    case kGama:
    case kSrgb:
    case kChrm:
    case kIccp:
      return false;
    default:
      return !IsCritical(chunk.type);
  }
}

bool DecodableWithoutLibpng(const PngStructure& png) {
  const PngHeader& header = png.header;
  if (header.bitDepth > 8 || header.interlaced || png.imageData.empty()) {
    return false;
  }
  return header.colourType != PngColourType::kPalette || !png.palette.empty();
}

bool ReadImageRun(ChunkWalker& walker, PngStructure& png, Chunk first) {
  png.imageData.push_back(first.data);
  while (walker.PeekType() == kIdat) {
    std::optional<Chunk> chunk = walker.Next(true);
    if (!chunk) {
      return false;
    }
    png.imageData.push_back(chunk->data);
  }
  return true;
}

bool ReadToEnd(ChunkWalker& walker) {
  while (std::optional<Chunk> chunk = walker.Next(true)) {
    if (chunk->type == kIend) {
      return chunk->data.empty();
    }
    if (!TakeTrailingChunk(*chunk)) {
      return false;
    }
  }
  return false;
}

}  // namespace

uint32_t PngHeader::Channels() const {
  switch (colourType) {
    case PngColourType::kRgb:
      return 3;
    case PngColourType::kGreyAlpha:
      return 2;
    case PngColourType::kRgba:
      return 4;
    default:
      return 1;
  }
}

uint64_t PngHeader::RowBytes() const {
  return (uint64_t{width} * Channels() * bitDepth + 7) / 8;
}

uint32_t PngHeader::FilterStep() const {
  return std::max<uint32_t>(1, Channels() * bitDepth / 8);
}

std::optional<PngStructure> ParsePngStructure(std::span<const uint8_t> file) {
  ChunkWalker walker(file);
  if (!walker.SignatureMatches()) {
    return std::nullopt;
  }
  std::optional<Chunk> chunk = walker.Next(true);
  std::optional<PngHeader> header = chunk ? ReadHeader(*chunk) : std::nullopt;
  if (!header) {
    return std::nullopt;
  }
  PngStructure png;
  png.header = *header;
  while ((chunk = walker.Next(true))) {
    if (chunk->type == kIdat) {
      if (!ReadImageRun(walker, png, *chunk) || !ReadToEnd(walker)) {
        return std::nullopt;
      }
      return DecodableWithoutLibpng(png) ? std::optional<PngStructure>(std::move(png))
                                         : std::nullopt;
    }
    if (!TakeLeadingChunk(png, *chunk)) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

bool PngPrefixPromisesOpaque(std::span<const uint8_t> prefix, uint32_t width, uint32_t height) {
  ChunkWalker walker(prefix);
  if (!walker.SignatureMatches()) {
    return false;
  }
  std::optional<Chunk> chunk = walker.Next(false);
  std::optional<PngHeader> header = chunk ? ReadHeader(*chunk) : std::nullopt;
  if (!header || header->width != width || header->height != height ||
      header->colourType == PngColourType::kGreyAlpha ||
      header->colourType == PngColourType::kRgba) {
    return false;
  }
  while (walker.PeekType() != kIdat) {
    chunk = walker.Next(false);
    if (!chunk) {
      return false;  // the prefix ends (or breaks) before the image data
    }
    if (chunk->type == kTrns && (header->colourType != PngColourType::kPalette ||
                                 !std::all_of(chunk->data.begin(), chunk->data.end(),
                                              [](uint8_t alpha) { return alpha == 255; }))) {
      return false;
    }
  }
  return true;
}

}  // namespace kartovel::tools
