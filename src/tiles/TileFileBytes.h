// Reading a tile file's bytes into a buffer the decoder keeps: the whole file, or only its
// first bytes when a header is all that is needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kartovel::tools {

// Files beyond this size are not tiles.
inline constexpr size_t kMaxTileFileBytes = size_t{64} << 20;
// The parts before the pixels of every tile format (headers, palettes, texts) fit in this.
inline constexpr size_t kTileHeaderBytes = size_t{64} << 10;

// Reads up to limit bytes from the start of the file into bytes; false when the file
// cannot be read or, with wholeFile, is longer than limit.
bool ReadTileFileBytes(const std::string& fileName, std::vector<uint8_t>& bytes, size_t limit,
                       bool wholeFile);

}  // namespace kartovel::tools
