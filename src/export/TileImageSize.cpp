// Header reading: the PNG IHDR, the first JPEG start-of-frame, the WebP VP8, VP8L or
// VP8X chunk.
#include "export/TileImageSize.h"

namespace kartovel {

namespace {

uint32_t At(std::string_view bytes, size_t at) { return static_cast<uint8_t>(bytes[at]); }

uint32_t BigEndian(std::string_view bytes, size_t at, int width) {
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) {
    value = (value << 8) | At(bytes, at + static_cast<size_t>(i));
  }
  return value;
}

uint32_t LittleEndian(std::string_view bytes, size_t at, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) {
    value = (value << 8) | At(bytes, at + static_cast<size_t>(i));
  }
  return value;
}

using Size = std::optional<std::pair<int32_t, int32_t>>;

Size Of(uint32_t width, uint32_t height) {
  if (width == 0 || height == 0 || width > 65535 || height > 65535) {
    return std::nullopt;
  }
  return std::pair(static_cast<int32_t>(width), static_cast<int32_t>(height));
}

Size JpegSize(std::string_view bytes) {
  for (size_t at = 2; at + 9 <= bytes.size();) {
    if (At(bytes, at) != 0xFF) {
      return std::nullopt;
    }
    const uint32_t marker = At(bytes, at + 1);
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                       marker != 0xCC;
    if (frame) {
      return Of(BigEndian(bytes, at + 7, 2), BigEndian(bytes, at + 5, 2));
    }
    at += 2 + BigEndian(bytes, at + 2, 2);
  }
  return std::nullopt;
}

Size WebpSize(std::string_view bytes) {
  const std::string_view chunk = bytes.substr(12, 4);
  if (chunk == "VP8 " && bytes.size() >= 30) {
    return Of(LittleEndian(bytes, 26, 2) & 0x3FFF, LittleEndian(bytes, 28, 2) & 0x3FFF);
  }
  if (chunk == "VP8L" && bytes.size() >= 25) {
    const uint32_t bits = LittleEndian(bytes, 21, 4);
    return Of((bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
  }
  if (chunk == "VP8X" && bytes.size() >= 30) {
    return Of(LittleEndian(bytes, 24, 3) + 1, LittleEndian(bytes, 27, 3) + 1);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::pair<int32_t, int32_t>> TileImageSize(std::string_view bytes) {
  if (bytes.size() >= 24 && bytes.substr(0, 8) == "\x89PNG\r\n\x1a\n" &&
      bytes.substr(12, 4) == "IHDR") {
    return Of(BigEndian(bytes, 16, 4), BigEndian(bytes, 20, 4));
  }
  if (bytes.size() >= 4 && At(bytes, 0) == 0xFF && At(bytes, 1) == 0xD8) {
    return JpegSize(bytes);
  }
  if (bytes.size() >= 16 && bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "WEBP") {
    return WebpSize(bytes);
  }
  return std::nullopt;
}

}  // namespace kartovel
