// The content checks of tile bodies, one per image type, chosen by extension.
#include "download/TileContent.h"

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

bool IsTileSide(uint32_t side) {
  return side >= 1 && side <= kMaxTileSide;
}

// Further image types are rows of this table.
constexpr std::array<TileContentCheck, 1> kChecks{{
    {"png", "PNG", &IsPngImage},
}};

}  // namespace

bool IsPngImage(std::string_view body) {
  return body.size() >= kPngSizeEnd && body.starts_with(kPngSignature) &&
         BigEndian32(body, 8) == kIhdrDataLength && body.substr(12, 4) == "IHDR" &&
         IsTileSide(BigEndian32(body, 16)) && IsTileSide(BigEndian32(body, 20));
}

const TileContentCheck* ContentCheckFor(std::string_view extension) {
  for (const TileContentCheck& check : kChecks) {
    if (EqualsIgnoringCase(check.Extension, extension)) {
      return &check;
    }
  }
  return nullptr;
}

std::optional<HttpFailure> CheckTileContent(std::string_view extension, std::string_view body) {
  const TileContentCheck* check = ContentCheckFor(extension);
  if (check == nullptr || check->Accepts(body)) {
    return std::nullopt;
  }
  return HttpFailure{"Error: the server's answer is not a " + std::string(check->ImageKind) +
                     " image."};
}

}  // namespace kartovel
