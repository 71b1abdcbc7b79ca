// Filtering and deflating a whole image, then framing it in chunks.
#include "imaging/PngEncoder.h"

#include <libdeflate.h>

#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "imaging/PngChunks.h"
#include "imaging/PngFileWriter.h"
#include "imaging/PngImage.h"
#include "imaging/PngRowFilters.h"

namespace kartovel::tools {
namespace {

struct CompressorFree {
  void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

// The zlib stream of the rows, each led by the Up filter's type byte.
std::vector<uint8_t> ZlibOfRows(uint32_t width, uint32_t height, size_t channels,
                                std::span<const uint8_t> pixels) {
  const size_t rowBytes = size_t{width} * channels;
  if (pixels.size() != rowBytes * height) {
    throw std::invalid_argument("PNG encoding: the pixels do not fill the image");
  }
  std::vector<uint8_t> filtered((rowBytes + 1) * height);
  const std::vector<uint8_t> zeros(rowBytes);
  for (size_t row = 0; row < height; ++row) {
    const uint8_t* above = row == 0 ? zeros.data() : pixels.data() + (row - 1) * rowBytes;
    FilterPngRowUp(pixels.data() + row * rowBytes, above, filtered.data() + row * (rowBytes + 1),
                   rowBytes);
  }
  const std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(
      libdeflate_alloc_compressor(kPngEncoderLevel));
  if (compressor == nullptr) {
    throw std::bad_alloc();
  }
  std::vector<uint8_t> stream(libdeflate_zlib_compress_bound(compressor.get(), filtered.size()));
  stream.resize(libdeflate_zlib_compress(compressor.get(), filtered.data(), filtered.size(),
                                         stream.data(), stream.size()));
  return stream;
}

}  // namespace

std::string EncodePng(uint32_t width, uint32_t height, bool withAlpha,
                      std::span<const uint8_t> pixels) {
  const std::vector<uint8_t> stream = ZlibOfRows(width, height, withAlpha ? 4 : 3, pixels);
  std::string out = PngSignatureAndHeader(width, height, withAlpha);
  std::span<const uint8_t> data(stream);
  while (!data.empty()) {
    const size_t taken = std::min(data.size(), kMaxPngChunkData);
    AppendPngChunk(out, "IDAT", data.first(taken));
    data = data.subspan(taken);
  }
  AppendPngChunk(out, "IEND", {});
  return out;
}

void WritePng(const std::string& fileName, const RgbaImage& image) {
  const auto width = static_cast<uint32_t>(image.width);
  const auto height = static_cast<uint32_t>(image.height);
  PngFileWriter writer(fileName, width, height, true);
  writer.WriteImageData(ZlibOfRows(width, height, 4, image.pixels));
  writer.Finish();
}

}  // namespace kartovel::tools
