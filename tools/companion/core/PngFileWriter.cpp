// PNG chunks: length, type, data and the CRC-32 of type and data, big-endian.
#include "core/PngFileWriter.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace kartovel::tools {
namespace {

constexpr std::array<uint8_t, 8> kSignature = {137, 80, 78, 71, 13, 10, 26, 10};
// A chunk holds at most 2^31 - 1 bytes; longer pieces take several IDAT chunks.
constexpr size_t kMaxChunkData = size_t{1} << 30;
constexpr uint8_t kColourTypeRgb = 2;
constexpr uint8_t kColourTypeRgba = 6;

void PutBigEndian32(uint8_t* out, uint32_t value) {
  out[0] = static_cast<uint8_t>(value >> 24);
  out[1] = static_cast<uint8_t>(value >> 16);
  out[2] = static_cast<uint8_t>(value >> 8);
  out[3] = static_cast<uint8_t>(value);
}

std::string_view AsText(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

PngFileWriter::PngFileWriter(const std::string& fileName, uint32_t width, uint32_t height,
                             bool withAlpha)
    : fileName_(fileName), file_(fileName) {
  file_.Write(AsText(kSignature));
  std::array<uint8_t, 13> header{};
  PutBigEndian32(header.data(), width);
  PutBigEndian32(header.data() + 4, height);
  header[8] = 8;  // bits a sample; compression, filter and interlace methods stay 0
  header[9] = withAlpha ? kColourTypeRgba : kColourTypeRgb;
  WriteChunk("IHDR", header);
}

void PngFileWriter::WriteImageData(std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const size_t taken = std::min(bytes.size(), kMaxChunkData);
    WriteChunk("IDAT", bytes.first(taken));
    bytes = bytes.subspan(taken);
  }
}

void PngFileWriter::Finish() {
  WriteChunk("IEND", {});
  file_.Commit();
}

void PngFileWriter::WriteChunk(const char (&type)[5], std::span<const uint8_t> data) {
  std::array<uint8_t, 8> lengthAndType{};
  PutBigEndian32(lengthAndType.data(), static_cast<uint32_t>(data.size()));
  std::copy(type, type + 4, lengthAndType.begin() + 4);
  std::array<uint8_t, 4> crc{};
  // libdeflate_crc32 answers a null buffer with the initial value 0, not with the CRC it
  // is handed, and an empty span (IEND's data) may well be null: the data is added only
  // when there is some.
  uint32_t chunkCrc = libdeflate_crc32(0, lengthAndType.data() + 4, 4);
  if (!data.empty()) {
    chunkCrc = libdeflate_crc32(chunkCrc, data.data(), data.size());
  }
  PutBigEndian32(crc.data(), chunkCrc);
  file_.Write(AsText(lengthAndType));
  file_.Write(AsText(data));
  file_.Write(AsText(crc));
}

}  // namespace kartovel::tools
