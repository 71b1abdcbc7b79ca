// Tiles of every kind a map source may deliver (PNG, JPEG, WebP with and without alpha)
// decoded into a band's cell with its row stride, as RGB and as RGBA, and the files that
// must fail: cut short, of another kind, of another size, not opaque for an RGB band.
#include "imaging/TileDecoders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/Paths.h"
#include "common/Text.h"
#include "support/FakeTask.h"
#include "support/TileSamples.h"

namespace kartovel::tools {
namespace {

using testing::Sandbox;

// Quadrants of 16 pixels lie on JPEG's 8-pixel blocks, so even the lossy kind keeps them.
constexpr int32_t kSide = 32;
// A band two cells wide: a tile lands in its second cell, so rows must follow the stride.
constexpr size_t kBandColumns = 2;

// Four quadrants of plain colours; alpha 128 in the lower right quadrant when asked.
RgbaImage Quadrants(bool translucent) {
  RgbaImage image(kSide, kSide);
  const uint8_t colours[4][3] = {{250, 20, 20}, {20, 240, 30}, {30, 40, 230}, {200, 200, 60}};
  for (int32_t y = 0; y < kSide; ++y) {
    for (int32_t x = 0; x < kSide; ++x) {
      const int quadrant = (y >= kSide / 2 ? 2 : 0) + (x >= kSide / 2 ? 1 : 0);
      uint8_t* pixel = image.pixels.data() + (static_cast<size_t>(y) * kSide + x) * 4;
      std::copy(colours[quadrant], colours[quadrant] + 3, pixel);
      pixel[3] = translucent && quadrant == 3 ? 128 : 255;
    }
  }
  return image;
}

struct Band {
  explicit Band(bool withAlpha)
      : pixelBytes(withAlpha ? 4 : 3),
        bytes(kBandColumns * kSide * kSide * pixelBytes, 7),
        target{bytes.data() + kSide * pixelBytes, kBandColumns * kSide * pixelBytes,
               ImageSize{kSide, kSide}, withAlpha} {}
  // The largest difference between the cell's pixels and the picture's (alpha only in RGBA).
  int LargestDifference(const RgbaImage& picture) const {
    int largest = 0;
    for (size_t y = 0; y < kSide; ++y) {
      for (size_t x = 0; x < kSide; ++x) {
        for (size_t channel = 0; channel < pixelBytes; ++channel) {
          const int got = target.origin[y * target.rowStride + x * pixelBytes + channel];
          const int want = picture.pixels[(y * kSide + x) * 4 + channel];
          largest = std::max(largest, std::abs(got - want));
        }
      }
    }
    return largest;
  }
  bool FirstCellUntouched() const {
    for (size_t y = 0; y < kSide; ++y) {
      for (size_t i = 0; i < kSide * pixelBytes; ++i) {
        if (bytes[y * target.rowStride + i] != 7) {
          return false;
        }
      }
    }
    return true;
  }
  size_t pixelBytes;
  std::vector<uint8_t> bytes;
  TileTarget target;
};

struct KindCase {
  const char* name;  // file name: its extension picks the decoder
  bool translucent;
  bool promisesOpaque;  // the header alone tells (the PNGs written here are RGBA)
  int tolerance;        // JPEG is lossy
};

std::string FileOf(const KindCase& kind, const RgbaImage& picture) {
  const std::string extension = ExtractFileExt(kind.name);
  if (extension == ".jpg" || EqualsIgnoringCase(extension, ".jpeg")) {
    return testing::EncodeJpeg(picture);
  }
  if (extension == ".webp") {
    return testing::EncodeWebp(picture, kind.translucent);
  }
  Sandbox scratch;
  WritePng(scratch.Path("t.png"), picture);
  return Sandbox::ReadAll(scratch.Path("t.png"));
}

TEST(TileDecodersTest, PlacesEveryKindIntoRgbAndRgbaCells) {
  const KindCase kinds[] = {{"a.png", false, false, 0}, {"a.jpg", false, true, 3},
                            {"a.JPEG", false, true, 3}, {"a.webp", false, true, 0},
                            {"b.webp", true, false, 0}, {"b.png", true, false, 0}};
  Sandbox sandbox;
  TileDecoders decoders;
  for (const KindCase& kind : kinds) {
    SCOPED_TRACE(std::string(kind.name) + (kind.translucent ? " translucent" : ""));
    const RgbaImage picture = Quadrants(kind.translucent);
    const std::string file = sandbox.Path(kind.name);
    Sandbox::WriteAll(file, FileOf(kind, picture));
    TileDecoder& decoder = decoders.For(file);
    ASSERT_EQ(decoder.ReadSize(file).value_or(ImageSize{}).width, kSide);
    EXPECT_EQ(decoder.PromisesOpaque(file, {kSide, kSide}), kind.promisesOpaque);
    EXPECT_FALSE(decoder.PromisesOpaque(file, {kSide, kSide + 1}));

    Band rgba(true);
    ASSERT_EQ(decoder.Decode(file, rgba.target).outcome, TileOutcome::kPlaced);
    EXPECT_LE(rgba.LargestDifference(picture), kind.tolerance);
    EXPECT_TRUE(rgba.FirstCellUntouched());

    Band rgb(false);
    const TileOutcome outcome = decoder.Decode(file, rgb.target).outcome;
    EXPECT_EQ(outcome, kind.translucent ? TileOutcome::kTransparent : TileOutcome::kPlaced);
    if (!kind.translucent) {
      EXPECT_LE(rgb.LargestDifference(picture), kind.tolerance);
    }

    RgbaImage whole;
    std::string error;
    ASSERT_TRUE(DecodeTileImage(decoders, file, whole, error)) << error;
    EXPECT_EQ(whole.width, kSide);
  }
}

TEST(TileDecodersTest, FailsDamagedForeignAndMisfitTilesWithAReason) {
  Sandbox sandbox;
  const std::string jpeg = testing::EncodeJpeg(Quadrants(false));
  const std::string webp = testing::EncodeWebp(Quadrants(false), false);
  const struct {
    const char* name;
    std::string bytes;
    ImageSize size;
    const char* reason;  // the start of the failure's text
  } cases[] = {
      {"cut.jpg", jpeg.substr(0, jpeg.size() / 2), {kSide, kSide}, "Premature end"},
      {"png.jpg", Sandbox::ReadAll("blankimg/blank.png"), {kSide, kSide}, "Not a JPEG file"},
      {"empty.jpg", "", {kSide, kSide}, "Empty input file"},
      {"wide.jpg", jpeg, {kSide + 1, kSide}, "size 32 x 32 pixels"},
      {"cut.webp", webp.substr(0, webp.size() - 8), {kSide, kSide}, "damaged WebP image data"},
      {"text.webp", "RIFF....WEBPnot an image", {kSide, kSide}, "not a WebP image"},
      {"jpeg.webp", jpeg, {kSide, kSide}, "not a WebP image"},
      {"tall.webp", webp, {kSide, kSide * 2}, "size 32 x 32 pixels"},
  };
  TileDecoders decoders;
  for (const auto& c : cases) {
    const std::string file = sandbox.Path(c.name);
    Sandbox::WriteAll(file, c.bytes);
    std::vector<uint8_t> cell(static_cast<size_t>(c.size.width) * c.size.height * 4);
    const TileResult result = decoders.For(file).Decode(
        file, TileTarget{cell.data(), static_cast<size_t>(c.size.width) * 4, c.size, true});
    EXPECT_EQ(result.outcome, TileOutcome::kFailed) << c.name;
    EXPECT_EQ(result.error.substr(0, std::string(c.reason).size()), c.reason) << c.name;
  }
  EXPECT_EQ(decoders.For(sandbox.Path("absent.webp"))
                .Decode(sandbox.Path("absent.webp"), TileTarget{})
                .error,
            "cannot be read");
}

}  // namespace
}  // namespace kartovel::tools
