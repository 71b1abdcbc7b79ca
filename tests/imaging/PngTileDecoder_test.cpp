// The PNG tile decoder against libpng on the same bytes: every kind of file gives the
// same pixels, in an RGBA band and (when opaque) in an RGB one; every damaged file fails
// with libpng's reason, or reads as libpng reads it.
#include "imaging/PngTileDecoder.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/Sandbox.h"
#include "support/PngSamples.h"

namespace kartovel::tools {
namespace {

using testing::PngRecipe;
using testing::Sandbox;

constexpr uint8_t kUntouched = 0xAB;  // fills the band around the tile
constexpr size_t kMargin = 5;         // bytes of band on either side of the tile's rows

struct Decoded {
  TileResult result;
  std::vector<uint8_t> pixels;  // the tile's rows as the band holds them, margins dropped
  bool marginsKept = true;
};

Decoded DecodeIntoBand(const std::string& file, ImageSize size, bool withAlpha) {
  const size_t rowBytes = static_cast<size_t>(size.width) * (withAlpha ? 4 : 3);
  const size_t stride = rowBytes + 2 * kMargin;
  std::vector<uint8_t> band(stride * static_cast<size_t>(size.height), kUntouched);
  PngTileDecoder decoder;
  Decoded decoded;
  decoded.result = decoder.Decode(file, TileTarget{band.data() + kMargin, stride, size, withAlpha});
  for (size_t row = 0; row < static_cast<size_t>(size.height); ++row) {
    const uint8_t* start = band.data() + row * stride;
    decoded.pixels.insert(decoded.pixels.end(), start + kMargin, start + kMargin + rowBytes);
    decoded.marginsKept = decoded.marginsKept && start[kMargin - 1] == kUntouched &&
                          start[kMargin + rowBytes] == kUntouched;
  }
  return decoded;
}

std::vector<uint8_t> WithoutAlpha(const std::vector<uint8_t>& rgba) {
  std::vector<uint8_t> rgb;
  for (size_t pixel = 0; pixel < rgba.size(); pixel += 4) {
    rgb.insert(rgb.end(), rgba.begin() + pixel, rgba.begin() + pixel + 3);
  }
  return rgb;
}

bool AllOpaque(const std::vector<uint8_t>& rgba) {
  for (size_t alpha = 3; alpha < rgba.size(); alpha += 4) {
    if (rgba[alpha] != 255) {
      return false;
    }
  }
  return true;
}

// Decodes the file both ways and holds the decoder to what libpng made of it.
void ExpectAsLibpng(const std::string& file, ImageSize size, const std::string& label) {
  RgbaImage expected;
  std::string libpngError;
  const bool libpngRead = DecodePng(file, expected, libpngError, size);
  const Decoded rgba = DecodeIntoBand(file, size, true);
  EXPECT_TRUE(rgba.marginsKept) << label;
  if (!libpngRead) {
    EXPECT_EQ(rgba.result.outcome, TileOutcome::kFailed) << label;
    EXPECT_EQ(rgba.result.error, libpngError) << label;
    return;
  }
  ASSERT_EQ(rgba.result.outcome, TileOutcome::kPlaced) << label << ": " << rgba.result.error;
  EXPECT_EQ(rgba.pixels, expected.pixels) << label;
  const Decoded rgb = DecodeIntoBand(file, size, false);
  if (AllOpaque(expected.pixels)) {
    ASSERT_EQ(rgb.result.outcome, TileOutcome::kPlaced) << label;
    EXPECT_EQ(rgb.pixels, WithoutAlpha(expected.pixels)) << label;
  } else {
    EXPECT_EQ(rgb.result.outcome, TileOutcome::kTransparent) << label;
  }
}

PngRecipe Kind(uint8_t colourType, uint8_t bitDepth, uint32_t width = 13, uint32_t height = 7) {
  PngRecipe recipe;
  recipe.colourType = colourType;
  recipe.bitDepth = bitDepth;
  recipe.width = width;
  recipe.height = height;
  if (colourType == 3) {
    recipe.paletteEntries = 1u << bitDepth;
  }
  return recipe;
}

PngRecipe With(PngRecipe recipe, const std::function<void(PngRecipe&)>& change) {
  change(recipe);
  return recipe;
}

TEST(PngTileDecoderTest, DecodesEveryKindOfFileAsLibpngDoes) {
  const std::vector<std::pair<const char*, PngRecipe>> kinds = {
      {"grey 1 bit", Kind(0, 1)},
      {"grey 2 bits", Kind(0, 2)},
      {"grey 4 bits", Kind(0, 4)},
      {"grey 8 bits", Kind(0, 8)},
      {"grey 16 bits", Kind(0, 16)},
      {"grey 2 bits keyed", With(Kind(0, 2),
                                 [](PngRecipe& r) {
                                   r.transparency = {0, 1};
                                 })},
      {"grey 8 bits keyed", With(Kind(0, 8, 64, 64),
                                 [](PngRecipe& r) {
                                   r.transparency = {0, 9};
                                 })},
      {"grey key beyond the depth", With(Kind(0, 4),
                                         [](PngRecipe& r) {
                                           r.transparency = {0, 17};
                                         })},
      {"grey + alpha", Kind(4, 8)},
      {"grey + alpha 16 bits", Kind(4, 16)},
      {"RGB", Kind(2, 8)},
      {"RGB 16 bits", Kind(2, 16)},
      {"RGB keyed", With(Kind(2, 8),
                         [](PngRecipe& r) {
                           r.allOnes = true;
                           r.transparency = {0, '\xff', 0, '\xff', 0, '\xff'};
                         })},
      {"RGBA", Kind(6, 8)},
      {"RGBA opaque", With(Kind(6, 8), [](PngRecipe& r) { r.allOnes = true; })},
      {"RGBA 16 bits", Kind(6, 16)},
      {"palette 1 bit", Kind(3, 1)},
      {"palette 2 bits", Kind(3, 2)},
      {"palette 4 bits", Kind(3, 4)},
      {"palette 8 bits", Kind(3, 8)},
      {"palette with tRNS",
       With(Kind(3, 8), [](PngRecipe& r) { r.transparency = "\x10\xff\x80"; })},
      {"palette shorter than its indexes",
       With(Kind(3, 8), [](PngRecipe& r) { r.paletteEntries = 40; })},
      {"interlaced RGB", With(Kind(2, 8), [](PngRecipe& r) { r.interlaced = true; })},
      {"interlaced palette", With(Kind(3, 4), [](PngRecipe& r) { r.interlaced = true; })},
      {"sRGB gamma", With(Kind(2, 8), [](PngRecipe& r) { r.gamma = 45455; })},
      {"linear gamma", With(Kind(2, 8), [](PngRecipe& r) { r.gamma = 100000; })},
      {"several IDAT chunks", With(Kind(6, 8), [](PngRecipe& r) { r.idatChunks = 5; })},
      {"one pixel wide", Kind(2, 8, 1, 9)},
      {"odd width RGBA", Kind(6, 8, 37, 5)},
      {"wide palette 2 bits", Kind(3, 2, 301, 3)},
  };
  Sandbox sandbox;
  for (const auto& [label, recipe] : kinds) {
    const std::string file = sandbox.Path("tile.png");
    Sandbox::WriteAll(file, testing::MakePng(recipe));
    ExpectAsLibpng(
        file, ImageSize{static_cast<int32_t>(recipe.width), static_cast<int32_t>(recipe.height)},
        label);
  }
}

size_t ChunkType(const std::string& png, const char* type) {
  return png.find(type);
}

TEST(PngTileDecoderTest, DamagedFilesFailOrReadAsWithLibpng) {
  const PngRecipe base = With(Kind(2, 8, 16, 16), [](PngRecipe& r) { r.idatChunks = 2; });
  const std::string intact = testing::MakePng(base);
  const size_t idat = ChunkType(intact, "IDAT");
  auto flipped = [](std::string png, size_t at) {
    png[at] = static_cast<char>(png[at] ^ 0x5A);
    return png;
  };
  const std::vector<std::pair<const char*, std::string>> damaged = {
      {"empty", ""},
      {"signature only", intact.substr(0, 8)},
      {"cut in the header", intact.substr(0, 20)},
      {"cut in the image data", intact.substr(0, idat + 30)},
      {"without its end chunk", intact.substr(0, intact.size() - 12)},
      {"IHDR CRC wrong", flipped(intact, 29)},
      {"IDAT CRC wrong", flipped(intact, idat + 10)},
      {"IDAT damaged, CRC right",
       [&] {
         std::string png = flipped(intact, idat + 12);
         testing::FixChunkCrc(png, idat);
         return png;
       }()},
      {"unknown filter type", testing::MakePng(With(base,
                                                    [](PngRecipe& r) {
                                                      r.filterTypes = 0;
                                                      r.firstFilter = 7;
                                                    }))},
      {"data after the zlib stream",
       testing::MakePng(With(base, [](PngRecipe& r) { r.extraData = "xyz"; }))},
      {"rows missing", testing::MakePng(With(base, [](PngRecipe& r) { r.rowBytesCut = 49; }))},
      {"another size", testing::MakePng(Kind(2, 8, 8, 16))},
      {"unknown critical chunk",
       intact.substr(0, idat - 4) + testing::PngChunk("ABCD", "x") + intact.substr(idat - 4)},
      {"text chunk CRC wrong",
       [&] {
         std::string png = intact.substr(0, idat - 4) + testing::PngChunk("tEXt", "a\0b") +
                           intact.substr(idat - 4);
         return flipped(png, idat + 6);
       }()},
      {"tRNS after the image data", intact.substr(0, intact.size() - 12) +
                                        testing::PngChunk("tRNS", std::string(6, '\0')) +
                                        intact.substr(intact.size() - 12)},
  };
  Sandbox sandbox;
  for (const auto& [label, bytes] : damaged) {
    Sandbox::WriteAll(sandbox.Path("tile.png"), bytes);
    ExpectAsLibpng(sandbox.Path("tile.png"), ImageSize{16, 16}, label);
  }
  ExpectAsLibpng(sandbox.Path("no such tile.png"), ImageSize{16, 16}, "missing file");
}

}  // namespace
}  // namespace kartovel::tools
