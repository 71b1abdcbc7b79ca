// WebP tiles through libwebp's decode-into calls, which honour the band's row stride.
#include "imaging/WebpTileDecoder.h"

#include <webp/decode.h>

#include "tiles/TileFileReader.h"

namespace kartovel::tools {
namespace {

std::optional<WebPBitstreamFeatures> FeaturesOf(std::span<const uint8_t> bytes) {
  WebPBitstreamFeatures features{};
  if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK) {
    return std::nullopt;
  }
  return features;
}

bool HasSize(const WebPBitstreamFeatures& features, ImageSize size) {
  return features.width == size.width && features.height == size.height;
}

// The bytes from a target's first pixel to the end of its last row.
size_t TargetBytes(const TileTarget& target, size_t pixelBytes) {
  return target.rowStride * static_cast<size_t>(target.size.height - 1) +
         static_cast<size_t>(target.size.width) * pixelBytes;
}

}  // namespace

std::optional<ImageSize> WebpTileDecoder::ReadSize(const std::string& fileName) {
  if (!ReadTileFileBytes(fileName, file_, kTileHeaderBytes, false)) {
    return std::nullopt;
  }
  const std::optional<WebPBitstreamFeatures> features = FeaturesOf(file_);
  if (!features) {
    return std::nullopt;
  }
  return ImageSize{features->width, features->height};
}

bool WebpTileDecoder::PromisesOpaque(const std::string& fileName, ImageSize size) {
  if (!ReadTileFileBytes(fileName, file_, kTileHeaderBytes, false)) {
    return false;
  }
  const std::optional<WebPBitstreamFeatures> features = FeaturesOf(file_);
  return features && HasSize(*features, size) && features->has_alpha == 0;
}

TileResult WebpTileDecoder::Decode(const std::string& fileName, const TileTarget& target) {
  if (!ReadTileFileBytes(fileName, file_, kMaxTileFileBytes, true)) {
    return {TileOutcome::kFailed, "cannot be read"};
  }
  const std::optional<WebPBitstreamFeatures> features = FeaturesOf(file_);
  if (!features) {
    return {TileOutcome::kFailed, "not a WebP image"};
  }
  if (!HasSize(*features, target.size)) {
    return {TileOutcome::kFailed, "size " + std::to_string(features->width) + " x " +
                                      std::to_string(features->height) + " pixels"};
  }
  const int stride = static_cast<int>(target.rowStride);
  if (features->has_alpha == 0) {
    const uint8_t* placed = target.withAlpha
                                ? WebPDecodeRGBAInto(file_.data(), file_.size(), target.origin,
                                                     TargetBytes(target, 4), stride)
                                : WebPDecodeRGBInto(file_.data(), file_.size(), target.origin,
                                                    TargetBytes(target, 3), stride);
    return placed ? TileResult{} : TileResult{TileOutcome::kFailed, "damaged WebP image data"};
  }
  const auto width = static_cast<size_t>(target.size.width);
  rgba_.resize(width * 4 * static_cast<size_t>(target.size.height));
  if (!WebPDecodeRGBAInto(file_.data(), file_.size(), rgba_.data(), rgba_.size(),
                          static_cast<int>(width * 4))) {
    return {TileOutcome::kFailed, "damaged WebP image data"};
  }
  return PlaceRgbaPixels(rgba_.data(), target);
}

bool DecodeWebpImage(std::span<const uint8_t> bytes, RgbaImage& image) {
  const std::optional<WebPBitstreamFeatures> features = FeaturesOf(bytes);
  if (!features) {
    return false;
  }
  image = RgbaImage(features->width, features->height);
  return WebPDecodeRGBAInto(bytes.data(), bytes.size(), image.pixels.data(), image.pixels.size(),
                            features->width * 4) != nullptr;
}

}  // namespace kartovel::tools
