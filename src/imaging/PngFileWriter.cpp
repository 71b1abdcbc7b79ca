// A PNG file of ready-made image data, chunk by chunk.
#include "imaging/PngFileWriter.h"

#include <algorithm>
#include <string_view>

#include "imaging/PngChunks.h"

namespace kartovel::tools {
namespace {

std::string_view AsText(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

PngFileWriter::PngFileWriter(const std::string& fileName, uint32_t width, uint32_t height,
                             bool withAlpha)
    : fileName_(fileName), file_(fileName) {
  file_.Write(PngSignatureAndHeader(width, height, withAlpha));
}

void PngFileWriter::WriteImageData(std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const size_t taken = std::min(bytes.size(), kMaxPngChunkData);
    WriteChunk("IDAT", bytes.first(taken));
    bytes = bytes.subspan(taken);
  }
}

void PngFileWriter::Finish() {
  WriteChunk("IEND", {});
  file_.Commit();
}

void PngFileWriter::WriteChunk(const char (&type)[5], std::span<const uint8_t> data) {
  const PngChunkFrame frame = FramePngChunk(type, data);
  file_.Write(AsText(frame.head));
  file_.Write(AsText(data));
  file_.Write(AsText(frame.crc));
}

}  // namespace kartovel::tools
