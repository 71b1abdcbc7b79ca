// Whole 8-bit RGB or RGBA images as PNG in one go, through the same chunk framing as the
// mosaic: every row filtered with Up, the rows deflated by libdeflate into one IDAT.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kartovel::tools {

struct RgbaImage;

// zlib's usual default: small tiles compress well and quickly at it.
inline constexpr int kPngEncoderLevel = 6;

// The PNG bytes of width x height pixels of 3 (RGB) or 4 (RGBA) bytes, rows top to bottom.
// Throws std::invalid_argument when pixels is not exactly that long.
std::string EncodePng(uint32_t width, uint32_t height, bool withAlpha,
                      std::span<const uint8_t> pixels);

// Writes image as an RGBA PNG file (tests, benchmarks and small outputs); the file appears
// under its name only when complete. Throws AppError when it cannot be written.
void WritePng(const std::string& fileName, const RgbaImage& image);

}  // namespace kartovel::tools
