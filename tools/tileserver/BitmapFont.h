// A tiny 5 x 7 bitmap font for the tile labels: digits, the minus sign, blank and X Y Z.
#pragma once

#include <array>
#include <cstdint>

namespace kartovel::tileserver {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// One row per entry, the leftmost pixel in bit 4. Unknown characters are drawn as a box.
std::array<uint8_t, kGlyphHeight> Glyph(char character);

}  // namespace kartovel::tileserver
