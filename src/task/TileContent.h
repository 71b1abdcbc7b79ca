// What the bytes of a tile must be: an image of the tile's file type, checked before a
// fetched body is saved and before a tile file is exported. A check is chosen by the
// tile's extension; a type without a check is taken as it is.
#pragma once

#include <cstdint>
#include <string_view>

namespace kartovel {

// The largest width or height a tile image may declare.
inline constexpr uint32_t kMaxTileSide = 4096;

struct TileContentCheck {
  std::string_view Extension;  // without the dot, lower case: "png"
  std::string_view ImageKind;  // as the failure text names it: "PNG"
  bool (*Accepts)(std::string_view body);
};

// The PNG signature, then an IHDR chunk first whose width and height lie in
// 1..kMaxTileSide.
bool IsPngImage(std::string_view body);
// The start-of-image marker, then segments up to a frame header (SOFn) whose height and
// width lie in 1..kMaxTileSide.
bool IsJpegImage(std::string_view body);
// "RIFF", a size, "WEBP", then a lossy (VP8 key frame), lossless (VP8L) or extended (VP8X
// canvas) header whose width and height lie in 1..kMaxTileSide.
bool IsWebpImage(std::string_view body);

// The check for a tile extension (without the dot, any case); null when there is none.
const TileContentCheck* ContentCheckFor(std::string_view extension);

// True when the bytes may stand as a tile with that extension: its check accepts them, or
// the extension has none.
bool IsTileContent(std::string_view extension, std::string_view bytes);

}  // namespace kartovel
