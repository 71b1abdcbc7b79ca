// The chunks of a PNG file as the fast tile decoder reads them: the header, the palette,
// the transparency and where the compressed image data lies. Parsing is strict: a file
// it does not fully vouch for is left to libpng, which then decides as it always did.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kartovel::tools {

enum class PngColourType : uint8_t {
  kGrey = 0,
  kRgb = 2,
  kPalette = 3,
  kGreyAlpha = 4,
  kRgba = 6,
};

struct PngHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t bitDepth = 0;
  PngColourType colourType = PngColourType::kGrey;
  bool interlaced = false;

  uint32_t Channels() const;
  // Bytes of one unfiltered row, without its filter-type byte.
  uint64_t RowBytes() const;
  // Bytes of one whole pixel, at least 1: the distance the row filters look back.
  uint32_t FilterStep() const;
};

struct PngStructure {
  PngHeader header;
  std::span<const uint8_t> palette;                 // PLTE data, 3 bytes an entry
  std::span<const uint8_t> transparency;            // tRNS data; empty without one
  std::vector<std::span<const uint8_t>> imageData;  // the IDAT chunks' data, in order
};

// The structure of a whole file, when every chunk is intact (CRC), in its place and of a
// kind whose meaning the fast decoder keeps exactly as libpng would; nothing otherwise.
std::optional<PngStructure> ParsePngStructure(std::span<const uint8_t> file);

// What the chunks before the image data say about transparency: true only when the file
// begins as a PNG of that size whose pixels are all opaque (no alpha channel, no colour
// key, a palette's transparency all 255). Reads no further than the first IDAT.
bool PngPrefixPromisesOpaque(std::span<const uint8_t> prefix, uint32_t width, uint32_t height);

}  // namespace kartovel::tools
