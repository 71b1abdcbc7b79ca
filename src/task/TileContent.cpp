// The content checks of tile bytes, one per image type, chosen by extension.
#include "task/TileContent.h"

#include <array>
#include <cstdint>

#include "common/Text.h"

namespace kartovel {
namespace {

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);
constexpr std::size_t kIhdrDataLength = 13;
// Signature, chunk length, chunk type, width, height.
constexpr std::size_t kPngSizeEnd = 8 + 4 + 4 + 4 + 4;

uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

uint32_t BigEndian16(std::string_view bytes, std::size_t at) {
  return (uint32_t{static_cast<unsigned char>(bytes[at])} << 8) |
         static_cast<unsigned char>(bytes[at + 1]);
}

uint32_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t length) {
  uint32_t value = 0;
  for (std::size_t i = length; i-- > 0;) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

bool IsTileSide(uint32_t side) {
  return side >= 1 && side <= kMaxTileSide;
}

// The markers of a JPEG frame header: SOF0..SOF15 less DHT (C4), JPG (C8) and DAC (CC).
bool IsJpegFrameMarker(unsigned char marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, without a length: TEM and RST0..RST7.
bool IsJpegBareMarker(unsigned char marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

constexpr unsigned char kJpegStartOfScan = 0xDA;
constexpr unsigned char kJpegEndOfImage = 0xD9;

// The WebP chunk after "RIFF", size and "WEBP", and where its picture size lies.
constexpr std::size_t kWebpChunkAt = 12;
constexpr std::size_t kWebpDataAt = 20;

bool IsLossyWebpFrame(std::string_view body) {
  // A key frame (bit 0 of the frame tag clear), its start code, then 14-bit sides.
  constexpr std::string_view kStartCode("\x9d\x01\x2a", 3);
  return body.size() >= kWebpDataAt + 10 &&
         (static_cast<unsigned char>(body[kWebpDataAt]) & 1) == 0 &&
         body.substr(kWebpDataAt + 3, 3) == kStartCode &&
         IsTileSide(LittleEndian(body, kWebpDataAt + 6, 2) & 0x3FFF) &&
         IsTileSide(LittleEndian(body, kWebpDataAt + 8, 2) & 0x3FFF);
}

bool IsLosslessWebpFrame(std::string_view body) {
  // The signature byte, then width - 1 and height - 1 in 14 bits each.
  if (body.size() < kWebpDataAt + 5 || static_cast<unsigned char>(body[kWebpDataAt]) != 0x2F) {
    return false;
  }
  const uint32_t sides = LittleEndian(body, kWebpDataAt + 1, 4);
  return IsTileSide((sides & 0x3FFF) + 1) && IsTileSide(((sides >> 14) & 0x3FFF) + 1);
}

bool IsExtendedWebp(std::string_view body) {
  // Flags and reserved bytes, then canvas width - 1 and height - 1 in 24 bits each.
  return body.size() >= kWebpDataAt + 10 &&
         IsTileSide(LittleEndian(body, kWebpDataAt + 4, 3) + 1) &&
         IsTileSide(LittleEndian(body, kWebpDataAt + 7, 3) + 1);
}

// Further image types are rows of this table.
constexpr std::array<TileContentCheck, 3> kChecks{{
    {"png", "PNG", &IsPngImage},
    {"jpg", "JPEG", &IsJpegImage},
    {"webp", "WebP", &IsWebpImage},
}};

}  // namespace

bool IsPngImage(std::string_view body) {
  return body.size() >= kPngSizeEnd && body.starts_with(kPngSignature) &&
         BigEndian32(body, 8) == kIhdrDataLength && body.substr(12, 4) == "IHDR" &&
         IsTileSide(BigEndian32(body, 16)) && IsTileSide(BigEndian32(body, 20));
}

bool IsJpegImage(std::string_view body) {
  if (!body.starts_with("\xFF\xD8")) {
    return false;
  }
  // Walk the segments up to the frame header; each length is checked against the body,
  // so a hostile length only ends the walk.
  std::size_t at = 2;
  while (at + 1 < body.size()) {
    if (static_cast<unsigned char>(body[at]) != 0xFF) {
      return false;
    }
    const auto marker = static_cast<unsigned char>(body[at + 1]);
    at += 2;
    if (marker == 0xFF) {
      --at;  // a fill byte before the marker
    } else if (marker == kJpegStartOfScan || marker == kJpegEndOfImage) {
      return false;
    } else if (!IsJpegBareMarker(marker)) {
      if (at + 2 > body.size() || BigEndian16(body, at) < 2) {
        return false;
      }
      if (IsJpegFrameMarker(marker)) {
        // Length, sample precision, then height and width.
        return at + 7 <= body.size() && IsTileSide(BigEndian16(body, at + 3)) &&
               IsTileSide(BigEndian16(body, at + 5));
      }
      at += BigEndian16(body, at);
    }
  }
  return false;
}

bool IsWebpImage(std::string_view body) {
  if (body.size() < kWebpDataAt || !body.starts_with("RIFF") || body.substr(8, 4) != "WEBP") {
    return false;
  }
  const std::string_view chunk = body.substr(kWebpChunkAt, 4);
  if (chunk == "VP8 ") {
    return IsLossyWebpFrame(body);
  }
  if (chunk == "VP8L") {
    return IsLosslessWebpFrame(body);
  }
  return chunk == "VP8X" && IsExtendedWebp(body);
}

const TileContentCheck* ContentCheckFor(std::string_view extension) {
  for (const TileContentCheck& check : kChecks) {
    if (EqualsIgnoringCase(check.Extension, extension)) {
      return &check;
    }
  }
  return nullptr;
}

bool IsTileContent(std::string_view extension, std::string_view bytes) {
  const TileContentCheck* check = ContentCheckFor(extension);
  return check == nullptr || check->Accepts(bytes);
}

}  // namespace kartovel
