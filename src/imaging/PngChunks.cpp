// PNG chunk framing with libdeflate's CRC-32.
#include "imaging/PngChunks.h"

#include <libdeflate.h>

#include <algorithm>

namespace kartovel::tools {
namespace {

constexpr std::array<uint8_t, 8> kSignature = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr uint8_t kColourTypeRgb = 2;
constexpr uint8_t kColourTypeRgba = 6;

void PutBigEndian32(uint8_t* out, uint32_t value) {
  out[0] = static_cast<uint8_t>(value >> 24);
  out[1] = static_cast<uint8_t>(value >> 16);
  out[2] = static_cast<uint8_t>(value >> 8);
  out[3] = static_cast<uint8_t>(value);
}

}  // namespace

void AppendPngChunk(std::string& out, const char (&type)[5], std::span<const uint8_t> data) {
  const PngChunkFrame frame = FramePngChunk(type, data);
  out.append(frame.head.begin(), frame.head.end());
  out.append(data.begin(), data.end());
  out.append(frame.crc.begin(), frame.crc.end());
}

PngChunkFrame FramePngChunk(const char (&type)[5], std::span<const uint8_t> data) {
  PngChunkFrame frame;
  PutBigEndian32(frame.head.data(), static_cast<uint32_t>(data.size()));
  std::copy(type, type + 4, frame.head.begin() + 4);
  // libdeflate_crc32 answers a null buffer with the initial value 0, not with the CRC it
  // is handed, and an empty span (IEND's data) may well be null: the data is added only
  // when there is some.
  uint32_t crc = libdeflate_crc32(0, frame.head.data() + 4, 4);
  if (!data.empty()) {
    crc = libdeflate_crc32(crc, data.data(), data.size());
  }
  PutBigEndian32(frame.crc.data(), crc);
  return frame;
}

std::string PngSignatureAndHeader(uint32_t width, uint32_t height, bool withAlpha) {
  std::string out(kSignature.begin(), kSignature.end());
  std::array<uint8_t, 13> header{};
  PutBigEndian32(header.data(), width);
  PutBigEndian32(header.data() + 4, height);
  header[8] = 8;  // bits a sample; compression, filter and interlace methods stay 0
  header[9] = withAlpha ? kColourTypeRgba : kColourTypeRgb;
  AppendPngChunk(out, "IHDR", header);
  return out;
}

}  // namespace kartovel::tools
