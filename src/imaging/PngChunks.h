// The framing of PNG chunks, shared by every PNG the program writes: length and type
// before a chunk's data, the CRC-32 of type and data after it, all big-endian.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kartovel::tools {

struct PngChunkFrame {
  std::array<uint8_t, 8> head{};  // length and type
  std::array<uint8_t, 4> crc{};
};

// A chunk holds at most 2^31 - 1 bytes; longer image data takes several IDAT chunks.
inline constexpr size_t kMaxPngChunkData = size_t{1} << 30;

PngChunkFrame FramePngChunk(const char (&type)[5], std::span<const uint8_t> data);

// Appends the whole chunk, framing and data, to out.
void AppendPngChunk(std::string& out, const char (&type)[5], std::span<const uint8_t> data);

// The signature and the IHDR chunk of an 8-bit RGB or RGBA image without interlace.
std::string PngSignatureAndHeader(uint32_t width, uint32_t height, bool withAlpha);

}  // namespace kartovel::tools
