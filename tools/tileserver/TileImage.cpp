// The drawing primitives (fill, frame, label text) behind the demo tiles.
#include "tileserver/TileImage.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tileserver/BitmapFont.h"

namespace kartovel::tileserver {
namespace {

struct Rgb {
  uint8_t R, G, B;
};

constexpr Rgb kLand{242, 239, 233};
constexpr Rgb kGridLine{226, 222, 214};
constexpr Rgb kBorder{150, 150, 150};
constexpr Rgb kLabel{255, 255, 255};
constexpr Rgb kInk{50, 60, 80};
constexpr int kGridStep = 32;
constexpr int kTextScale = 4;
constexpr int kLineGap = 20;

class Canvas {
 public:
  explicit Canvas(int size) : image_{size, size, std::vector<uint8_t>(size * size * 3)} {}

  void Fill(int left, int top, int width, int height, Rgb colour) {
    for (int y = std::max(top, 0); y < std::min(top + height, image_.Height); ++y) {
      for (int x = std::max(left, 0); x < std::min(left + width, image_.Width); ++x) {
        auto* pixel = &image_.Pixels[(static_cast<std::size_t>(y) * image_.Width + x) * 3];
        pixel[0] = colour.R;
        pixel[1] = colour.G;
        pixel[2] = colour.B;
      }
    }
  }

  void Frame(int left, int top, int width, int height, int thickness, Rgb colour) {
    Fill(left, top, width, thickness, colour);
    Fill(left, top + height - thickness, width, thickness, colour);
    Fill(left, top, thickness, height, colour);
    Fill(left + width - thickness, top, thickness, height, colour);
  }

  void Text(int left, int top, const std::string& text, Rgb colour) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto rows = Glyph(text[i]);
      const int glyphLeft = left + static_cast<int>(i) * (kGlyphWidth + 1) * kTextScale;
      for (int row = 0; row < kGlyphHeight; ++row) {
        for (int column = 0; column < kGlyphWidth; ++column) {
          if (rows[row] & (0x10 >> column)) {
            Fill(glyphLeft + column * kTextScale, top + row * kTextScale, kTextScale, kTextScale,
                 colour);
          }
        }
      }
    }
  }

  RgbImage Take() { return std::move(image_); }

 private:
  RgbImage image_;
};

int TextWidth(const std::string& text) {
  return static_cast<int>(text.size()) * (kGlyphWidth + 1) * kTextScale - kTextScale;
}

}  // namespace

RgbImage RenderTile(const TileId& tile) {
  Canvas canvas(kTileSize);
  canvas.Fill(0, 0, kTileSize, kTileSize, kLand);
  for (int line = kGridStep; line < kTileSize; line += kGridStep) {
    canvas.Fill(line, 0, 1, kTileSize, kGridLine);
    canvas.Fill(0, line, kTileSize, 1, kGridLine);
  }
  canvas.Frame(0, 0, kTileSize, kTileSize, 2, kBorder);

  const std::vector<std::string> lines = {"X " + std::to_string(tile.X),
                                          "Y " + std::to_string(tile.Y),
                                          "Z " + std::to_string(tile.Zoom)};
  int widest = 0;
  for (const auto& line : lines) {
    widest = std::max(widest, TextWidth(line));
  }
  const int lineHeight = kGlyphHeight * kTextScale;
  const int blockHeight = static_cast<int>(lines.size()) * (lineHeight + kLineGap) - kLineGap;
  const int left = (kTileSize - widest) / 2;
  const int top = (kTileSize - blockHeight) / 2;
  constexpr int kPadding = 12;
  canvas.Fill(left - kPadding, top - kPadding, widest + 2 * kPadding, blockHeight + 2 * kPadding,
              kLabel);
  canvas.Frame(left - kPadding, top - kPadding, widest + 2 * kPadding, blockHeight + 2 * kPadding,
               1, kBorder);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    canvas.Text(left, top + static_cast<int>(i) * (lineHeight + kLineGap), lines[i], kInk);
  }
  return canvas.Take();
}

std::string RenderTilePng(const TileId& tile) {
  return EncodePng(RenderTile(tile));
}

}  // namespace kartovel::tileserver
