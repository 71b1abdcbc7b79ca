// PNG files of every kind for the decoder tests, built byte by byte: random samples under
// random row filters (any bytes make a valid image), chosen chunks, and the file's bytes
// open to corruption. libpng's decoding of the same bytes is what results are held to.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

namespace kartovel::testing {

struct PngRecipe {
  uint32_t width = 8;
  uint32_t height = 8;
  uint8_t bitDepth = 8;
  uint8_t colourType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  bool interlaced = false;
  uint32_t paletteEntries = 0;  // PLTE entries (random colours); 0 writes no PLTE
  std::string transparency;     // tRNS data; empty writes no tRNS
  std::optional<uint32_t> gamma;
  uint32_t idatChunks = 1;
  uint32_t seed = 1;
  // Samples: random, or all 255 (grey, colour and alpha alike: an opaque image).
  bool allOnes = false;
  // Rows take filter types 0..filterTypes-1 in turn; with 0, every row takes firstFilter.
  uint8_t filterTypes = 5;
  uint8_t firstFilter = 0;
  std::string extraData;   // bytes after the zlib stream, inside the last IDAT
  size_t rowBytesCut = 0;  // bytes taken off the end of the filtered rows before compression
};

inline uint32_t SampleChannels(uint8_t colourType) {
  return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

// Filtered bytes of all rows (and all Adam7 passes), each row led by its filter type.
inline std::string RawImageData(const PngRecipe& recipe, std::mt19937& random) {
  struct Pass {
    uint32_t x0, y0, dx, dy;
  };
  static constexpr std::array<Pass, 7> kAdam7 = {{{0, 0, 8, 8},
                                                  {4, 0, 8, 8},
                                                  {0, 4, 4, 8},
                                                  {2, 0, 4, 4},
                                                  {0, 2, 2, 4},
                                                  {1, 0, 2, 2},
                                                  {0, 1, 1, 2}}};
  const std::array<Pass, 1> whole = {{{0, 0, 1, 1}}};
  std::string raw;
  uint32_t rowIndex = recipe.seed;
  auto addPass = [&](const Pass& pass) {
    if (recipe.width <= pass.x0 || recipe.height <= pass.y0) {
      return;
    }
    const uint32_t columns = (recipe.width - pass.x0 + pass.dx - 1) / pass.dx;
    const uint32_t rows = (recipe.height - pass.y0 + pass.dy - 1) / pass.dy;
    const size_t rowBytes =
        (size_t{columns} * SampleChannels(recipe.colourType) * recipe.bitDepth + 7) / 8;
    for (uint32_t row = 0; row < rows; ++row) {
      raw += static_cast<char>(recipe.allOnes           ? 0
                               : recipe.filterTypes > 0 ? rowIndex++ % recipe.filterTypes
                                                        : recipe.firstFilter);
      for (size_t byte = 0; byte < rowBytes; ++byte) {
        raw += static_cast<char>(recipe.allOnes ? 255 : random() & 0xff);
      }
    }
  };
  if (recipe.interlaced) {
    std::for_each(kAdam7.begin(), kAdam7.end(), addPass);
  } else {
    std::for_each(whole.begin(), whole.end(), addPass);
  }
  return raw;
}

inline std::string BigEndian(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
          static_cast<char>(value >> 8), static_cast<char>(value)};
}

inline std::string PngChunk(const std::string& type, const std::string& data) {
  const std::string typed = type + data;
  const auto crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
  return BigEndian(static_cast<uint32_t>(data.size())) + typed + BigEndian(crc);
}

inline std::string ZlibCompressed(const std::string& raw) {
  uLongf size = compressBound(raw.size());
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
            raw.size(), 6);
  out.resize(size);
  return out;
}

// Recomputes the CRC of the chunk whose type starts at typeOffset, after its data changed.
inline void FixChunkCrc(std::string& png, size_t typeOffset) {
  const uint32_t length = static_cast<uint8_t>(png[typeOffset - 4]) << 24 |
                          static_cast<uint8_t>(png[typeOffset - 3]) << 16 |
                          static_cast<uint8_t>(png[typeOffset - 2]) << 8 |
                          static_cast<uint8_t>(png[typeOffset - 1]);
  const auto crc = static_cast<uint32_t>(crc32(
      0, reinterpret_cast<const Bytef*>(png.data() + typeOffset), static_cast<uInt>(length + 4)));
  png.replace(typeOffset + 4 + length, 4, BigEndian(crc));
}

inline std::string MakePng(const PngRecipe& recipe) {
  std::mt19937 random(recipe.seed);
  std::string header = BigEndian(recipe.width) + BigEndian(recipe.height);
  header += static_cast<char>(recipe.bitDepth);
  header += static_cast<char>(recipe.colourType);
  header += std::string(2, '\0') + static_cast<char>(recipe.interlaced ? 1 : 0);
  std::string png = "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", header);
  if (recipe.gamma) {
    png += PngChunk("gAMA", BigEndian(*recipe.gamma));
  }
  if (recipe.paletteEntries > 0) {
    std::string palette;
    for (uint32_t byte = 0; byte < recipe.paletteEntries * 3; ++byte) {
      palette += static_cast<char>(random() & 0xff);
    }
    png += PngChunk("PLTE", palette);
  }
  if (!recipe.transparency.empty()) {
    png += PngChunk("tRNS", recipe.transparency);
  }
  std::string raw = RawImageData(recipe, random);
  raw.resize(raw.size() - std::min(raw.size(), recipe.rowBytesCut));
  const std::string data = ZlibCompressed(raw) + recipe.extraData;
  const size_t pieceBytes = data.size() / recipe.idatChunks + 1;
  for (size_t offset = 0; offset < data.size(); offset += pieceBytes) {
    png += PngChunk("IDAT", data.substr(offset, pieceBytes));
  }
  return png + PngChunk("IEND", "");
}

}  // namespace kartovel::testing
