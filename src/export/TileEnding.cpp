// The endings of PNG, JPEG and WebP files.
#include "export/TileEnding.h"

#include <algorithm>
#include <cstdint>

namespace kartovel {

namespace {

// An IEND chunk: no data, and its CRC.
constexpr std::string_view kIend("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
// Some encoders pad a JPEG after its end-of-image marker; a few bytes of it are allowed.
constexpr size_t kJpegPadding = 32;

uint32_t LittleEndian32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
  }
  return value;
}

}  // namespace

bool EndsAsAWholeImage(std::string_view extension, std::string_view bytes) {
  if (extension == "png") {
    return bytes.size() >= 8 + kIend.size() && bytes.ends_with(kIend);
  }
  if (extension == "jpg" || extension == "jpeg") {
    const size_t from = bytes.size() > kJpegPadding + 2 ? bytes.size() - kJpegPadding - 2 : 2;
    return bytes.size() >= 4 && bytes.find("\xFF\xD9", from) != std::string_view::npos;
  }
  if (extension == "webp") {
    if (bytes.size() < 12) {
      return false;
    }
    const uint64_t riff = uint64_t{LittleEndian32(bytes, 4)} + 8;
    return riff == bytes.size() || riff + 1 == bytes.size();
  }
  return true;
}

}  // namespace kartovel
