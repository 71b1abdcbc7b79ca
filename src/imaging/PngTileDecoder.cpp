// The fast path decodes only what ParsePngStructure vouches for and what inflates to
// exactly the rows the header promises; anything else (and every failure) is handed to
// libpng, so a tile reads, or fails with the same reason, just as libpng alone decides.
#include "imaging/PngTileDecoder.h"

#include <libdeflate.h>

#include "imaging/PngPixels.h"
#include "imaging/PngRowFilters.h"
#include "tiles/TileFileReader.h"

namespace kartovel::tools {
namespace {

// Inflated images beyond this size are not tiles the fast path is for.
constexpr uint64_t kMaxInflatedBytes = uint64_t{256} << 20;

// libdeflate ignores the window size a zlib header declares; zlib (under libpng) refuses
// a distance beyond it. Both agree when the window is the largest or holds the whole image.
bool WindowCoversImage(std::span<const uint8_t> stream, uint64_t inflatedBytes) {
  const uint32_t windowBits = (stream[0] >> 4) + 8;
  return windowBits == 15 || inflatedBytes <= (uint64_t{1} << windowBits);
}

}  // namespace

void PngTileDecoder::InflaterDeleter::operator()(libdeflate_decompressor* inflater) const {
  libdeflate_free_decompressor(inflater);
}

PngTileDecoder::PngTileDecoder() : inflater_(libdeflate_alloc_decompressor()) {
  if (!inflater_) {
    throw std::bad_alloc();
  }
}

PngTileDecoder::~PngTileDecoder() = default;

std::optional<ImageSize> PngTileDecoder::ReadSize(const std::string& fileName) {
  return ReadPngSize(fileName);
}

bool PngTileDecoder::PromisesOpaque(const std::string& fileName, ImageSize size) {
  return ReadTileFileBytes(fileName, file_, kTileHeaderBytes, false) &&
         PngPrefixPromisesOpaque(file_, static_cast<uint32_t>(size.width),
                                 static_cast<uint32_t>(size.height));
}

TileResult PngTileDecoder::Decode(const std::string& fileName, const TileTarget& target) {
  if (!ReadTileFileBytes(fileName, file_, kMaxTileFileBytes, true)) {
    return DecodeWithLibpng(fileName, target);
  }
  switch (DecodeFast(target)) {
    case FastResult::kPlaced:
      return {TileOutcome::kPlaced, {}};
    case FastResult::kTransparent:
      return {TileOutcome::kTransparent, {}};
    case FastResult::kLeftToLibpng:
      break;
  }
  return DecodeWithLibpng(fileName, target);
}

PngTileDecoder::FastResult PngTileDecoder::DecodeFast(const TileTarget& target) {
  std::optional<PngStructure> png = ParsePngStructure(file_);
  // A tile of another size is left to libpng too, which words that error.
  if (!png || png->header.width != static_cast<uint32_t>(target.size.width) ||
      png->header.height != static_cast<uint32_t>(target.size.height) || !Inflate(*png)) {
    return FastResult::kLeftToLibpng;
  }
  return PlaceRows(*png, target);
}

bool PngTileDecoder::Inflate(const PngStructure& png) {
  std::span<const uint8_t> stream = png.imageData.front();
  if (png.imageData.size() > 1) {
    joinedData_.clear();
    for (std::span<const uint8_t> data : png.imageData) {
      joinedData_.insert(joinedData_.end(), data.begin(), data.end());
    }
    stream = joinedData_;
  }
  const uint64_t inflatedBytes = uint64_t{png.header.height} * (png.header.RowBytes() + 1);
  if (stream.size() < 2 || inflatedBytes > kMaxInflatedBytes ||
      !WindowCoversImage(stream, inflatedBytes)) {
    return false;
  }
  filtered_.resize(inflatedBytes);
  size_t streamBytesUsed = 0;
  // Without an output count, libdeflate succeeds only when the rows are filled exactly.
  const libdeflate_result result =
      libdeflate_zlib_decompress_ex(inflater_.get(), stream.data(), stream.size(), filtered_.data(),
                                    filtered_.size(), &streamBytesUsed, nullptr);
  return result == LIBDEFLATE_SUCCESS && streamBytesUsed == stream.size();
}

PngTileDecoder::FastResult PngTileDecoder::PlaceRows(const PngStructure& png,
                                                     const TileTarget& target) {
  const PngPixels pixels(png);
  const size_t rowBytes = png.header.RowBytes();
  if (zeroRow_.size() < rowBytes) {
    zeroRow_.assign(rowBytes, 0);
  }
  const uint8_t* above = zeroRow_.data();
  for (uint32_t y = 0; y < png.header.height; ++y) {
    uint8_t* line = filtered_.data() + y * (rowBytes + 1);
    if (!UnfilterPngRow(line[0], line + 1, above, rowBytes, png.header.FilterStep())) {
      return FastResult::kLeftToLibpng;
    }
    switch (pixels.ConvertRow(line + 1, target.origin + y * target.rowStride, target.withAlpha)) {
      case RowConversion::kDone:
        break;
      case RowConversion::kTransparent:
        return FastResult::kTransparent;
      case RowConversion::kBadIndex:
        return FastResult::kLeftToLibpng;
    }
    above = line + 1;
  }
  return FastResult::kPlaced;
}

TileResult PngTileDecoder::DecodeWithLibpng(const std::string& fileName, const TileTarget& target) {
  TileResult result;
  if (!DecodePng(fileName, libpngImage_, result.error, target.size)) {
    result.outcome = TileOutcome::kFailed;
    return result;
  }
  return PlaceRgbaPixels(libpngImage_.pixels.data(), target);
}

}  // namespace kartovel::tools
